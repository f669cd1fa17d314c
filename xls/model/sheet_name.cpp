// The application's sheet-name rules: what a name may hold, and when two names
// are the same name.
#include "xls/sheet_name.h"

#include <cstdint>

namespace xls {

namespace {

constexpr std::size_t kMaxSheetNameUnits = 31;

// Decodes UTF-8 into code points; nullopt for malformed input (a stray
// continuation byte, a truncated or overlong sequence, a surrogate).
std::optional<std::vector<char32_t>> decodeUtf8(std::string_view text) {
    std::vector<char32_t> out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        char32_t cp = 0;
        if (lead < 0x80) {
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            cp = lead & 0x1Fu;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            cp = lead & 0x0Fu;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            cp = lead & 0x07u;
        } else {
            return std::nullopt;
        }
        if (extra > text.size() - i - 1) return std::nullopt;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return std::nullopt;
            cp = (cp << 6) | (next & 0x3Fu);
        }
        static constexpr char32_t kMinForLength[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMinForLength[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return std::nullopt;
        }
        out.push_back(cp);
        i += extra + 1;
    }
    return out;
}

std::size_t utf16Units(const std::vector<char32_t>& cps) {
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

// Pairs laid out as upper at even code point, lower at the next one (or the
// reverse when upperOdd), from first to last inclusive.
char32_t foldAlternating(char32_t cp, char32_t first, char32_t last, bool upperOdd) {
    if (cp < first || cp > last) return cp;
    const bool odd = (cp & 1u) != 0;
    return odd == upperOdd ? cp + 1 : cp;
}

// Unicode simple case folding for the scripts sheet names are written in:
// Latin-1, Latin Extended-A and Additional, Greek, Cyrillic, Armenian and
// full-width Latin. Code points outside these ranges compare as they are.
char32_t foldCase(char32_t cp) {
    if (cp < 0x80) return (cp >= U'A' && cp <= U'Z') ? cp + 0x20 : cp;
    if (cp < 0x100) {
        if (cp == 0xB5) return 0x3BC;  // micro sign folds to Greek mu
        if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) return cp + 0x20;
        return cp;
    }
    if (cp < 0x180) {
        if (cp == 0x130 || cp == 0x131 || cp == 0x138 || cp == 0x149) return cp;
        if (cp == 0x178) return 0xFF;
        if (cp == 0x17F) return U's';
        if (cp < 0x138) return foldAlternating(cp, 0x100, 0x137, false);
        if (cp < 0x149) return foldAlternating(cp, 0x139, 0x148, true);
        if (cp < 0x178) return foldAlternating(cp, 0x14A, 0x177, false);
        return foldAlternating(cp, 0x179, 0x17E, true);
    }
    if (cp >= 0x370 && cp < 0x400) {
        if (cp == 0x386) return 0x3AC;
        if (cp >= 0x388 && cp <= 0x38A) return cp + 37;
        if (cp == 0x38C) return 0x3CC;
        if (cp == 0x38E || cp == 0x38F) return cp + 63;
        if (cp >= 0x391 && cp <= 0x3AB && cp != 0x3A2) return cp + 0x20;
        if (cp == 0x3C2) return 0x3C3;  // final sigma
        if (cp >= 0x3D8 && cp <= 0x3EF) return foldAlternating(cp, 0x3D8, 0x3EF, false);
        return cp;
    }
    if (cp >= 0x400 && cp < 0x530) {
        if (cp < 0x410) return cp + 80;
        if (cp < 0x430) return cp + 32;
        if (cp >= 0x460 && cp <= 0x481) return foldAlternating(cp, 0x460, 0x481, false);
        if (cp >= 0x48A && cp <= 0x4BF) return foldAlternating(cp, 0x48A, 0x4BF, false);
        if (cp == 0x4C0) return 0x4CF;
        if (cp >= 0x4C1 && cp <= 0x4CE) return foldAlternating(cp, 0x4C1, 0x4CE, true);
        if (cp >= 0x4D0 && cp <= 0x52F) return foldAlternating(cp, 0x4D0, 0x52F, false);
        return cp;
    }
    if (cp >= 0x531 && cp <= 0x556) return cp + 48;
    if (cp >= 0x1E00 && cp <= 0x1E95) return foldAlternating(cp, 0x1E00, 0x1E95, false);
    if (cp == 0x1E9E) return 0xDF;
    if (cp >= 0x1EA0 && cp <= 0x1EFF) return foldAlternating(cp, 0x1EA0, 0x1EFF, false);
    if (cp >= 0xFF21 && cp <= 0xFF3A) return cp + 0x20;
    return cp;
}

bool asciiEqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldCase(static_cast<unsigned char>(a[i])) !=
            foldCase(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool isAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

}  // namespace

std::optional<ErrorCode> checkSheetName(std::string_view name) {
    if (name.empty()) return ErrorCode::SheetNameEmpty;
    const auto cps = decodeUtf8(name);
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
    const auto ca = decodeUtf8(a);
    const auto cb = decodeUtf8(b);
    // Malformed text is only ever equal to identical bytes.
    if (!ca || !cb) return a == b;
    if (ca->size() != cb->size()) return false;
    for (std::size_t i = 0; i < ca->size(); ++i) {
        if (foldCase((*ca)[i]) != foldCase((*cb)[i])) return false;
    }
    return true;
}

}  // namespace xls
