// The sheet-name rules and the case-blind comparison the application uses.
#include <gtest/gtest.h>

#include <string>

#include "xls/sheet_name.h"

namespace xls {
namespace {

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
    ::testing::Values(NameCase{"Sheet1", std::nullopt}, NameCase{"", ErrorCode::SheetNameEmpty},
                      NameCase{"a", std::nullopt},
                      NameCase{"1234567890123456789012345678901", std::nullopt},
                      NameCase{"12345678901234567890123456789012", ErrorCode::SheetNameTooLong},
                      // 31 Cyrillic letters: 62 bytes, 31 UTF-16 units.
                      NameCase{"ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ", std::nullopt},
                      // 16 characters outside the BMP are 32 UTF-16 units.
                      NameCase{"😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀", ErrorCode::SheetNameTooLong},
                      NameCase{"a:b", ErrorCode::SheetNameBadCharacter},
                      NameCase{"a\\b", ErrorCode::SheetNameBadCharacter},
                      NameCase{"a/b", ErrorCode::SheetNameBadCharacter},
                      NameCase{"a?b", ErrorCode::SheetNameBadCharacter},
                      NameCase{"a*b", ErrorCode::SheetNameBadCharacter},
                      NameCase{"[a", ErrorCode::SheetNameBadCharacter},
                      NameCase{"a]", ErrorCode::SheetNameBadCharacter},
                      NameCase{"a\x01", ErrorCode::SheetNameBadCharacter},
                      NameCase{"bad\xC3", ErrorCode::SheetNameBadCharacter},
                      NameCase{"over\xC0\xAFlong", ErrorCode::SheetNameBadCharacter},
                      NameCase{"'a", ErrorCode::SheetNameApostrophe},
                      NameCase{"a'", ErrorCode::SheetNameApostrophe},
                      NameCase{"'", ErrorCode::SheetNameApostrophe}, NameCase{"it's", std::nullopt},
                      NameCase{"History", ErrorCode::SheetNameReserved},
                      NameCase{"hISTORY", ErrorCode::SheetNameReserved},
                      NameCase{"History2", std::nullopt}, NameCase{" History", std::nullopt}));

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

// One row for each way names can be alike: ASCII, Latin-1 and letters whose
// case pairs lie outside it, final sigma and the micro sign (folded to other
// letters), beyond the BMP, title case, and the foldings that are not one
// character to one or depend on the language (which stay different names).
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
