#include "tools/utf16.h"

namespace zoro {

bool Utf8ToUtf16(const std::string& text, std::u16string& converted) {
    converted.clear();
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length;
        char32_t code;
        char32_t smallest;  // below this the sequence is overlong
        if (lead < 0x80) {
            length = 1, code = lead, smallest = 1;
        } else if (lead >= 0xC0 && lead < 0xE0) {
            length = 2, code = lead & 0x1Fu, smallest = 0x80;
        } else if (lead >= 0xE0 && lead < 0xF0) {
            length = 3, code = lead & 0x0Fu, smallest = 0x800;
        } else if (lead >= 0xF0 && lead < 0xF5) {
            length = 4, code = lead & 0x07u, smallest = 0x10000;
        } else {
            return false;
        }
        if (length > text.size() - i) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3Fu);
        }
        if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        if (code < 0x10000) {
            converted.push_back(static_cast<char16_t>(code));
        } else {
            converted.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
            converted.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        }
        i += length;
    }
    return true;
}

}  // namespace zoro
