#include "biff/code_page_converter.h"

namespace xls::biff {

namespace {

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
