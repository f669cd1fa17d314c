// The application's sheet-name rules: what a name may hold, and when two names
// are the same name.
#include "xls/sheet_name.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <cstdint>

#include "biff/text_encoding.h"

namespace xls {

namespace {

constexpr std::size_t kMaxSheetNameUnits = 31;

std::size_t utf16Units(const std::u32string& cps) {
    std::size_t units = 0;
    for (char32_t cp : cps) units += cp > 0xFFFF ? 2 : 1;
    return units;
}

bool isForbidden(char32_t cp) {
    switch (cp) {
        case U':':
        case U'\\':
        case U'/':
        case U'?':
        case U'*':
        case U'[':
        case U']':
            return true;
        default:
            return false;
    }
}

// Unicode simple case folding, one code point to one: "ß" and "SS" stay
// different names, as the application keeps them.
char32_t foldCase(char32_t cp) {
    return static_cast<char32_t>(u_foldCase(static_cast<UChar32>(cp), U_FOLD_CASE_DEFAULT));
}

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

bool asciiEqualIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

bool isAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

}  // namespace

std::optional<ErrorCode> checkSheetName(std::string_view name) {
    if (name.empty()) return ErrorCode::SheetNameEmpty;
    const auto cps = biff::decodeUtf8(name);
    // A name that is not text at all cannot be stored; report it with the
    // character rule, the one closest to what is wrong.
    if (!cps) return ErrorCode::SheetNameBadCharacter;
    if (utf16Units(*cps) > kMaxSheetNameUnits) return ErrorCode::SheetNameTooLong;
    for (char32_t cp : *cps) {
        // Control characters cannot be typed into a sheet tab and break the
        // formula syntax that quotes sheet names.
        if (isForbidden(cp) || cp < 0x20) return ErrorCode::SheetNameBadCharacter;
    }
    if (cps->front() == U'\'' || cps->back() == U'\'') return ErrorCode::SheetNameApostrophe;
    if (sheetNamesEqual(name, "History")) return ErrorCode::SheetNameReserved;
    return std::nullopt;
}

bool sheetNamesEqual(std::string_view a, std::string_view b) {
    if (isAscii(a) && isAscii(b)) return asciiEqualIgnoringCase(a, b);
    const auto ca = biff::decodeUtf8(a);
    const auto cb = biff::decodeUtf8(b);
    // Malformed text is only ever equal to identical bytes.
    if (!ca || !cb) return a == b;
    return std::equal(ca->begin(), ca->end(), cb->begin(), cb->end(),
                      [](char32_t x, char32_t y) { return foldCase(x) == foldCase(y); });
}

}  // namespace xls
