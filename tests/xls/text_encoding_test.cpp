// Text as the engine reads, writes and compares it: code pages, UTF-8, the
// sheet-name rules and the case-blind comparison of sheet names.
#include <gtest/gtest.h>

#include <unicode/ucnv.h>

#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "biff/code_page_converter.h"
#include "biff/mac_code_pages.h"
#include "biff/text_encoding.h"
#include "xls/sheet_name.h"
#include "xls/utf8.h"

namespace xls {
namespace {

using enum ErrorCode;
using namespace biff;

struct CodePageText {
    std::uint16_t codePage;
    std::string bytes;
    const char* expected;    // what Python's codec for the code page reads
    bool writesBack = true;  // encoding the text gives the bytes again
};

class CodePageTest : public ::testing::TestWithParam<CodePageText> {};

TEST_P(CodePageTest, ReadsTheTextAsPythonDoesAndWritesItBack) {
    const CodePageText& c = GetParam();
    const std::vector<std::uint8_t> bytes(c.bytes.begin(), c.bytes.end());
    EXPECT_EQ(decodeCodePage(bytes, c.codePage), c.expected);
    if (c.writesBack) {
        EXPECT_EQ(encodeCodePage(c.expected, c.codePage), bytes);
    }
}

// Python's codecs: mac_cyrillic (Mac Ukrainian), mac_iceland, mac_croatian,
// mac_romanian, and shift_jis, big5, euc_kr, gb2312 for the Mac Far East pages.
INSTANTIATE_TEST_SUITE_P(
    Pages, CodePageTest,
    ::testing::Values(CodePageText{10017, "\242\340\355\356\352 \272\346\340\352", "Ґанок Їжак"},
                      CodePageText{10079, "\336\227r\335ur \240r", "Þórður Ýr"},
                      CodePageText{10082, "\320ur\360a \310a\346i\346 \251e\276",
                                   "Đurđa Čaćić Šež"},
                      CodePageText{10010, "\336ar\276 \257coal\276", "Țară Școală"},
                      CodePageText{10001, "\224\204\217\343\225\134", "売上表"},
                      CodePageText{10002, "\276P\260\342\252\355", "銷售表"},
                      CodePageText{10003, "\270\305\303\342\307\245", "매출표"},
                      CodePageText{10008, "\317\372\312\333\261\355", "销售表"},
                      CodePageText{1252, "\x80\xE9", "€é"}, CodePageText{32769, "\x80", "€"},
                      CodePageText{1251, "\xCB\xE8\xF1\xF2", "Лист"},
                      CodePageText{932, "\x82\xA0", "あ"},
                      CodePageText{932, "\x82", "\uFFFD", false}),  // cut-short double byte
    [](const auto& row) {
        return std::to_string(row.param.codePage) + "_" + std::to_string(row.index);
    });

// The single-byte tables against ICU's converters.
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

// The Mac pages ICU has no converter for, whole: bytes 0x80-0xFF as Python's
// mac_iceland, mac_croatian and mac_romanian read them.
TEST(SingleByteTables, AreWhatPythonReads) {
    const std::pair<std::uint16_t, const char*> pages[] = {
        {10079,
         "ÄÅÇÉÑÖÜáàâäãåçéèêëíìîïñóòôöõúùûüÝ°¢£§•¶ß®©™´¨≠ÆØ∞±≤≥¥µ∂∑∏π∫ªºΩæø¿¡¬√ƒ≈∆«»…\u00A0ÀÃÕŒœ–—“”"
         "‘’÷◊ÿŸ⁄€ÐðÞþý·‚„‰ÂÊÁËÈÍÎÏÌÓÔ\uF8FFÒÚÛÙıˆ˜¯˘˙˚¸˝˛ˇ"},
        {10082,
         "ÄÅÇÉÑÖÜáàâäãåçéèêëíìîïñóòôöõúùûü†°¢£§•¶ß®Š™´¨≠ŽØ∞±≤≥∆µ∂∑∏š∫ªºΩžø¿¡¬√ƒ≈Ć«Č…\u00A0ÀÃÕŒœĐ—“”"
         "‘’÷◊\uF8FF©⁄€‹›Æ»–·‚„‰ÂćÁčÈÍÎÏÌÓÔđÒÚÛÙıˆ˜¯πË˚¸Êæˇ"},
        {10010,
         "ÄÅÇÉÑÖÜáàâäãåçéèêëíìîïñóòôöõúùûü†°¢£§•¶ß®©™´¨≠ĂȘ∞±≤≥¥µ∂∑∏π∫ªºΩăș¿¡¬√ƒ≈∆«»…\u00A0ÀÃÕŒœ–—“”"
         "‘’÷◊ÿŸ⁄€‹›Țț‡·‚„‰ÂÊÁËÈÍÎÏÌÓÔ\uF8FFÒÚÛÙıˆ˜¯˘˙˚¸˝˛ˇ"},
    };
    std::vector<std::uint8_t> upperHalf(128);
    std::iota(upperHalf.begin(), upperHalf.end(), std::uint8_t{0x80});
    for (const auto& [codePage, expected] : pages)
        EXPECT_EQ(decodeCodePage(upperHalf, codePage), expected) << codePage;
}

TEST(CodePages, AnUnknownOneReadsAsWindows1252AndWritesAscii) {
    EXPECT_EQ(decodeCodePage(std::vector<std::uint8_t>{0x41, 0x80, 0x81}, 10004), "A€\u0081");
    EXPECT_EQ(encodeCodePage("Aé€", 10004), (std::vector<std::uint8_t>{'A', '?', '?'}));
    // A letter the code page has no byte for is written as '?', one per character.
    EXPECT_EQ(encodeCodePage("Ω𝄞x", 10029), (std::vector<std::uint8_t>{'?', '?', 'x'}));
    EXPECT_EQ(encodeCodePage("Ω𝄞x", 1250), (std::vector<std::uint8_t>{'?', '?', 'x'}));
}

// The one UTF-8 rule every reader of text follows.
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

struct NameCase {
    const char* name;
    std::optional<ErrorCode> expected;
};

class CheckSheetNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(CheckSheetNameTest, AppliesTheRule) {
    EXPECT_EQ(checkSheetName(GetParam().name), GetParam().expected) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CheckSheetNameTest,
    ::testing::Values(
        NameCase{"Sheet1", std::nullopt}, NameCase{"", SheetNameEmpty}, NameCase{"a", std::nullopt},
        NameCase{"1234567890123456789012345678901", std::nullopt},
        NameCase{"12345678901234567890123456789012", SheetNameTooLong},
        // 31 Cyrillic letters: 62 bytes, 31 UTF-16 units.
        NameCase{"ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ", std::nullopt},
        // 16 characters outside the BMP are 32 UTF-16 units.
        NameCase{"😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀", SheetNameTooLong}, NameCase{"a:b", SheetNameBadCharacter},
        NameCase{"a\\b", SheetNameBadCharacter}, NameCase{"a/b", SheetNameBadCharacter},
        NameCase{"a?b", SheetNameBadCharacter}, NameCase{"a*b", SheetNameBadCharacter},
        NameCase{"[a", SheetNameBadCharacter}, NameCase{"a]", SheetNameBadCharacter},
        NameCase{"a\x01", SheetNameBadCharacter}, NameCase{"bad\xC3", SheetNameBadCharacter},
        NameCase{"over\xC0\xAFlong", SheetNameBadCharacter}, NameCase{"'a", SheetNameApostrophe},
        NameCase{"a'", SheetNameApostrophe}, NameCase{"'", SheetNameApostrophe},
        NameCase{"it's", std::nullopt}, NameCase{"History", SheetNameReserved},
        NameCase{"hISTORY", SheetNameReserved}, NameCase{"History2", std::nullopt},
        NameCase{" History", std::nullopt}));

struct PairCase {
    const char* a;
    const char* b;
    bool equal;
};

class SheetNamesEqualTest : public ::testing::TestWithParam<PairCase> {};

TEST_P(SheetNamesEqualTest, FoldsCase) {
    const auto& c = GetParam();
    EXPECT_EQ(sheetNamesEqual(c.a, c.b), c.equal) << c.a << " / " << c.b;
    EXPECT_EQ(sheetNamesEqual(c.b, c.a), c.equal) << "symmetry: " << c.b << " / " << c.a;
}

// Simple case folding; foldings not one to one or by language keep names apart.
INSTANTIATE_TEST_SUITE_P(
    Scripts, SheetNamesEqualTest,
    ::testing::Values(PairCase{"Sheet1", "SHEET1", true}, PairCase{"Sheet1", "Sheet2", false},
                      PairCase{"Sheet", "Sheet1", false}, PairCase{"", "", true},
                      PairCase{"Ärger", "äRGER", true}, PairCase{"×", "÷", false},
                      PairCase{"Ÿ", "ÿ", true}, PairCase{"ΛΟΓΟΣ", "λογος", true},
                      PairCase{"µ", "Μ", true}, PairCase{"Данные", "ДАННЫЕ", true},
                      PairCase{"Ａ", "ａ", true}, PairCase{"K", "k", true},  // Kelvin sign
                      PairCase{"𐐀𐐁", "𐐨𐐩", true},                            // Deseret
                      PairCase{"ǅ", "ǆ", true}, PairCase{"Ⴀ", "ა", false}, PairCase{"ẞ", "ß", true},
                      PairCase{"ß", "ss", false}, PairCase{"Straße", "STRASSE", false},
                      PairCase{"ﬁle", "FILE", false}, PairCase{"İ", "i", false},
                      PairCase{"ı", "I", false}, PairCase{"日本", "日本", true},
                      PairCase{"日本", "日木", false},
                      // Malformed text equals identical bytes only.
                      PairCase{"x\xFF", "x\xFF", true}, PairCase{"x\xFF", "X\xFF", false},
                      PairCase{"x\xFF", "x\xC3\xBF", false}));

}  // namespace
}  // namespace xls
