#include "bmp/row_blocks.h"

#include <algorithm>
#include <cstring>

namespace zoro {

namespace {

// Large enough that the calls cost little beside the bytes, small enough to stay cached.
constexpr std::size_t kBlockBytes = 512 * 1024;

std::size_t RowsPerBlock(std::size_t rowBytes, std::int32_t rows) {
    const std::size_t fit =
        std::max<std::size_t>(1, kBlockBytes / std::max<std::size_t>(1, rowBytes));
    return std::min(fit, static_cast<std::size_t>(std::max(rows, 1)));
}

}  // namespace

RowBlockReader::RowBlockReader(Stream* stream, std::size_t rowBytes, std::int32_t rows) noexcept
    : stream_(stream),
      rowBytes_(rowBytes),
      rowsPerBlock_(RowsPerBlock(rowBytes, rows)),
      rowsUnread_(rows),
      block_(static_cast<std::uint8_t*>(AllocateArray(rowsPerBlock_ * rowBytes))) {}

RowBlockReader::~RowBlockReader() {
    ReleaseArray(block_);
}

const std::uint8_t* RowBlockReader::Next(std::size_t& got) noexcept {
    if (nextRow_ == blockRows_) {
        blockRows_ = std::min(rowsPerBlock_, static_cast<std::size_t>(std::max(rowsUnread_, 0)));
        rowsUnread_ -= static_cast<std::int32_t>(blockRows_);
        blockBytes_ = EndOfStream(stream_) || blockRows_ == 0
                          ? 0
                          : ReadItems(block_, 1, blockRows_ * rowBytes_, stream_);
        nextRow_ = 0;
    }
    const std::size_t start = std::min(nextRow_ * rowBytes_, blockBytes_);
    got = std::min(blockBytes_ - start, rowBytes_);
    return block_ + rowBytes_ * nextRow_++;
}

RowBlockWriter::RowBlockWriter(Stream* stream, std::size_t rowBytes, std::int32_t rows) noexcept
    : stream_(stream),
      rowBytes_(rowBytes),
      rowsPerBlock_(RowsPerBlock(rowBytes, rows)),
      block_(static_cast<std::uint8_t*>(AllocateArray(rowsPerBlock_ * rowBytes))) {
    if (block_ != nullptr) {
        std::memset(block_, 0, rowsPerBlock_ * rowBytes_);
    }
}

RowBlockWriter::~RowBlockWriter() {
    ReleaseArray(block_);
}

bool RowBlockWriter::WriteBlock() noexcept {
    const std::size_t bytes = rowsHeld_ * rowBytes_;
    failed_ = failed_ || (bytes > 0 && WriteItems(block_, 1, bytes, stream_) != bytes);
    rowsHeld_ = 0;
    return !failed_;
}

std::uint8_t* RowBlockWriter::Next() noexcept {
    if (rowsHeld_ == rowsPerBlock_ && !WriteBlock()) {
        return nullptr;
    }
    return failed_ ? nullptr : block_ + rowBytes_ * rowsHeld_++;
}

bool RowBlockWriter::Finish() noexcept {
    return WriteBlock();
}

}  // namespace zoro
