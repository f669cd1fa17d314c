// Names compared as the project compares them: ASCII letters without regard
// to case, every other byte as it is.
#pragma once

#include <algorithm>
#include <cctype>
#include <string_view>

namespace xls::vba {

inline bool equalIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

inline bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalIgnoringCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace xls::vba
