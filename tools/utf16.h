// The module takes its paths as UTF-16; the command line gives them as UTF-8.
#pragma once

#include <string>

namespace zoro {

// Strict UTF-8 to UTF-16. False for bytes that are not well-formed UTF-8 (such a name has
// no UTF-16 form), and for a NUL, which would end the path early.
bool Utf8ToUtf16(const std::string& text, std::u16string& converted);

}  // namespace zoro
