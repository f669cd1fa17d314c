#include "biff/code_page_converter.h"

#include <unicode/ucnv.h>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace xls::biff {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// A letter a Mac Roman variant has where Mac Roman has another.
struct Substitution {
    std::uint8_t byte;
    char16_t character;
};

// Mac code pages by the converter ICU knows them by, with the letters that
// make a Mac Roman variant (from Apple's published tables).
struct MacCodePage {
    std::uint16_t codePage;
    const char* icuName;
    std::vector<Substitution> substitutions;
};

const std::vector<MacCodePage>& macCodePages() {
    static const std::vector<MacCodePage> pages = {
        {10000, "macintosh", {}},
        {32768, "macintosh", {}},  // Mac Roman, as Excel 2.x-4.x numbered it
        {10006, "x-mac-greek", {}},
        {10007, "x-mac-cyrillic", {}},
        {10017, "x-mac-cyrillic", {}},  // Mac Ukrainian: Mac Cyrillic since Mac OS 9
        {10029, "x-mac-centraleurroman", {}},
        {10081, "x-mac-turkish", {}},
        {10079,  // Mac Icelandic
         "macintosh",
         {{0xA0, 0x00DD},
          {0xDC, 0x00D0},
          {0xDD, 0x00F0},
          {0xDE, 0x00DE},
          {0xDF, 0x00FE},
          {0xE0, 0x00FD}}},
        {10082,  // Mac Croatian
         "macintosh",
         {{0xA9, 0x0160}, {0xAE, 0x017D}, {0xB4, 0x2206}, {0xB9, 0x0161}, {0xBE, 0x017E},
          {0xC6, 0x0106}, {0xC8, 0x010C}, {0xD0, 0x0110}, {0xD8, 0xF8FF}, {0xD9, 0x00A9},
          {0xDE, 0x00C6}, {0xDF, 0x00BB}, {0xE0, 0x2013}, {0xE6, 0x0107}, {0xE8, 0x010D},
          {0xF0, 0x0111}, {0xF9, 0x03C0}, {0xFA, 0x00CB}, {0xFD, 0x00CA}, {0xFE, 0x00E6}}},
        {10010,  // Mac Romanian
         "macintosh",
         {{0xAE, 0x0102},
          {0xAF, 0x0218},
          {0xBE, 0x0103},
          {0xBF, 0x0219},
          {0xDE, 0x021A},
          {0xDF, 0x021B}}},
    };
    return pages;
}

// The upper half as ICU's converter reads it, byte by byte; nullopt when ICU
// does not have the converter.
std::optional<UpperHalf> readUpperHalf(const char* icuName) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, decltype(&ucnv_close)> converter(ucnv_open(icuName, &status),
                                                                 &ucnv_close);
    if (U_FAILURE(status)) return std::nullopt;
    // A byte the table leaves undefined stops the conversion instead of
    // becoming a control character.
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                        &status);
    UpperHalf half{};
    for (std::size_t i = 0; i < half.size(); ++i) {
        const char byte = static_cast<char>(0x80 + i);
        UChar out[4];
        status = U_ZERO_ERROR;
        ucnv_reset(converter.get());
        const int32_t length = ucnv_toUChars(converter.get(), out, 4, &byte, 1, &status);
        half[i] = U_SUCCESS(status) && length == 1 ? out[0] : kReplacement;
    }
    return half;
}

constexpr UpperHalf kWindows1252 = [] {
    // 0x80-0x9F; 0 where Windows-1252 leaves the byte undefined.
    constexpr char16_t low[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    UpperHalf half{};
    for (std::size_t i = 0; i < half.size(); ++i) {
        const auto latin1 = static_cast<char16_t>(0x80 + i);
        half[i] = i < 32 && low[i] ? low[i] : latin1;
    }
    return half;
}();

}  // namespace

const UpperHalf& windows1252() {
    return kWindows1252;
}

const UpperHalf* macSingleByteTable(std::uint16_t codePage) {
    static std::mutex mutex;
    static std::map<std::uint16_t, std::optional<UpperHalf>> tables;
    for (const MacCodePage& page : macCodePages()) {
        if (page.codePage != codePage) continue;
        const std::lock_guard lock(mutex);
        auto [slot, added] = tables.try_emplace(codePage);
        if (added) {
            slot->second = readUpperHalf(page.icuName);
            if (slot->second) {
                for (const Substitution& s : page.substitutions)
                    (*slot->second)[s.byte - 0x80] = s.character;
            }
        }
        return slot->second ? &*slot->second : nullptr;
    }
    return nullptr;
}

std::string iconvName(std::uint16_t codePage) {
    switch (codePage) {
        case 367:
            return "ASCII";
        case 1252:
        case 32769:  // Excel 2.x's own Windows-1252
            return "CP1252";
        // The Mac Far East code pages: the national encodings their Mac
        // variants extend.
        case 10001:
            return "SHIFT_JIS";
        case 10002:
            return "BIG5";
        case 10003:
            return "EUC-KR";
        case 10008:
            return "GB2312";
        default:
            return "CP" + std::to_string(codePage);
    }
}

bool readsAsWindows1252(std::uint16_t codePage) {
    switch (codePage) {
        case 367:   // US-ASCII
        case 1200:  // UTF-16: not a byte code page; BIFF5 writers that claim it wrote 1252
        case 1252:
        case 32769:  // Excel 2.x's own Windows-1252
            return true;
        default:
            return false;
    }
}

}  // namespace xls::biff
