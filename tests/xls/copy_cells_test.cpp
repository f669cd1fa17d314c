// A copied sheet's records: the usage scan finds every index they hold and
// everything a copy cannot carry; the cell and formula passes rewrite exactly
// those indices, and refuse an index their map lacks without a half-done record.
#include <gtest/gtest.h>

#include "ops/copy/remap_cell_records.h"
#include "ops/copy/repoint_formulas.h"
#include "ops/copy/sheet_usage.h"
#include "support/workbook_builder.h"
#include "xls/error.h"

namespace xls::ops {
namespace {

using biff::RecordType;
using Bytes = std::vector<std::uint8_t>;
using tarnvale::testing::appendU16;
using tarnvale::testing::appendU32;

model::Record rec(RecordType type, Bytes payload) {
    return {type, std::move(payload)};
}
Bytes u16s(std::initializer_list<std::uint16_t> values) {
    Bytes out;
    for (auto v : values) appendU16(out, v);
    return out;
}
Bytes cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Cell records at row 1, column 2.
model::Record cell(RecordType type, std::uint16_t ixfe, const Bytes& rest = {}) {
    return rec(type, cat(u16s({1, 2, ixfe}), rest));
}
model::Record labelSst(std::uint16_t ixfe, std::uint32_t isst) {
    Bytes rest;
    appendU32(rest, isst);
    return cell(RecordType::LabelSst, ixfe, rest);
}
// RString "ab" with runs from character 0 in font f0 and 1 in font f1.
model::Record rstring(std::uint16_t ixfe, std::uint16_t f0, std::uint16_t f1) {
    return cell(RecordType::RString, ixfe, cat({2, 0, 0, 'a', 'b'}, u16s({2, 0, f0, 1, f1})));
}
model::Record row(std::uint16_t flags, std::uint16_t ixfeWord) {
    return rec(RecordType::Row, u16s({1, 0, 4, 300, 0, 0, flags, ixfeWord}));
}

// rgce pieces: PtgRef3d, PtgName, PtgNameX, PtgAdd.
Bytes ref3d(std::uint16_t ixti) {
    return cat({0x3A}, u16s({ixti, 0, 0}));
}
Bytes name(std::uint32_t index) {
    Bytes out{0x23};
    appendU32(out, index);
    return out;
}
Bytes nameX(std::uint16_t ixti, std::uint32_t index) {
    Bytes out = cat({0x39}, u16s({ixti}));
    appendU32(out, index);
    return out;
}
Bytes cce(const Bytes& rgce) {
    return cat(u16s({static_cast<std::uint16_t>(rgce.size())}), rgce);
}
model::Record formula(const Bytes& rgce, std::uint16_t ixfe = 15) {
    return cell(RecordType::Formula, ixfe, cat(Bytes(14, 0), cce(rgce)));
}
model::Record shrFmla(const Bytes& rgce) {
    return rec(RecordType::ShrFmla, cat(Bytes(8, 0), cce(rgce)));
}
model::Record array(const Bytes& rgce) {
    return rec(RecordType::Array, cat(Bytes(12, 0), cce(rgce)));
}
model::Record cf(const Bytes& one, const Bytes& two) {
    return rec(RecordType::CF, cat(cat(cat({1, 3}, u16s({static_cast<std::uint16_t>(one.size()),
                                                         static_cast<std::uint16_t>(two.size())})),
                                       cat(Bytes(6, 0), one)),
                                   two));
}
// DV: flags, four empty XLUnicodeStrings, then each formula as cce, unused, rgce.
model::Record dv(const Bytes& rgce) {
    const Bytes head = cat(Bytes(16, 0), u16s({static_cast<std::uint16_t>(rgce.size()), 0}));
    return rec(RecordType::DV, cat(cat(head, rgce), u16s({0, 0, 1, 0, 0, 0, 0})));
}
model::Record obj(std::uint16_t ot, const Bytes& more = {}) {
    return rec(RecordType::Obj, cat(cat(u16s({0x15, 0x12, ot, 1, 0}), Bytes(12, 0)), more));
}

struct UsageCase {
    const char* what;
    std::vector<model::Record> records;
    std::set<std::uint16_t> formats = {};
    std::set<std::uint32_t> strings = {};
    std::uint32_t stringCells = 0;
    std::set<std::uint16_t> xtis = {};
    std::set<std::uint32_t> names = {};
    std::set<std::pair<std::uint16_t, std::uint32_t>> externNames = {};
    std::vector<std::string> notCopyable = {};
};

void PrintTo(const UsageCase& c, std::ostream* os) {
    *os << c.what;
}

class UsageTest : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageTest, FindsWhatTheRecordsUse) {
    const UsageCase& c = GetParam();
    SheetUsageScanner scanner;
    scanner.scan(c.records);
    const SheetUsage u = scanner.usage();
    EXPECT_EQ(u.cellFormats, c.formats);
    EXPECT_EQ(u.sharedStrings, c.strings);
    EXPECT_EQ(u.sharedStringCells, c.stringCells);
    EXPECT_EQ(u.xtis, c.xtis);
    EXPECT_EQ(u.names, c.names);
    EXPECT_EQ(u.externNames, c.externNames);
    EXPECT_EQ(u.notCopyable, c.notCopyable);
}

model::Record storedRecord(RecordType type) {
    model::Record r(type, {});
    r.stored = model::StoredRange{0, 4, type};
    return r;
}

INSTANTIATE_TEST_SUITE_P(
    Records, UsageTest,
    ::testing::Values(
        UsageCase{
            .what = "every cell kind",
            .records = {cell(RecordType::Number, 20, Bytes(8, 0)),
                        cell(RecordType::RK, 21, Bytes(4, 0)),
                        cell(RecordType::Label, 22, {1, 0, 0, 'x'}), rstring(23, 0, 1),
                        cell(RecordType::BoolErr, 24, {1, 0}), cell(RecordType::Blank, 25),
                        formula({0x1E, 1, 0}, 26), labelSst(27, 4),
                        rec(RecordType::MulRk, cat(u16s({1, 2, 30, 0, 0, 31, 0, 0}), u16s({3}))),
                        rec(RecordType::MulBlank, u16s({1, 2, 32, 33, 34, 4}))},
            .formats = {20, 21, 22, 23, 24, 25, 26, 27, 30, 31, 32, 33, 34},
            .strings = {4},
            .stringCells = 1},
        UsageCase{.what = "rows with a format, columns",
                  .records = {row(0x0180, 0x4000 | 40), row(0x0100, 41), row(0x0101, 43),
                              rec(RecordType::ColInfo, u16s({0, 3, 2000, 42, 0, 0}))},
                  .formats = {40, 42}},
        UsageCase{.what = "shared strings counted per cell",
                  .records = {labelSst(15, 7), labelSst(15, 7), labelSst(15, 2)},
                  .formats = {15},
                  .strings = {2, 7},
                  .stringCells = 3},
        UsageCase{.what = "names and XTIs in every formula record",
                  .records = {formula(cat(cat(ref3d(3), name(2)), nameX(1, 4))), shrFmla(ref3d(5)),
                              array(name(6)), cf(name(7), nameX(8, 1)), dv(ref3d(9))},
                  .formats = {15},
                  .xtis = {1, 3, 5, 8, 9},
                  .names = {2, 6, 7},
                  .externNames = {{1, 4}, {8, 1}}},
        UsageCase{.what = "a formula read across its Continue record",
                  .records = {rec(RecordType::Formula, cat(u16s({1, 2, 15}), Bytes(14, 0))),
                              rec(RecordType::Continue, cce(ref3d(6)))},
                  .formats = {15},
                  .xtis = {6}},
        UsageCase{.what = "stand-ins count by their type only",
                  .records = {storedRecord(RecordType::Number), storedRecord(RecordType::Note)},
                  .notCopyable = {"comments"}},
        UsageCase{.what = "drawing layer, told apart by Obj",
                  .records = {rec(RecordType::MsoDrawing, {}), obj(0x19), rec(RecordType::TxO, {}),
                              rec(RecordType::MsoDrawing, {}), obj(0x0B),
                              obj(0x08, u16s({8, 2, 0x10, 0}))},
                  .notCopyable = {"comments", "controls"}},
        UsageCase{
            .what = "drawings alone, a picture, a chart in its own substream",
            .records = {rec(RecordType::BOF, u16s({0x600, 0x10})), rec(RecordType::MsoDrawing, {}),
                        obj(0x08, u16s({8, 2, 0, 0})), rec(RecordType::BOF, u16s({0x600, 0x20}))},
            .notCopyable = {"pictures or shapes", "charts"}},
        UsageCase{.what = "drawing records without an Obj",
                  .records = {rec(RecordType::MsoDrawing, {})},
                  .notCopyable = {"pictures or shapes"}},
        UsageCase{.what = "parts tied to workbook tables",
                  .records = {rec(RecordType::SxView, {}), rec(RecordType::Feat11, {}),
                              rec(RecordType::Qsi, {}), obj(0x05)},
                  .notCopyable = {"charts", "pivot tables", "tables", "external data ranges"}}));

class UsageRefusalTest : public ::testing::TestWithParam<model::Record> {};

TEST_P(UsageRefusalTest, ShortRecordsAndBadFormulasAreCorrupt) {
    SheetUsageScanner scanner;
    try {
        scanner.scan({GetParam()});
        FAIL() << "accepted";
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), ErrorCode::CorruptWorkbook);
    }
}

INSTANTIATE_TEST_SUITE_P(Records, UsageRefusalTest,
                         ::testing::Values(rec(RecordType::Number, u16s({1, 2})),
                                           rec(RecordType::MulBlank, u16s({1, 2, 3})),
                                           rec(RecordType::Row, u16s({1, 0, 4, 300, 0, 0, 0x80})),
                                           rec(RecordType::LabelSst, u16s({1, 2, 15, 0})),
                                           formula({0xFF}), formula({0x3A, 1})));

// Maps of the remapping cases: formats +100, strings +1000 (3 not copied),
// fonts +10, XTIs +2, names +10, external names of XTI 1 +20.
const IndexMap kFormats = [] {
    IndexMap m(64);
    for (std::uint32_t i = 0; i < m.size(); ++i) m[i] = i + 100;
    m[63] = 0x1000;  // past what Row's 12 bits hold
    return m;
}();
const IndexMap kStrings{1000, 1001, 1002, 0xFFFFFFFF, 0x10004};
const IndexMap kFonts{10, 11, 12, 13, 14, 15};
const IndexMap kXtis{2, 3, 4, 5, 6, 7};
const IndexMap kNames{0, 11, 12, 13, 14};

std::size_t remapBoth(std::vector<model::Record>& records) {
    FormulaMaps formulas{&kXtis, &kNames, [](std::uint16_t ixti, std::uint32_t n) {
                             return ixti == 1 ? std::optional(n + 20) : std::nullopt;
                         }};
    return repointFormulas(records, formulas) +
           remapCellRecords(records, {&kFormats, &kStrings, &kFonts});
}

struct RemapCase {
    const char* what;
    std::vector<model::Record> before;
    std::vector<model::Record> after;
};

void PrintTo(const RemapCase& c, std::ostream* os) {
    *os << c.what;
}

class RemapTest : public ::testing::TestWithParam<RemapCase> {};

TEST_P(RemapTest, RewritesEveryIndexAndNothingElse) {
    std::vector<model::Record> records = GetParam().before;
    const std::size_t changed = remapBoth(records);
    EXPECT_EQ(changed > 0, records != GetParam().before);
    EXPECT_EQ(records, GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Records, RemapTest,
    ::testing::Values(
        RemapCase{"single cells",
                  {cell(RecordType::Number, 20, Bytes(8, 7)), cell(RecordType::Blank, 0),
                   cell(RecordType::BoolErr, 5, {1, 0})},
                  {cell(RecordType::Number, 120, Bytes(8, 7)), cell(RecordType::Blank, 100),
                   cell(RecordType::BoolErr, 105, {1, 0})}},
        RemapCase{"arrays of MulRk and MulBlank",
                  {rec(RecordType::MulRk, u16s({1, 2, 30, 9, 9, 31, 9, 9, 3})),
                   rec(RecordType::MulBlank, u16s({1, 2, 32, 33, 34, 4}))},
                  {rec(RecordType::MulRk, u16s({1, 2, 130, 9, 9, 131, 9, 9, 3})),
                   rec(RecordType::MulBlank, u16s({1, 2, 132, 133, 134, 4}))}},
        RemapCase{"rows keep their flags; a row without a format is left",
                  {row(0x0180, 0xC000 | 40), row(0x0100, 41),
                   rec(RecordType::ColInfo, u16s({0, 3, 2000, 42, 7, 0}))},
                  {row(0x0180, 0xC000 | 140), row(0x0100, 41),
                   rec(RecordType::ColInfo, u16s({0, 3, 2000, 142, 7, 0}))}},
        RemapCase{"strings and rich text",
                  {labelSst(15, 4), rstring(16, 0, 5)},
                  {labelSst(115, 0x10004), rstring(116, 10, 15)}},
        RemapCase{"formulas: XTIs, names, external names",
                  {formula(cat(cat(ref3d(1), name(2)), cat(nameX(1, 4), nameX(3, 4))), 17),
                   shrFmla(ref3d(0)), array(name(4)), cf(name(1), ref3d(5)), dv(nameX(1, 1))},
                  {formula(cat(cat(ref3d(3), name(12)), cat(nameX(3, 24), nameX(5, 4))), 117),
                   shrFmla(ref3d(2)), array(name(14)), cf(name(11), ref3d(7)), dv(nameX(3, 21))}},
        RemapCase{"a formula across its Continue record",
                  {rec(RecordType::Formula, cat(u16s({1, 2, 15}), Bytes(14, 0))),
                   rec(RecordType::Continue, cce(cat(ref3d(4), {0x03})))},
                  {rec(RecordType::Formula, cat(u16s({1, 2, 115}), Bytes(14, 0))),
                   rec(RecordType::Continue, cce(cat(ref3d(6), {0x03})))}},
        RemapCase{"other records and stand-ins are left",
                  {rec(RecordType::Dimensions, u16s({0, 0, 5, 0, 0, 0, 0})),
                   rec(RecordType::Lbl, cat(Bytes(14, 0), ref3d(1))),
                   storedRecord(RecordType::Number), storedRecord(RecordType::Formula)},
                  {rec(RecordType::Dimensions, u16s({0, 0, 5, 0, 0, 0, 0})),
                   rec(RecordType::Lbl, cat(Bytes(14, 0), ref3d(1))),
                   storedRecord(RecordType::Number), storedRecord(RecordType::Formula)}}));

class RemapRefusalTest : public ::testing::TestWithParam<model::Record> {};

TEST_P(RemapRefusalTest, RefusesAnIndexTheMapLacksAndLeavesTheRecord) {
    std::vector<model::Record> records{GetParam()};
    try {
        remapBoth(records);
        FAIL() << "accepted";
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), ErrorCode::CorruptWorkbook);
    }
    EXPECT_EQ(records.front(), GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Records, RemapRefusalTest,
    ::testing::Values(cell(RecordType::Number, 64, Bytes(8, 0)),
                      rec(RecordType::MulBlank, u16s({1, 2, 5, 99, 4})),
                      row(0x0180, 63),                    // maps past 12 bits
                      labelSst(5, 3), labelSst(5, 9),     // a string not copied, or unknown
                      rstring(5, 1, 6),                   // a font the map lacks
                      formula(cat(name(1), ref3d(8))),    // an XTI the map lacks
                      formula(cat(ref3d(1), name(7)))));  // a name the map lacks

}  // namespace
}  // namespace xls::ops
