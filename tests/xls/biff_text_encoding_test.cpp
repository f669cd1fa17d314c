// Code pages and UTF-8 as the engine reads and writes them. The Mac code pages'
// names were encoded and decoded by Python's codecs, an independent decoder,
// for the expected text.
#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <memory>
#include <string>
#include <vector>

#include "biff/code_page_converter.h"
#include "biff/mac_code_pages.h"
#include "biff/text_encoding.h"
#include "xls/utf8.h"

namespace xls::biff {
namespace {

struct MacName {
    std::uint16_t codePage;
    std::string bytes;
    const char* expected;  // what Python's codec for the code page reads
};

class MacCodePageTest : public ::testing::TestWithParam<MacName> {};

TEST_P(MacCodePageTest, ReadsTheNameAsPythonDoesAndWritesItBack) {
    const MacName& c = GetParam();
    const std::vector<std::uint8_t> bytes(c.bytes.begin(), c.bytes.end());
    EXPECT_EQ(decodeCodePage(bytes, c.codePage), c.expected) << c.codePage;
    EXPECT_EQ(encodeCodePage(c.expected, c.codePage), bytes) << c.codePage;
}

// Python's codecs, by code page: mac_cyrillic (for Mac Ukrainian, which it has
// held since Mac OS 9), mac_iceland, mac_croatian, mac_romanian; for the Mac Far
// East code pages, the national encodings they extend: shift_jis, big5, euc_kr,
// gb2312. The pages ICU has converters for are checked whole below.
INSTANTIATE_TEST_SUITE_P(
    Pages, MacCodePageTest,
    ::testing::Values(MacName{10017, "\242\340\355\356\352 \272\346\340\352", "Ґанок Їжак"},
                      MacName{10079, "\336\227r\335ur \240r", "Þórður Ýr"},
                      MacName{10082, "\320ur\360a \310a\346i\346 \251e\276", "Đurđa Čaćić Šež"},
                      MacName{10010, "\336ar\276 \257coal\276", "Țară Școală"},
                      MacName{10001, "\224\204\217\343\225\134", "売上表"},
                      MacName{10002, "\276P\260\342\252\355", "銷售表"},
                      MacName{10003, "\270\305\303\342\307\245", "매출표"},
                      MacName{10008, "\317\372\312\333\261\355", "销售表"}),
    [](const auto& row) { return std::to_string(row.param.codePage); });

// The engine's tables of Windows-1252 and of the Mac code pages ICU has
// converters for, against those converters.
TEST(SingleByteTables, AreIcusConverters) {
    for (const auto& [codePage, converterName] :
         std::vector<std::pair<std::uint16_t, const char*>>{{1252, "windows-1252"},
                                                            {10000, "macintosh"},
                                                            {10029, "x-mac-centraleurroman"},
                                                            {10007, "x-mac-cyrillic"},
                                                            {10006, "x-mac-greek"},
                                                            {10081, "x-mac-turkish"}}) {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<UConverter, decltype(&ucnv_close)> converter(
            ucnv_open(converterName, &status), &ucnv_close);
        ASSERT_TRUE(U_SUCCESS(status)) << converterName;
        UpperHalf icu{};
        for (std::size_t i = 0; i < icu.size(); ++i) {
            const char byte = static_cast<char>(0x80 + i);
            UChar out[4];
            ucnv_reset(converter.get());
            ASSERT_EQ(ucnv_toUChars(converter.get(), out, 4, &byte, 1, &status), 1);
            icu[i] = out[0];
        }
        const UpperHalf* ours = codePage == 1252 ? &windows1252() : macSingleByteTable(codePage);
        ASSERT_NE(ours, nullptr) << codePage;
        for (std::size_t i = 0; i < icu.size(); ++i)
            EXPECT_EQ((*ours)[i], icu[i])
                << codePage << " byte " << 0x80 + i << ": " << converterName;
    }
}

TEST(CodePages, AnUnknownOneReadsAsWindows1252AndWritesAscii) {
    EXPECT_EQ(decodeCodePage(std::vector<std::uint8_t>{0x41, 0x80, 0x81}, 10004), "A€\u0081");
    EXPECT_EQ(encodeCodePage("Aé€", 10004), (std::vector<std::uint8_t>{'A', '?', '?'}));
    // A letter the code page has no byte for is written as '?', one per character.
    EXPECT_EQ(encodeCodePage("Ω𝄞x", 10029), (std::vector<std::uint8_t>{'?', '?', 'x'}));
    EXPECT_EQ(encodeCodePage("Ω𝄞x", 1250), (std::vector<std::uint8_t>{'?', '?', 'x'}));
}

// The one UTF-8 rule: what the command line, the sheet-name checks and the
// conversions take as text.
struct Utf8Case {
    const char* text;
    bool wellFormed;
    std::u16string asUtf16;  // ill-formed sequences as U+FFFD
};

class Utf8Test : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Test, OneRuleForEveryReader) {
    const Utf8Case& c = GetParam();
    EXPECT_EQ(isUtf8(c.text), c.wellFormed);
    EXPECT_EQ(decodeUtf8(c.text).has_value(), c.wellFormed);
    EXPECT_EQ(utf8ToUtf16(c.text), c.asUtf16);
    if (c.wellFormed) {
        EXPECT_EQ(utf16ToUtf8(c.asUtf16), c.text);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, Utf8Test,
    ::testing::Values(Utf8Case{"Ab", true, u"Ab"}, Utf8Case{"é€𝄞", true, u"é€𝄞"},
                      Utf8Case{"a\xFF", false, u"a\uFFFD"},                    // not a lead byte
                      Utf8Case{"\x80z", false, u"\uFFFDz"},                    // stray continuation
                      Utf8Case{"\xC0\xAF", false, u"\uFFFD\uFFFD"},            // overlong '/'
                      Utf8Case{"\xED\xA0\x80", false, u"\uFFFD\uFFFD\uFFFD"},  // a surrogate
                      Utf8Case{"\xE2\x82", false, u"\uFFFD"},                  // cut short
                      Utf8Case{"\xF4\x90\x80\x80", false, u"\uFFFD\uFFFD\uFFFD\uFFFD"}));

}  // namespace
}  // namespace xls::biff
