// Stored rows moved between the stream and memory many at a time: one read or write call
// per block of rows instead of one per row, through a block small enough to stay in the
// processor's cache while the rows are decoded or encoded.
#pragma once

#include <cstddef>
#include <cstdint>

#include "export/platform.h"

namespace zoro {

// Hands out the stored rows of the pixel data in file order.
class RowBlockReader {
  public:
    RowBlockReader(Stream* stream, std::size_t rowBytes, std::int32_t rows) noexcept;
    ~RowBlockReader();
    RowBlockReader(const RowBlockReader&) = delete;
    RowBlockReader& operator=(const RowBlockReader&) = delete;

    bool Allocated() const { return block_ != nullptr; }

    // The bytes of the next stored row, and in `got` how many of them the file held: all
    // of them unless the file ended inside or before the row. Once the stream has reached
    // its end nothing more is read, as with a read that tests for the end first.
    const std::uint8_t* Next(std::size_t& got) noexcept;

  private:
    Stream* stream_;
    std::size_t rowBytes_;
    std::size_t rowsPerBlock_;
    std::int32_t rowsUnread_;  // rows of the pixel data not yet asked of the stream
    std::uint8_t* block_;
    std::size_t blockRows_ = 0;   // rows the current block was read for
    std::size_t blockBytes_ = 0;  // bytes that arrived for them
    std::size_t nextRow_ = 0;
};

// Collects encoded rows in file order and writes each full block with one call. The
// block starts out zeroed, and encoders write only the pixel bytes of a row, so the
// padding behind them is written as zeros.
class RowBlockWriter {
  public:
    RowBlockWriter(Stream* stream, std::size_t rowBytes, std::int32_t rows) noexcept;
    ~RowBlockWriter();
    RowBlockWriter(const RowBlockWriter&) = delete;
    RowBlockWriter& operator=(const RowBlockWriter&) = delete;

    bool Allocated() const { return block_ != nullptr; }

    // Room for the next row; the rows before it are written first when the block is full.
    // Null once a write has come up short.
    std::uint8_t* Next() noexcept;

    // Writes the rows not yet written. False if any write came up short.
    bool Finish() noexcept;

  private:
    bool WriteBlock() noexcept;

    Stream* stream_;
    std::size_t rowBytes_;
    std::size_t rowsPerBlock_;
    std::uint8_t* block_;
    std::size_t rowsHeld_ = 0;
    bool failed_ = false;
};

}  // namespace zoro
