// The values a copied sheet's formulas read from the source's other sheets:
// which cells they read, and the XCT and CRN records caching them.
#include <gtest/gtest.h>

#include "ops/copy/external_cache.h"
#include "support/copy_record_bytes.h"
#include "support/ops_test_workbook.h"

namespace xls::ops::copy {
namespace {

using biff::RecordType;
using tarnvale::testing::operator+;
using tarnvale::testing::rec;
using tarnvale::testing::u16s;
using Bytes = std::vector<std::uint8_t>;

// Row 0, a column, the default XF.
Bytes cell(std::uint16_t col) {
    return u16s({0, col, 15});
}

// A formula of no tokens whose cached result is the eight bytes given.
model::Record formulaResult(std::uint16_t col, Bytes result) {
    return rec(RecordType::Formula, cell(col) + result + u16s({0, 0, 0, 0}));
}

TEST(ExternalCache, CachesWhatTheFormulasReadOnTheSourcesOtherSheets) {
    auto source = testing::threeSheets();
    // A's formula reads B!A1 (row 0, column 0).
    const auto areas = externalAreas(source.globals, CopiedSheet(source.substreams[0]), 0, {});
    ASSERT_EQ(areas.size(), 1u);
    ASSERT_EQ(areas.at(1).size(), 1u);
    const CellArea& a1 = areas.at(1)[0];
    EXPECT_EQ(a1.rowFirst | a1.rowLast | a1.colFirst | a1.colLast, 0);

    // B's first row: 1.5, "hi", TRUE, then formulas giving "s", TRUE and #DIV/0!.
    auto& b = source.substreams[1].records;
    b.insert(b.begin() + 1, {rec(RecordType::Number, cell(0) + Bytes{0, 0, 0, 0, 0, 0, 0xF8, 0x3F}),
                             rec(RecordType::Label, cell(1) + Bytes{2, 0, 0, 'h', 'i'}),
                             rec(RecordType::BoolErr, cell(2) + Bytes{1, 0}),
                             formulaResult(3, {0, 0, 0, 0, 0, 0, 0xFF, 0xFF}),
                             rec(RecordType::String, {1, 0, 0, 's'}),
                             formulaResult(4, {1, 0, 1, 0, 0, 0, 0xFF, 0xFF}),
                             formulaResult(5, {2, 0, 0x07, 0, 0, 0, 0xFF, 0xFF})});
    const auto records = externalCacheRecords(source, {}, {{1, {{0, 0, 0, 5}}}});
    const Bytes zeros(7, 0);
    EXPECT_EQ(records,
              (std::vector<model::Record>{
                  rec(RecordType::XCT, u16s({1, 1})),
                  rec(RecordType::CRN, Bytes{5, 0, 0, 0} + Bytes{1, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F} +
                                           Bytes{2, 2, 0, 0, 'h', 'i'} + Bytes{4, 1} + zeros +
                                           Bytes{2, 1, 0, 0, 's'} + Bytes{4, 1} + zeros +
                                           Bytes{0x10, 0x07} + zeros)}));
}

}  // namespace
}  // namespace xls::ops::copy
