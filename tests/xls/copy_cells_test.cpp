// A copied sheet's records: the usage scan finds every index they hold and
// what a copy cannot carry; the cell and formula passes rewrite exactly those
// indices, and refuse an index their map lacks without a half-done record.
#include <gtest/gtest.h>

#include <sstream>

#include "ops/copy/remap_cell_records.h"
#include "ops/copy/repoint_formulas.h"
#include "ops/copy/sheet_usage.h"
#include "support/copy_record_bytes.h"
#include "xls/error.h"

namespace xls::ops {
namespace {

using biff::RecordType;
using Bytes = std::vector<std::uint8_t>;
using R = RecordType;

using tarnvale::testing::operator+;
using tarnvale::testing::rec;
using tarnvale::testing::u16s;
Bytes u32(std::uint32_t v) {
    return tarnvale::testing::u32s({v});
}
model::Record stored(R type) {
    model::Record r(type, {});
    r.stored = model::StoredRange{0, 4, type, nullptr};
    return r;
}
// Cells at row 1, column 2; a Row of flags and ixfe_val; RString "ab" in two runs.
model::Record cell(R type, std::uint32_t ixfe, const Bytes& rest = {}) {
    return rec(type, u16s({1, 2, ixfe}) + rest);
}
model::Record row(std::uint32_t flags, std::uint32_t ixfe) {
    return rec(R::Row, u16s({1, 0, 4, 300, 0, 0, flags, ixfe}));
}
model::Record rstring(std::uint32_t ixfe, std::uint32_t f0, std::uint32_t f1) {
    return cell(R::RString, ixfe, Bytes{2, 0, 0, 'a', 'b'} + u16s({2, 0, f0, 1, f1}));
}
// rgce tokens (PtgRef3d, PtgName, PtgNameX) and the records that hold formulas.
Bytes ref3d(std::uint32_t ixti) {
    return Bytes{0x3A} + u16s({ixti, 0, 0});
}
Bytes name(std::uint32_t index) {
    return Bytes{0x23} + u32(index);
}
Bytes nameX(std::uint32_t ixti, std::uint32_t index) {
    return Bytes{0x39} + u16s({ixti}) + u32(index);
}
Bytes cce(const Bytes& rgce) {
    return u16s({static_cast<std::uint32_t>(rgce.size())}) + rgce;
}
model::Record formula(const Bytes& rgce, std::uint32_t ixfe = 15) {
    return cell(R::Formula, ixfe, Bytes(14, 0) + cce(rgce));
}
model::Record cf(const Bytes& one, const Bytes& two) {
    return rec(R::CF, Bytes{1, 3} +
                          u16s({static_cast<std::uint32_t>(one.size()),
                                static_cast<std::uint32_t>(two.size())}) +
                          Bytes(6, 0) + one + two);
}
// DV: flags, four empty strings, then each formula as cce, unused, rgce; sqref.
model::Record dv(const Bytes& rgce) {
    return rec(R::DV, Bytes(16, 0) + u16s({static_cast<std::uint32_t>(rgce.size()), 0}) + rgce +
                          u16s({0, 0, 1, 0, 0, 0, 0}));
}
model::Record obj(std::uint32_t ot, const Bytes& more = {}) {
    return rec(R::Obj, u16s({0x15, 0x12, ot, 1, 0}) + Bytes(12, 0) + more);
}

template <typename Set>
void list(std::ostream& os, const char* label, const Set& values) {
    if (values.empty()) return;
    os << label;
    for (const auto& v : values) {
        if constexpr (requires { v.first; })
            os << ' ' << v.first << ':' << v.second;
        else
            os << ' ' << v;
    }
    os << ';';
}
std::string describe(const SheetUsage& u) {
    std::ostringstream os;
    list(os, "xf", u.cellFormats);
    list(os, "sst", u.sharedStrings);
    if (u.sharedStringCells) os << "cells " << u.sharedStringCells << ';';
    list(os, "xti", u.xtis);
    list(os, "name", u.names);
    list(os, "namex", u.externNames);
    for (const auto& what : u.notCopyable) os << '[' << what << ']';
    return os.str();
}

// Formats +100 (63 past Row's 12 bits), strings +1000 (3 not copied, 4 past
// 16 bits), fonts +10, XTIs +2, names +10, external names of XTI 1 +20.
const IndexMap kFormats = [] {
    IndexMap m(64);
    for (std::uint32_t i = 0; i < m.size(); ++i) m[i] = i + 100;
    m[63] = 0x1000;
    return m;
}();
const IndexMap kStrings{1000, 1001, 1002, 0xFFFFFFFF, 0x10004};
const IndexMap kFonts{10, 11, 12, 13, 14, 15};
const IndexMap kXtis{2, 3, 4, 5, 6, 7};
const IndexMap kNames{0, 11, 12, 13, 14};

std::size_t remapBoth(std::vector<model::Record>& records) {
    const FormulaMaps formulas{&kXtis, &kNames, [](std::uint16_t ixti, std::uint32_t n) {
                                   return ixti == 1 ? std::optional(n + 20) : std::nullopt;
                               }};
    return repointFormulas(records, formulas) +
           remapCellRecords(records, {&kFormats, &kStrings, &kFonts});
}

struct Case {
    const char* what;
    std::vector<model::Record> before;
    const char* usage;
    std::vector<model::Record> after = {};  // empty: as before
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.what;
}

class CellPassesTest : public ::testing::TestWithParam<Case> {};

TEST_P(CellPassesTest, ScanFindsAndRemapRewritesEveryIndex) {
    const Case& c = GetParam();
    SheetUsageScanner scanner;
    scanner.scan(c.before);
    EXPECT_EQ(describe(scanner.usage()), c.usage);
    std::vector<model::Record> records = c.before;
    const std::size_t changed = remapBoth(records);
    EXPECT_EQ(records, c.after.empty() ? c.before : c.after);
    EXPECT_EQ(changed > 0, !c.after.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Records, CellPassesTest,
    ::testing::Values(
        Case{"cells",
             {cell(R::Number, 20, Bytes(8, 7)), cell(R::RK, 21, Bytes(4, 0)),
              cell(R::Label, 22, {1, 0, 0, 'x'}), cell(R::BoolErr, 24, {1, 0}), cell(R::Blank, 0)},
             "xf 0 20 21 22 24;",
             {cell(R::Number, 120, Bytes(8, 7)), cell(R::RK, 121, Bytes(4, 0)),
              cell(R::Label, 122, {1, 0, 0, 'x'}), cell(R::BoolErr, 124, {1, 0}),
              cell(R::Blank, 100)}},
        Case{"MulRk and MulBlank",
             {rec(R::MulRk, u16s({1, 2, 30, 9, 9, 31, 9, 9, 3})),
              rec(R::MulBlank, u16s({1, 2, 32, 33, 34, 4}))},
             "xf 30 31 32 33 34;",
             {rec(R::MulRk, u16s({1, 2, 130, 9, 9, 131, 9, 9, 3})),
              rec(R::MulBlank, u16s({1, 2, 132, 133, 134, 4}))}},
        Case{"rows keep their flags, only a formatted row counts; columns",
             {row(0x0180, 0xC000 | 40), row(0x0100, 41), row(0x0101, 43),
              rec(R::ColInfo, u16s({0, 3, 2000, 42, 7, 0}))},
             "xf 40 42;",
             {row(0x0180, 0xC000 | 140), row(0x0100, 41), row(0x0101, 43),
              rec(R::ColInfo, u16s({0, 3, 2000, 142, 7, 0}))}},
        Case{"shared strings counted per cell; rich text fonts",
             {cell(R::LabelSst, 15, u32(4)), cell(R::LabelSst, 15, u32(4)),
              cell(R::LabelSst, 15, u32(2)), rstring(16, 0, 5)},
             "xf 15 16;sst 2 4;cells 3;",
             {cell(R::LabelSst, 115, u32(0x10004)), cell(R::LabelSst, 115, u32(0x10004)),
              cell(R::LabelSst, 115, u32(1002)), rstring(116, 10, 15)}},
        Case{"formulas: XTIs, names, external names",
             {formula(ref3d(1) + name(2) + nameX(1, 4) + nameX(3, 4), 17),
              rec(R::ShrFmla, Bytes(8, 0) + cce(ref3d(0))),
              rec(R::Array, Bytes(12, 0) + cce(name(4))), cf(name(1), ref3d(5)), dv(nameX(1, 1))},
             "xf 17;xti 0 1 3 5;name 1 2 4;namex 1:1 1:4 3:4;",
             {formula(ref3d(3) + name(12) + nameX(3, 24) + nameX(5, 4), 117),
              rec(R::ShrFmla, Bytes(8, 0) + cce(ref3d(2))),
              rec(R::Array, Bytes(12, 0) + cce(name(14))), cf(name(11), ref3d(7)),
              dv(nameX(3, 21))}},
        Case{"a formula across its Continue record",
             {rec(R::Formula, u16s({1, 2, 15}) + Bytes(14, 0)),
              rec(R::Continue, cce(ref3d(4) + Bytes{0x03}))},
             "xf 15;xti 4;",
             {rec(R::Formula, u16s({1, 2, 115}) + Bytes(14, 0)),
              rec(R::Continue, cce(ref3d(6) + Bytes{0x03}))}},
        Case{"other records and stand-ins are left; stand-ins block by type",
             {rec(R::Dimensions, u16s({0, 0, 5, 0, 0, 0, 0})), rec(R::Lbl, Bytes(14, 0) + ref3d(1)),
              stored(R::Number), stored(R::Formula), stored(R::Note), stored(R::SxView)},
             "[pivot tables]"},
        Case{"drawings travel; ActiveX controls and OLE objects told apart by Obj",
             {rec(R::MsoDrawing, {}), obj(0x19), rec(R::TxO, {}), obj(0x0B),
              obj(0x08, u16s({8, 2, 0x10, 0})), obj(0x08, u16s({8, 2, 0, 9, 2, 0}))},
             "[ActiveX controls][linked or embedded objects]"},
        Case{"a picture, a chart in its own substream",
             {rec(R::BOF, u16s({0x600, 0x10})), rec(R::MsoDrawing, {}),
              obj(0x08, u16s({8, 2, 0, 0})), rec(R::BOF, u16s({0x600, 0x20}))},
             ""},
        Case{"parts tied to workbook tables",
             {rec(R::SxView, {}), rec(R::Feat11, {}), rec(R::Qsi, {}), obj(0x05), obj(0x14)},
             "[pivot tables][tables][external data ranges]"}));

class CellRefusalTest : public ::testing::TestWithParam<model::Record> {};

// Short records and unreadable formulas are refused by the scan; indices the
// maps lack, by the passes, which leave the record as it was.
TEST_P(CellRefusalTest, RefusesAndLeavesTheRecord) {
    std::vector<model::Record> records{GetParam()};
    try {
        SheetUsageScanner().scan(records);
        remapBoth(records);
        FAIL() << "accepted";
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), ErrorCode::CorruptWorkbook);
    }
    EXPECT_EQ(records.front(), GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Records, CellRefusalTest,
    ::testing::Values(rec(R::Number, u16s({1, 2})), rec(R::MulBlank, u16s({1, 2, 3})),
                      rec(R::Row, u16s({1, 0, 4, 300, 0, 0, 0x80})),
                      rec(R::LabelSst, u16s({1, 2, 15, 0})), formula({0xFF}), formula({0x3A, 1}),
                      cell(R::Number, 64, Bytes(8, 0)), rec(R::MulBlank, u16s({1, 2, 5, 99, 4})),
                      row(0x0180, 63), cell(R::LabelSst, 5, u32(3)), cell(R::LabelSst, 5, u32(9)),
                      rstring(5, 1, 6), formula(name(1) + ref3d(8)), formula(ref3d(1) + name(7))));

}  // namespace
}  // namespace xls::ops
