// Code pages and UTF-8 as the engine reads and writes them. The Mac code pages'
// names were encoded and decoded by Python's codecs, an independent decoder,
// for the expected text.
#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "biff/mac_code_pages.h"
#include "biff/text_encoding.h"
#include "xls/utf8.h"

namespace xls::biff {
namespace {

struct MacName {
    std::uint16_t codePage;
    std::vector<std::uint8_t> bytes;
    const char* expected;  // what Python's codec for the code page reads
};

class MacCodePageTest : public ::testing::TestWithParam<MacName> {};

TEST_P(MacCodePageTest, ReadsTheNameAsPythonDoesAndWritesItBack) {
    const MacName& c = GetParam();
    EXPECT_EQ(decodeCodePage(c.bytes, c.codePage), c.expected) << c.codePage;
    EXPECT_EQ(encodeCodePage(c.expected, c.codePage), c.bytes) << c.codePage;
}

INSTANTIATE_TEST_SUITE_P(
    Pages, MacCodePageTest,
    ::testing::Values(
        // mac_roman
        MacName{
            10000,
            {0x86, 0x62, 0x65, 0x72, 0x73, 0x69, 0x63, 0x68, 0x74, 0x20, 0x4D, 0x8A, 0x72, 0x7A},
            "Übersicht März"},
        // mac_latin2 (Central European)
        MacName{10029,
                {0x5A, 0x61, 0xFD, 0x97, 0xB8, 0x8D, 0x20, 0x80, 0x72, 0x67, 0x65, 0x72},
                "Zażółć Ärger"},
        MacName{10007,  // mac_cyrillic
                {0x8E, 0xF2, 0xF7, 0xDE, 0xF2, 0x20, 0xE7, 0xE0, 0x20, 0xE3, 0xEE, 0xE4},
                "Отчёт за год"},
        // Mac Ukrainian: Python reads it with mac_cyrillic, as Mac OS 9 merged the two
        MacName{10017, {0xA2, 0xE0, 0xED, 0xEE, 0xEA, 0x20, 0xBA, 0xE6, 0xE0, 0xEA}, "Ґанок Їжак"},
        MacName{10006,  // mac_greek
                {0xA6, 0xDD, 0xEE, 0xE1, 0xEB, 0xE1, 0xF7, 0x20, 0xDF, 0xF2, 0xE1},
                "Πίνακας Ώρα"},
        MacName{10081,  // mac_turkish
                {0xDE, 0x75, 0x62, 0x61, 0x74, 0x20, 0x47, 0x9F, 0x6E, 0x65, 0xDF},
                "Şubat Güneş"},
        MacName{10079, {0xDE, 0x97, 0x72, 0xDD, 0x75, 0x72, 0x20, 0xA0, 0x72}, "Þórður Ýr"},
        MacName{10082,  // mac_croatian
                {0xD0, 0x75, 0x72, 0xF0, 0x61, 0x20, 0xC8, 0x61, 0xE6, 0x69, 0xE6, 0x20, 0xA9, 0x65,
                 0xBE},
                "Đurđa Čaćić Šež"},
        MacName{10010,  // mac_romanian
                {0xDE, 0x61, 0x72, 0xBE, 0x20, 0xAF, 0x63, 0x6F, 0x61, 0x6C, 0xBE},
                "Țară Școală"},
        // The Mac Far East code pages, against Python's codec of the national encoding.
        MacName{10001, {0x94, 0x84, 0x8F, 0xE3, 0x95, 0x5C}, "売上表"},   // shift_jis
        MacName{10002, {0xBE, 0x50, 0xB0, 0xE2, 0xAA, 0xED}, "銷售表"},   // big5
        MacName{10003, {0xB8, 0xC5, 0xC3, 0xE2, 0xC7, 0xA5}, "매출표"},   // euc_kr
        MacName{10008, {0xCF, 0xFA, 0xCA, 0xDB, 0xB1, 0xED}, "销售表"}),  // gb2312
    [](const auto& row) { return std::to_string(row.param.codePage); });

// The engine's tables of the Mac code pages ICU has converters for, against
// those converters. On a difference, the rows to put in mac_code_pages.cpp.
TEST(MacCodePageTables, AreIcusConverters) {
    for (const auto& [codePage, converterName] :
         std::vector<std::pair<std::uint16_t, const char*>>{{10000, "macintosh"},
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
        const UpperHalf* ours = macSingleByteTable(codePage);
        ASSERT_NE(ours, nullptr) << codePage;
        if (*ours != icu) {
            std::string rows;
            for (std::size_t i = 0; i < icu.size(); ++i) {
                char cell[12];
                std::snprintf(cell, sizeof cell, "0x%04X,%c", static_cast<unsigned>(icu[i]),
                              i % 8 == 7 ? '\n' : ' ');
                rows += cell;
            }
            ADD_FAILURE() << codePage << " differs from ICU's " << converterName << ":\n" << rows;
        }
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

TEST(Utf16, ALoneSurrogateBecomesTheReplacementCharacter) {
    EXPECT_EQ(utf16ToUtf8(std::u16string{u'a', char16_t(0xD800), u'b'}), "a\uFFFDb");
}

}  // namespace
}  // namespace xls::biff
