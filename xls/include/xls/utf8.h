// Text the engine takes from outside (sheet names from a command line or a
// window) is UTF-8; this tells whether it is.
#pragma once

#include <string_view>

namespace xls {

// Whether text is well-formed UTF-8: no stray continuation byte, no cut-short
// or overlong sequence, no surrogate, nothing past U+10FFFF.
bool isUtf8(std::string_view text);

}  // namespace xls
