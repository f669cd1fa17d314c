#include "cfb/entry_name.h"

namespace xls::cfb {

char16_t upperForCompare(char16_t unit) {
    const auto c = static_cast<std::uint32_t>(unit);
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
    if (c < 0x80) return unit;
    // Latin-1: à-þ except ÷; ÿ goes to Ÿ.
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
    if (c == 0xFF) return u'\u0178';
    // Latin Extended-A pairs upper/lower at even/odd positions (with two shifted runs).
    if (c >= 0x0100 && c <= 0x017F) {
        const bool shiftedRun = (c >= 0x0139 && c <= 0x0148) || (c >= 0x0179 && c <= 0x017E);
        if (shiftedRun) return static_cast<char16_t>((c % 2 == 0) ? c - 1 : c);
        if (c == 0x0131 || c == 0x0138 || c == 0x0149 || c == 0x017F) return unit;
        return static_cast<char16_t>((c % 2 == 1) ? c - 1 : c);
    }
    // Greek small letters.
    if (c >= 0x03B1 && c <= 0x03C9 && c != 0x03C2) return static_cast<char16_t>(c - 0x20);
    // Cyrillic.
    if (c >= 0x0430 && c <= 0x044F) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x0450 && c <= 0x045F) return static_cast<char16_t>(c - 0x50);
    return unit;
}

bool namesEqual(std::u16string_view a, std::u16string_view b) {
    return compareNames(a, b) == 0;
}

int compareNames(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char16_t x = upperForCompare(a[i]);
        const char16_t y = upperForCompare(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

}  // namespace xls::cfb
