// Sheet edits in hand-built records: every holder of a tab or name index
// follows; a rename reaches the PivotTable sources naming the sheet as text.
#include <gtest/gtest.h>

#include <tuple>

#include "biff/formula_tokens.h"
#include "model/stream_writer.h"
#include "model/workbook_stream.h"
#include "ops/data_sources.h"
#include "ops/move_sheet.h"
#include "ops/sheet_edits.h"
#include "support/copy_record_bytes.h"
#include "support/copy_tab_indices.h"
#include "support/corpus_manifest.h"
#include "support/error_code_of.h"
#include "support/ops_test_workbook.h"
#include "support/workbook_stream_of.h"
#include "xls/workbook.h"

namespace xls::ops {
namespace {

using biff::RecordType;
using model::Record;
using namespace testing;
using tarnvale::testing::nameTabs;
using tarnvale::testing::operator+;
using tarnvale::testing::u16s;
using tarnvale::testing::xtiTabs;

const Record* find(const std::vector<Record>& records, RecordType type, std::size_t nth = 0) {
    for (const auto& r : records)
        if (r.type == type && nth-- == 0) return &r;
    return nullptr;
}

// Deleting B: every holder of a tab index, an XTI or a name index follows.
TEST(DeleteSheet, EveryHolderOfATabOrNameIndexFollows) {
    auto w = threeSheets();
    deleteSheetRecords(w, 1, {Visibility::Visible, Visibility::Visible});
    const auto& g = w.globals.records;
    const auto& a = w.substreams[w.sheetSubstream[0]].records;
    const auto& c = w.substreams[w.sheetSubstream[1]].records;

    // The XTIs: B's own shows #REF!, ranges through B shrink, later tabs move down.
    EXPECT_EQ(xtiTabs(w.globals), "0:0 -1:-1 0:1 1:1 1:1 0:0");
    EXPECT_EQ(get16(find(g, RecordType::SupBook)->payload, 0), 2);
    EXPECT_EQ(find(g, RecordType::RRTabId)->payload, (Bytes{1, 0, 3, 0})) << "B's tab id goes";

    // B's local name goes; the rest are renumbered.
    EXPECT_EQ(nameTabs(w.globals), (std::vector<std::uint16_t>{0, 2, 0})) << "C's follows C";
    EXPECT_EQ(find(g, RecordType::Lbl, 1)->payload[15], 'L') << "L3 is kept";
    const auto& both = find(g, RecordType::Lbl, 2)->payload;
    const Bytes rgce(both.end() - 11, both.end());
    EXPECT_EQ(rgce, (Bytes{0x2A, 0, 0, 0, 0, 0x23, 2, 0, 0, 0, 0x03}))
        << "removed name 2 shows #REF!, name 3 is now 2";
    EXPECT_EQ(find(c, RecordType::Formula, 2)->payload[23], 3) << "C's formula: name 4 is now 3";

    // Formulas on the deleted sheet show #REF! and calculate again on load.
    const auto& dead = find(c, RecordType::Formula, 0)->payload;
    EXPECT_EQ(Bytes(dead.begin() + 6, dead.begin() + 14), (Bytes{2, 0, 0x17, 0, 0, 0, 0xFF, 0xFF}));
    EXPECT_EQ(get16(dead, 14) & 1, 1);
    EXPECT_EQ(get16(find(c, RecordType::Formula, 1)->payload, 14) & 1, 0) << "B:C still reaches C";
    EXPECT_EQ(find(a, RecordType::Formula)->payload[6 + 2], 0x17);

    // The active sheet passes to the next visible one.
    const auto& win = find(g, RecordType::Window1)->payload;
    EXPECT_EQ(get16(win, 10), 1) << "C, now tab 1, is active";
    EXPECT_EQ(get16(win, 14), 1) << "one selected tab";
    EXPECT_EQ(get16(find(c, RecordType::Window2)->payload, 0) & 0x0600, 0x0600);
    EXPECT_EQ(get16(find(a, RecordType::Window2)->payload, 0) & 0x0600, 0);

    auto hidden = threeSheets();
    deleteSheetRecords(hidden, 1, {Visibility::Visible, Visibility::Hidden});
    EXPECT_EQ(get16(find(hidden.globals.records, RecordType::Window1)->payload, 10), 0)
        << "C is hidden: A becomes active";
}

TEST(DeleteSheet, RangesEndingAtTheSheetShrinkWhicheverWayRoundTheyAreStored) {
    auto w = threeSheets();
    auto& x = w.globals.records[6].payload;
    ASSERT_EQ(w.globals.records[6].type, RecordType::ExternSheet);
    x[2 + 2] = 1;          // XTI 0: B:A, stored the other way round
    x[2 + 4 * 6 + 2] = 0;  // XTI 4: A:B
    x[2 + 4 * 6 + 4] = 1;
    deleteSheetRecords(w, 1, {Visibility::Visible, Visibility::Visible});
    EXPECT_EQ(xtiTabs(w.globals), "0:0 -1:-1 0:1 1:1 0:0 0:0");
}

TEST(DeleteSheet, RemovesTabIdAndWritesAStreamThatReopens) {
    auto w = threeSheets();
    deleteSheetRecords(w, 0, {Visibility::Visible, Visibility::Visible});
    EXPECT_EQ(find(w.globals.records, RecordType::RRTabId)->payload, (Bytes{2, 0, 3, 0}));
    const auto bytes = model::writeWorkbookStream(w).toVector();
    const auto reopened = model::parseWorkbookStream(bytes);
    ASSERT_EQ(reopened.sheetSubstream.size(), 2u);
    EXPECT_EQ(reopened.substreams[reopened.sheetSubstream[1]].records, w.substreams[1].records)
        << "lbPlyPos leads to C's own records";
}

TEST(DeleteSheet, UnreadableFormulaIsLeftWhileTheRestFollows) {
    auto w = threeSheets();
    auto& cells = w.substreams[2].records;
    cells.insert(cells.begin() + 1, formula(9, {0x3A, 1}, 1.0));  // PtgRef3d cut short
    const auto broken = cells[1];
    EXPECT_EQ(deleteSheetRecords(w, 1, {Visibility::Visible, Visibility::Visible}), 1u)
        << "the formula left as stored is counted";
    const auto& c = w.substreams[w.sheetSubstream[1]].records;
    EXPECT_EQ(c[1], broken);
    EXPECT_EQ(find(c, RecordType::Formula, 3)->payload[23], 3) << "name 4 still renumbered";
}

TEST(DeleteSheet, CellsSharingAFormulaOnTheDeletedSheetShowRefError) {
    auto w = threeSheets();
    auto& cells = w.substreams[0].records;
    const Bytes exp{0x01, 5, 0, 0, 0};  // PtgExp: shared formula anchored at A6
    // ShrFmla over A6:A8, used by three cells: =B!A1.
    const Record shared{RecordType::ShrFmla, u16s({5, 7}) + Bytes{0, 0, 0, 3, 7, 0} + ref3d(1)};
    cells.insert(cells.begin() + 1, {formula(5, exp, 1.0), shared, formula(6, exp, 2.0),
                                     formula(7, {0x24, 5, 0, 0, 0}, 3.0)});  // =A6, no PtgExp
    deleteSheetRecords(w, 1, {Visibility::Visible, Visibility::Visible});
    for (std::size_t n : {0, 1}) {
        const auto& f = find(w.substreams[0].records, RecordType::Formula, n)->payload;
        EXPECT_EQ(f[8], 0x17) << "cell " << n << " shows #REF!";
    }
    EXPECT_NE(find(w.substreams[0].records, RecordType::Formula, 2)->payload[8], 0x17);
}

TEST(DeleteSheet, NameXThroughThisWorkbookIsRenumbered) {
    auto w = threeSheets();
    // PtgNameX through XTI 0 (this workbook) naming Lbl 4, and through XTI 5
    // (another workbook) naming its external name 4.
    const Bytes rgce{0x39, 0, 0, 4, 0, 0, 0, 0x39, 5, 0, 4, 0, 0, 0, 0x03};
    w.substreams[0].records.insert(w.substreams[0].records.begin() + 1, formula(3, rgce, 0));
    deleteSheetRecords(w, 1, {Visibility::Visible, Visibility::Visible});
    const auto& f = find(w.substreams[0].records, RecordType::Formula, 0)->payload;
    EXPECT_EQ(f[22 + 3], 3) << "Lbl 4 is now 3";
    EXPECT_EQ(f[22 + 7 + 3], 4) << "the external name keeps its index";
}

struct MoveCase {
    std::size_t tab, newTab;
    const char* order;                    // sheet names in tab order afterwards
    const char* xtis;                     // afterwards; the external workbook's last XTI stays
    std::uint16_t printAreaItab, l3Itab;  // the local names of B and C
    Bytes tabIds;
    std::uint16_t activeTab;  // B was active
};

const MoveCase kMoves[] = {
    {0, 2, "BCA", "2:2 0:0 1:2 0:1 1:1 0:0", 1, 2, {2, 0, 3, 0, 1, 0}, 0},
    {2, 0, "CAB", "1:1 2:2 0:1 0:2 0:0 0:0", 3, 1, {3, 0, 1, 0, 2, 0}, 2},
    {1, 2, "ACB", "0:0 2:2 0:1 1:2 1:1 0:0", 3, 2, {1, 0, 3, 0, 2, 0}, 2},
    {1, 1, "ABC", "0:0 1:1 0:2 1:2 2:2 0:0", 2, 3, {1, 0, 2, 0, 3, 0}, 1},
};

TEST(MoveSheet, EveryHolderOfATabIndexFollowsItsSheet) {
    for (const MoveCase& c : kMoves) {
        SCOPED_TRACE(c.order);
        const auto before = threeSheets();
        auto w = before;
        moveSheetRecords(w, c.tab, c.newTab);
        const auto& g = w.globals.records;
        std::string order;
        for (std::size_t tab = 0; tab < 3; ++tab) {
            const auto& sheet = find(g, RecordType::BoundSheet8, tab)->payload;
            order += std::string(sheet.begin() + 8, sheet.end());
            // Each sheet's substream goes with it, and the stream keeps tab order.
            EXPECT_EQ(w.sheetSubstream[tab], tab);
            EXPECT_EQ(w.substreams[tab].records,
                      before.substreams[static_cast<std::size_t>(c.order[tab] - 'A')].records);
        }
        EXPECT_EQ(order, c.order);
        EXPECT_EQ(xtiTabs(w.globals), c.xtis);
        EXPECT_EQ(nameTabs(w.globals),
                  (std::vector<std::uint16_t>{0, c.printAreaItab, c.l3Itab, 0}));
        EXPECT_EQ(find(g, RecordType::RRTabId)->payload, c.tabIds);
        EXPECT_EQ(get16(find(g, RecordType::Window1)->payload, 10), c.activeTab);
        const auto reopened = model::parseWorkbookStream(model::writeWorkbookStream(w).toVector());
        EXPECT_EQ(reopened.sheetSubstream.size(), 3u);
    }
}

// In a stream holding A last (B, C, A), moving B behind C keeps each sheet on its substream.
TEST(MoveSheet, FollowsAStreamNotInTabOrder) {
    auto w = threeSheets();
    std::rotate(w.substreams.begin(), w.substreams.begin() + 1, w.substreams.end());
    w.sheetSubstream = {2, 0, 1};
    const auto before = w;
    moveSheetRecords(w, 1, 2);
    const std::pair<std::size_t, std::size_t> tabs[] = {{0, 0}, {1, 2}, {2, 1}};  // now, was
    for (const auto& [tab, was] : tabs)
        EXPECT_EQ(w.substreams[w.sheetSubstream[tab]].records,
                  before.substreams[before.sheetSubstream[was]].records)
            << tab;
}

TEST(MoveSheet, RefusesATabPastTheLast) {
    auto w = threeSheets();
    EXPECT_EQ(tarnvale::testing::errorCodeOf([&] { moveSheetRecords(w, 3, 0); }),
              ErrorCode::SheetNotFound);
}

TEST(RenameSheet, StoresCompressedOrUtf16Names) {
    auto w = threeSheets();
    renameSheetRecords(w, 2, "Résumé");
    const auto& c = find(w.globals.records, RecordType::BoundSheet8, 2)->payload;
    EXPECT_EQ(Bytes(c.begin() + 6, c.end()), (Bytes{6, 0, 'R', 0xE9, 's', 'u', 'm', 0xE9}));
    renameSheetRecords(w, 2, "Ωx");
    const auto& u = find(w.globals.records, RecordType::BoundSheet8, 2)->payload;
    EXPECT_EQ(Bytes(u.begin() + 6, u.end()), (Bytes{2, 1, 0xA9, 0x03, 'x', 0}));
    const auto reopened = model::parseWorkbookStream(model::writeWorkbookStream(w).toVector());
    EXPECT_EQ(reopened.sheetSubstream, (std::vector<std::size_t>{0, 1, 2}));
}

const Bytes kRef = {0, 0, 0xFF, 0xFF, 0, 4};  // rows 1-65536, columns A-E

// DConRef: ref, cchFile, then the DConFile (fHighByte, characters) and the unused bytes.
Bytes dconRef(const std::u16string& file, bool high = false) {
    Bytes b = kRef;
    b.push_back(static_cast<std::uint8_t>(file.size()));
    b.push_back(0);
    b.push_back(high ? 1 : 0);
    for (char16_t c : file) {
        b.push_back(static_cast<std::uint8_t>(c & 0xFF));
        if (high) b.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    b.insert(b.end(), high ? 2 : 1, 0);
    return b;
}

// A DConRef naming a sheet of this workbook (the DConFile's leading 0x02).
Bytes sheetRef(const std::u16string& sheet, bool high = false) {
    return dconRef(u'\x02' + sheet, high);
}

// DConName: stName "Table1", then cchFile and the DConFile when a sheet is named.
model::Record dconName(const std::u16string& file) {
    Bytes b = {6, 0, 0, 'T', 'a', 'b', 'l', 'e', '1'};
    const Bytes rest = dconRef(file);
    b.insert(b.end(), rest.begin() + 6, rest.end());
    return {RecordType::DConName, b};
}

model::Record ref(Bytes payload) {
    return {RecordType::DConRef, std::move(payload)};
}

// Renaming "data": the sources before, and after (the same when nothing may change).
TEST(DataSources, RenamesTheSheetWhereverASourceNamesIt) {
    // ref, then one byte of cchFile: the record ends inside the count.
    const model::Record shortRef = ref(kRef + Bytes{5});
    const model::Record continued{RecordType::Continue, Bytes(3, 0)};
    using Records = std::vector<model::Record>;
    const std::vector<std::tuple<const char*, const char*, Records, Records>> cases = {
        {"range source", "Sales", {ref(sheetRef(u"Data"))}, {ref(sheetRef(u"Sales"))}},
        {"other letter case", "Sales", {ref(sheetRef(u"DATA"))}, {ref(sheetRef(u"Sales"))}},
        {"stored as UTF-16", "Sales", {ref(sheetRef(u"Data", true))}, {ref(sheetRef(u"Sales"))}},
        {"a name outside Latin-1",
         "Ωmega",
         {ref(sheetRef(u"Data"))},
         {ref(sheetRef(u"Ωmega", true))}},
        {"sheet-scoped name", "Sales", {dconName(u"\u0002Data")}, {dconName(u"\u0002Sales")}},
        {"another sheet", "Sales", {ref(sheetRef(u"Database"))}, {ref(sheetRef(u"Database"))}},
        {"another workbook",
         "Sales",
         {ref(dconRef(u"\u0001C:Data"))},
         {ref(dconRef(u"\u0001C:Data"))}},
        {"workbook-wide name", "Sales", {dconName(u"")}, {dconName(u"")}},
        {"split over Continue records",
         "Sales",
         {ref(sheetRef(u"Data")), continued},
         {ref(sheetRef(u"Data")), continued}},
        {"cut short", "Sales", {shortRef}, {shortRef}},
    };
    std::size_t unread = 0;
    for (const auto& [what, to, before, after] : cases) {
        model::Substream globals;
        globals.records = before;
        EXPECT_EQ(renameSheetInDataSources(globals, "data", to, unread), before == after ? 0u : 1u)
            << what;
        EXPECT_EQ(globals.records, after) << what;
    }
    EXPECT_EQ(unread, 1u);  // the source cut short, counted as left as stored
}

TEST(DataSources, RenamingAPivotTablesSourceSheetInARealWorkbook) {
    auto book = Workbook::open(tarnvale::testing::corpusPath("sheetjs__root-pivot_table_test.xls"));
    const auto tab = book.findSheet("Data");
    ASSERT_TRUE(tab);
    book.renameSheet(*tab, "Source data");
    const auto stream =
        model::parseWorkbookStream(tarnvale::testing::workbookStreamOf(book.serialize()));
    std::size_t sources = 0;
    for (const auto& r : stream.globals.records) {
        if (r.type != RecordType::DConRef) continue;
        ++sources;
        const Bytes expected = sheetRef(u"Source data");
        EXPECT_TRUE(std::equal(expected.begin() + 6, expected.end(), r.payload.begin() + 6,
                               r.payload.end()));
    }
    EXPECT_EQ(sources, 1u);
}

}  // namespace
}  // namespace xls::ops
