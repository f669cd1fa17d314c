// The drawing records of a copied sheet: which records make up each drawing,
// where the drawing group goes in the globals, the fonts of text objects,
// the formulas of objects, and the table indices of embedded charts.
#include <gtest/gtest.h>

#include "ops/copy/chart_records.h"
#include "ops/copy/text_object_fonts.h"
#include "ops/drawing_records.h"
#include "ops/obj_formula_fields.h"
#include "ops/record_runs.h"
#include "support/copy_record_bytes.h"
#include "xls/error.h"

namespace xls::ops {
namespace {

using Bytes = std::vector<std::uint8_t>;
using R = biff::RecordType;

using tarnvale::testing::operator+;
using tarnvale::testing::rec;
using tarnvale::testing::u16s;

// A TxO of cch characters, runs bytes of formatting runs, and ifntEmpty.
model::Record txo(std::uint32_t cch, std::uint32_t runs, std::uint32_t ifntEmpty = 0) {
    return rec(R::TxO, u16s({0x212, 0, 0, 0, 0, cch, runs, ifntEmpty, 0}));
}

TEST(DrawingPieces, FollowsTheSheetAndEachChartApart) {
    // The drawing goes on in Continue records after an Obj, after a TxO once
    // its text (2 characters) and runs (16 bytes) are past, and after the EOF
    // of an embedded chart.
    const std::vector<model::Record> records = {rec(R::BOF),
                                                rec(R::MsoDrawing),
                                                rec(R::Continue),
                                                rec(R::Obj),
                                                rec(R::Continue),
                                                rec(R::MsoDrawing),
                                                txo(2, 16),
                                                rec(R::Continue, {0, 'a'}),
                                                rec(R::Continue, {1, 'b', 0}),
                                                rec(R::Continue, Bytes(16)),
                                                rec(R::Continue),
                                                rec(R::BOF),
                                                rec(R::MsoDrawing),
                                                rec(R::EOF_),
                                                rec(R::Continue),
                                                rec(R::TxO),
                                                rec(R::Continue),
                                                rec(R::MsoDrawing),
                                                rec(R::EOF_)};
    const auto pieces = drawingPieces(records);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].records, (std::vector<std::size_t>{1, 2, 4, 5, 10, 14, 17}));
    EXPECT_EQ(pieces[1].records, (std::vector<std::size_t>{12}));
    EXPECT_EQ(pieces[1].depth, 2u);
}

TEST(DrawingGroupPlace, CutsLongGroupsAndGoesAheadOfTheStrings) {
    model::Substream globals;
    globals.records = {rec(R::BOF), rec(R::Country), rec(R::SST), rec(R::EOF_)};
    const Bytes big(20000, 7);
    replaceDrawingGroup(globals, big);
    std::vector<R> types;
    for (const auto& r : globals.records) types.push_back(r.type);
    EXPECT_EQ(types, (std::vector<R>{R::BOF, R::Country, R::MsoDrawingGroup, R::Continue,
                                     R::Continue, R::SST, R::EOF_}));
    EXPECT_EQ(drawingGroupBytes(globals), big);
    replaceDrawingGroup(globals, Bytes(10, 1));  // the old group goes whole
    EXPECT_EQ(globals.records.size(), 5u);
    EXPECT_EQ(drawingGroupBytes(globals), Bytes(10, 1));
}

struct FontCase {
    const char* name;
    std::vector<model::Record> records;
    std::vector<model::Record> expected;  // empty: refused, records left
};

class TextObjectFontsTest : public ::testing::TestWithParam<FontCase> {};

TEST_P(TextObjectFontsTest, MapsEveryRunButTheLast) {
    SCOPED_TRACE(GetParam().name);
    const IndexMap fonts = {10, 11, 12, 13, copy::kUnmapped, 15, 16};
    std::vector<model::Record> records = GetParam().records;
    if (GetParam().expected.empty()) {
        EXPECT_THROW(copy::remapTextObjectFonts(records, fonts), Error);
        return;
    }
    copy::remapTextObjectFonts(records, fonts);
    EXPECT_EQ(records, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextObjectFontsTest,
    ::testing::Values(FontCase{"runs after text in two records",
                               {txo(5, 24), rec(R::Continue, {0, 'a', 'b'}),
                                rec(R::Continue, {1, 'c', 0, 'd', 0, 'e', 0}),
                                rec(R::Continue, u16s({0, 1, 0, 0, 3, 5, 0, 0, 5, 2, 0, 0}))},
                               {txo(5, 24), rec(R::Continue, {0, 'a', 'b'}),
                                rec(R::Continue, {1, 'c', 0, 'd', 0, 'e', 0}),
                                rec(R::Continue, u16s({0, 11, 0, 0, 3, 15, 0, 0, 5, 2, 0, 0}))}},
                      FontCase{"empty text keeps its font", {txo(0, 0, 6)}, {txo(0, 0, 16)}},
                      FontCase{"a font the workbook lacks",
                               {txo(1, 16), rec(R::Continue, {0, 'a'}),
                                rec(R::Continue, u16s({0, 4, 0, 0, 1, 0, 0, 0}))},
                               {}},
                      FontCase{"text cut short", {txo(4, 16), rec(R::Continue, {0, 'a'})}, {}}));

TEST(ObjFormulaFields, FindsMacrosLinksAndRanges) {
    const Bytes cmo = u16s({0x15, 0x12, 0x12, 1, 0}) + Bytes(12, 0);
    const Bytes ref3d = {0x3A, 1, 0, 2, 0, 3, 0};               // PtgRef3d, 7 bytes
    const Bytes fmla = u16s({14, 7, 0, 0}) + ref3d + Bytes{0};  // cbFmla, cce, unused, rgce, pad
    const Bytes payload = cmo + u16s({0x04}) + fmla + u16s({0x0C, 2, 0}) + u16s({0x14}) + fmla +
                          u16s({0x13, 0}) + fmla + u16s({0, 0});
    const auto fields = objFormulaFields(payload);
    ASSERT_EQ(fields.size(), 3u);
    for (const auto& f : fields) {
        EXPECT_EQ(f.size, 7u);
        EXPECT_EQ(Bytes(payload.begin() + static_cast<std::ptrdiff_t>(f.offset),
                        payload.begin() + static_cast<std::ptrdiff_t>(f.offset + f.size)),
                  ref3d);
    }
    EXPECT_EQ(objKind(payload), 0x12);
    EXPECT_TRUE(objHasPart(payload, 0x0C));
    EXPECT_FALSE(objHasPart(payload, 0x09));
    // A part that runs past the record ends the walk with what was found.
    const Bytes cut = cmo + u16s({0x04}) + fmla + u16s({0x14, 40}) + Bytes(4, 0);
    EXPECT_EQ(objFormulaFields(cut).size(), 1u);
}

}  // namespace
}  // namespace xls::ops

namespace xls::ops::copy {
namespace {

TEST(ChartRecords, ReadFontsFormatsAndColoursFromTheDestination) {
    FormatMergePlan plan;
    plan.fonts = {10, 11, 12, 13, kUnmapped, 15, 16};
    plan.ifmts.assign(200, kUnmapped);
    plan.ifmts[170] = 190;
    plan.colours.icvs.assign(64, kUnmapped);
    plan.colours.icvs[10] = 20;
    plan.colours.icvs[12] = 22;
    const auto r = [](std::uint16_t type, Bytes payload) {
        return model::Record(static_cast<biff::RecordType>(type), std::move(payload));
    };
    std::vector<model::Record> records = {
        r(0x1026, u16s({5})),  // FontX
        r(0x104E, u16s({170})),
        r(0x104E, u16s({14})),                       // custom, built-in
        r(0x1007, u16s({0, 0, 0, 0, 0, 10})),        // LineFormat
        r(0x100A, Bytes(12, 0) + u16s({12, 0x4D})),  // AreaFormat; system colour
        r(0x1025, Bytes(26, 0) + u16s({10, 0})),     // Text
        r(0x1060, u16s({0, 0, 0, 0, 1}))};           // Fbi
    const ChartUse use = chartUse(records);
    EXPECT_EQ(use.ifmts, (std::set<std::uint16_t>{14, 170}));
    EXPECT_EQ(use.colours, (std::set<std::uint16_t>{10, 12, 0x4D}));
    EXPECT_EQ(remapChartRecords(records, plan), 6u);
    const std::vector<std::uint16_t> expected = {15, 190, 14, 20, 22, 20, 11};
    const std::vector<std::size_t> at = {0, 0, 0, 10, 12, 26, 8};
    for (std::size_t i = 0; i < records.size(); ++i)
        EXPECT_EQ(readU16(records[i].payload, at[i], "chart"), expected[i]) << i;
    EXPECT_EQ(readU16(records[4].payload, 14, "chart"), 0x4D);
    std::vector<model::Record> lacking = {r(0x1026, u16s({4}))};
    EXPECT_THROW(remapChartRecords(lacking, plan), Error);
}

}  // namespace
}  // namespace xls::ops::copy
