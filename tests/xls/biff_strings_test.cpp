// String encodings: compressed and 16-bit characters, rich and phonetic data,
// character data split across Continue records, code pages.
#include <gtest/gtest.h>

#include "biff/strings.h"
#include "biff/text_encoding.h"

namespace xls::biff {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct StringCase {
    const char* what;
    Bytes bytes;
    std::vector<std::size_t> continueStarts;
    std::string expected;  // UTF-8
};

void PrintTo(const StringCase& c, std::ostream* os) {
    *os << c.what;
}

class XLUnicodeStringTest : public ::testing::TestWithParam<StringCase> {};

TEST_P(XLUnicodeStringTest, ReadsAsUtf8AndConsumesExactly) {
    const StringCase& c = GetParam();
    ContinuedReader reader(c.bytes, c.continueStarts);
    EXPECT_EQ(readString(reader, StringForm::Unicode).utf8(), c.expected);
    EXPECT_TRUE(reader.atEnd());
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, XLUnicodeStringTest,
    ::testing::Values(
        StringCase{"compressed", {3, 0, 0, 'a', 'b', 'c'}, {}, "abc"},
        StringCase{"compressed Latin-1", {2, 0, 0, 0xE9, 0xFF}, {}, "\xC3\xA9\xC3\xBF"},
        StringCase{"16-bit", {2, 0, 1, 0x16, 0x04, 0x41, 0x04}, {}, "\xD0\x96\xD1\x81"},
        StringCase{"surrogate pair", {2, 0, 1, 0x3D, 0xD8, 0x00, 0xDE}, {}, "\xF0\x9F\x98\x80"},
        StringCase{"lone surrogate", {1, 0, 1, 0x3D, 0xD8}, {}, "\xEF\xBF\xBD"},
        StringCase{"empty", {0, 0, 0}, {}, ""},
        StringCase{"compressed then 16-bit after Continue",
                   {3, 0, 0, 'a', 1, 0x16, 0x04, 0x41, 0x04},
                   {4},
                   "a\xD0\x96\xD1\x81"},
        StringCase{"16-bit then compressed after Continue",
                   {2, 0, 1, 0x16, 0x04, 0, 'z'},
                   {5},
                   "\xD0\x96z"},
        StringCase{
            "header alone, characters after a flags byte", {2, 0, 0, 0, 'h', 'i'}, {3}, "hi"},
        StringCase{"string starting at a boundary", {1, 0, 0, 'q'}, {0}, "q"}));

TEST(RichExtendedString, ReadsRunsAndPhoneticDataAcrossAContinue) {
    // cch 2, fRichSt|fExtSt, cRun 1, cbExtRst 3, "ab" | runs and ExtRst continue without flags
    Bytes bytes{2, 0, 0x0C, 1, 0, 3, 0, 0, 0, 'a', 'b', 1, 0, 5, 0, 0xAA, 0xBB, 0xCC};
    const std::vector<std::size_t> starts{13};
    ContinuedReader reader(bytes, starts);
    XLString s = readString(reader, StringForm::RichExtended);
    EXPECT_EQ(s.utf8(), "ab");
    EXPECT_EQ(s.formatRuns(), (std::vector<FormatRun>{{1, 5}}));
    EXPECT_EQ(s.extRst, (Bytes{0xAA, 0xBB, 0xCC}));
    EXPECT_TRUE(reader.atEnd());
}

struct CodePageCase {
    std::uint16_t codePage;
    Bytes bytes;
    std::string expected;
};

class CodePageTest : public ::testing::TestWithParam<CodePageCase> {};

TEST_P(CodePageTest, DecodesToUtf8) {
    const CodePageCase& c = GetParam();
    EXPECT_EQ(decodeCodePage(c.bytes, c.codePage), c.expected) << c.codePage;
}

INSTANTIATE_TEST_SUITE_P(
    Pages, CodePageTest,
    ::testing::Values(CodePageCase{1252, {0x80, 0xE9}, "\xE2\x82\xAC\xC3\xA9"},
                      CodePageCase{32769, {0x80}, "\xE2\x82\xAC"},
                      CodePageCase{
                          1251, {0xCB, 0xE8, 0xF1, 0xF2}, "\xD0\x9B\xD0\xB8\xD1\x81\xD1\x82"},
                      CodePageCase{932, {0x82, 0xA0}, "\xE3\x81\x82"},  // hiragana a
                      CodePageCase{932, {0x82}, "\xEF\xBF\xBD"}));      // cut-short double byte

}  // namespace
}  // namespace xls::biff
