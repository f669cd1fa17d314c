// The formula walker sizes every BIFF8 token and rewrites references in place
// without changing any token's length; malformed token arrays are refused.
#include <gtest/gtest.h>

#include <vector>

#include "biff/formula_rewrite.h"
#include "biff/formula_tokens.h"
#include "xls/error.h"

namespace xls::biff {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::vector<std::size_t> sizesOf(const Bytes& rgce) {
    std::vector<std::size_t> sizes;
    for (const auto& t : walkFormulaTokens(rgce)) sizes.push_back(t.size);
    return sizes;
}

struct SizeCase {
    const char* what;
    Bytes rgce;
    std::vector<std::size_t> sizes;
};

// Tokens the corpus formulas hardly hold; the common ones are sized on every
// corpus formula by the copy and edit sweeps.
class TokenSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(TokenSizeTest, SplitsIntoTokens) {
    EXPECT_EQ(sizesOf(GetParam().rgce), GetParam().sizes);
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, TokenSizeTest,
    ::testing::Values(SizeCase{"memory area guards its subexpression",
                               {0x26, 0, 0, 0, 0, 7, 0, 0x3A, 0, 0, 1, 0, 1, 0, 0x29, 1, 0, 0x15},
                               {7, 7, 3, 1}},
                      SizeCase{"natural-language and pivot names",
                               {0x18, 0x01, 0, 0, 0, 0, 0x18, 0x1D, 1, 0, 0, 0},
                               {6, 6}}));

class MalformedFormulaTest : public ::testing::TestWithParam<Bytes> {};

TEST_P(MalformedFormulaTest, IsRefusedWithoutChange) {
    Bytes rgce = GetParam();
    const Bytes before = rgce;
    try {
        walkFormulaTokens(rgce);
        FAIL() << "accepted a malformed formula";
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), ErrorCode::CorruptWorkbook);
    }
    FormulaEdits edits;
    edits.ixti = [](std::uint16_t) { return std::optional<std::uint16_t>(9); };
    EXPECT_THROW(rewriteFormula(rgce, edits), Error);
    EXPECT_EQ(rgce, before);
}

INSTANTIATE_TEST_SUITE_P(Malformed, MalformedFormulaTest,
                         ::testing::Values(Bytes{0x00}, Bytes{0x1A}, Bytes{0x2E, 0, 0, 0, 0},
                                           Bytes{0x80}, Bytes{0x3A, 0, 0, 1},
                                           Bytes{0x3A, 1, 0, 0, 0, 0, 0, 0x24, 0},
                                           Bytes{0x17, 0x05, 0x00, 'a'}, Bytes{0x17}, Bytes{0x19},
                                           Bytes{0x19, 0x03, 0x15, 0x15},
                                           Bytes{0x19, 0x04, 0xFF, 0xFF, 0, 0},
                                           Bytes{0x18, 0x05, 0, 0, 0, 0}));

TEST(FormulaRewrite, RenumbersIxtiOfEveryThreeDimensionalToken) {
    // Sheet2!A1 + SUM(Sheet3!A1:B2) + #REF!3d + NameX
    Bytes rgce{0x3A, 1,    0, 0, 0, 0, 0, 0x3B, 2,    0, 0, 0, 1, 0, 0, 0,   1,
               0,    0x3C, 1, 0, 0, 0, 0, 0,    0x39, 1, 0, 5, 0, 0, 0, 0x03};
    FormulaEdits edits;
    edits.ixti = [](std::uint16_t ixti) -> std::optional<std::uint16_t> {
        if (ixti == 1) return 4;
        return std::nullopt;
    };
    EXPECT_TRUE(rewriteFormula(rgce, edits));
    EXPECT_EQ(rgce[1], 4);
    EXPECT_EQ(rgce[8], 2);   // ixti 2 left alone
    EXPECT_EQ(rgce[19], 4);  // PtgRefErr3d
    EXPECT_EQ(rgce[26], 4);  // PtgNameX
    EXPECT_EQ(rgce[28], 5);  // its name index untouched
    EXPECT_FALSE(rewriteFormula(rgce, edits)) << "nothing left to change";
}

TEST(FormulaRewrite, RenumbersAndRemovesNames) {
    // Name #2 + Name #3 (value class) + NameX(ixti 0, name #3) + Name #7
    Bytes rgce{0x23, 2, 0, 0, 0, 0x43, 3, 0, 0, 0, 0x59, 0, 0, 3, 0, 0, 0, 0x23, 7, 0, 0, 0};
    FormulaEdits edits;
    edits.name = [](std::uint32_t index) -> std::optional<std::uint32_t> {
        if (index == 3) return 0;  // removed
        if (index > 3) return index - 1;
        return std::nullopt;
    };
    edits.nameX = [&](std::uint16_t, std::uint32_t index) { return edits.name(index); };
    EXPECT_TRUE(rewriteFormula(rgce, edits));
    const Bytes expected{0x23, 2, 0, 0, 0, 0x4A, 0,    0, 0, 0, 0x5C,
                         0,    0, 0, 0, 0, 0,    0x23, 6, 0, 0, 0};
    EXPECT_EQ(rgce, expected);
    EXPECT_EQ(walkFormulaTokens(rgce).size(), 4u) << "still four tokens of the same sizes";
}

}  // namespace
}  // namespace xls::biff
