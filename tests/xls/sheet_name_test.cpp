// The sheet-name rules and the case-blind comparison the application uses.
#include <gtest/gtest.h>

#include <unicode/uchar.h>

#include <string>

#include "biff/text_encoding.h"
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

INSTANTIATE_TEST_SUITE_P(
    Scripts, SheetNamesEqualTest,
    ::testing::Values(PairCase{"Sheet1", "SHEET1", true}, PairCase{"Sheet1", "Sheet2", false},
                      PairCase{"Sheet", "Sheet1", false}, PairCase{"", "", true},
                      PairCase{"Ärger", "äRGER", true}, PairCase{"ÀÉÎÕÜ", "àéîõü", true},
                      PairCase{"×", "÷", false}, PairCase{"Łódź", "ŁÓDŹ", true},
                      PairCase{"Œuvre", "œUVRE", true}, PairCase{"Ÿ", "ÿ", true},
                      PairCase{"ΣΟΦΙΑ", "σοφια", true}, PairCase{"Άλφα", "άλφα", true},
                      PairCase{"ΛΟΓΟΣ", "λογος", true}, PairCase{"Ёлка", "ёЛКА", true},
                      PairCase{"Данные", "ДАННЫЕ", true}, PairCase{"Ѣ", "ѣ", true},
                      PairCase{"Ա", "ա", true}, PairCase{"Ａ", "ａ", true},
                      PairCase{"ß", "ss", false}, PairCase{"Straße", "STRASSE", false},
                      PairCase{"İ", "i", false}, PairCase{"µ", "Μ", true},
                      PairCase{"日本", "日本", true}, PairCase{"日本", "日木", false}));

// ICU's simple case folding applied to each character, as an independent
// statement of which names are the same.
std::u32string simpleFolded(const char* text) {
    std::u32string folded = biff::decodeUtf8(text).value();
    for (char32_t& c : folded) c = static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), 0));
    return folded;
}

class SheetNamesAcrossUnicodeTest : public ::testing::TestWithParam<PairCase> {};

TEST_P(SheetNamesAcrossUnicodeTest, FoldsAsIcuSimpleCaseFolding) {
    const auto& c = GetParam();
    EXPECT_EQ(simpleFolded(c.a) == simpleFolded(c.b), c.equal) << "the table row is wrong";
    EXPECT_EQ(sheetNamesEqual(c.a, c.b), c.equal) << c.a << " / " << c.b;
    EXPECT_EQ(sheetNamesEqual(c.b, c.a), c.equal) << "symmetry: " << c.b << " / " << c.a;
}

// Scripts a hand-made table of Latin, Greek and Cyrillic misses, and the
// foldings that are not one character to one (which stay different names).
INSTANTIATE_TEST_SUITE_P(
    ScriptsBeyondEurope, SheetNamesAcrossUnicodeTest,
    ::testing::Values(PairCase{"Ƀalance Ǆ", "ƀALANCE ǆ", true},  // Latin Extended-B
                      PairCase{"Ȁȓ", "ȁȒ", true}, PairCase{"ǅ", "ǆ", true},
                      PairCase{"Ⴀ", "ⴀ", true},        // Georgian Asomtavruli and Nuskhuri
                      PairCase{"Აბ", "აბ", true},  // Georgian Mtavruli and Mkhedruli
                      PairCase{"Ⴀ", "ა", false},       // different letters, both "an"
                      PairCase{"ᎠᏴ", "ꭰᏼ", true},  // Cherokee
                      PairCase{"𐐀𐐁", "𐐨𐐩", true},      // Deseret, beyond the BMP
                      PairCase{"𐒰", "𐓘", true},  // Osage
                      PairCase{"𞤀", "𞤢", true},  // Adlam
                      PairCase{"Ⰰ", "ⰰ", true},        // Glagolitic
                      PairCase{"Ⲁ", "ⲁ", true},        // Coptic
                      PairCase{"Ἀθῆναι", "ἀθῆναι", true}, PairCase{"Ⅻ", "ⅻ", true},
                      PairCase{"Ⓐ", "ⓐ", true}, PairCase{"K", "k", true},  // Kelvin sign
                      PairCase{"ẞ", "ß", true}, PairCase{"ẞ", "SS", false},
                      PairCase{"ﬁle", "FILE", false}, PairCase{"ŉ", "ʼN", false},
                      PairCase{"İstanbul", "istanbul", false}, PairCase{"ı", "I", false}));

}  // namespace
}  // namespace xls
