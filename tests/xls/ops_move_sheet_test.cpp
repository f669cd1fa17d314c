// Moving a sheet within its workbook, in hand-built records: the sheet and its
// substream change place, and everything that reaches sheets by tab index
// still reaches the same sheets.
#include <gtest/gtest.h>

#include "model/stream_writer.h"
#include "model/workbook_stream.h"
#include "ops/move_sheet.h"
#include "support/ops_test_workbook.h"

namespace xls::ops {
namespace {

using biff::RecordType;
using model::Record;
using namespace testing;

std::vector<const Record*> all(const std::vector<Record>& records, RecordType type) {
    std::vector<const Record*> found;
    for (const auto& r : records)
        if (r.type == type) found.push_back(&r);
    return found;
}

std::string sheetName(const Record& boundSheet) {
    return std::string(boundSheet.payload.begin() + 8, boundSheet.payload.end());
}

struct MoveCase {
    std::size_t tab, newTab;
    const char* order;                    // sheet names in tab order afterwards
    std::int16_t selfXtis[5][2];          // XTIs 0..4 (A, B, A:C, B:C, C) afterwards
    std::uint16_t printAreaItab, l3Itab;  // the local names of B and C
    Bytes tabIds;
    std::uint16_t activeTab;  // B was active
};

const MoveCase kMoves[] = {
    {0, 2, "BCA", {{2, 2}, {0, 0}, {1, 2}, {0, 1}, {1, 1}}, 1, 2, {2, 0, 3, 0, 1, 0}, 0},
    {2, 0, "CAB", {{1, 1}, {2, 2}, {0, 1}, {0, 2}, {0, 0}}, 3, 1, {3, 0, 1, 0, 2, 0}, 2},
    {1, 2, "ACB", {{0, 0}, {2, 2}, {0, 1}, {1, 2}, {1, 1}}, 3, 2, {1, 0, 3, 0, 2, 0}, 2},
    {1, 1, "ABC", {{0, 0}, {1, 1}, {0, 2}, {1, 2}, {2, 2}}, 2, 3, {1, 0, 2, 0, 3, 0}, 1},
};

TEST(MoveSheet, EveryHolderOfATabIndexFollowsItsSheet) {
    for (const MoveCase& c : kMoves) {
        SCOPED_TRACE(c.order);
        const auto before = threeSheets();
        auto w = before;
        moveSheetRecords(w, c.tab, c.newTab);
        const auto& g = w.globals.records;

        std::string order;
        for (const Record* r : all(g, RecordType::BoundSheet8)) order += sheetName(*r);
        EXPECT_EQ(order, c.order);
        // Each sheet's substream goes with it, and the stream keeps tab order.
        for (std::size_t tab = 0; tab < 3; ++tab) {
            EXPECT_EQ(w.sheetSubstream[tab], tab);
            EXPECT_EQ(w.substreams[tab].records,
                      before.substreams[static_cast<std::size_t>(c.order[tab] - 'A')].records);
        }
        const auto& x = all(g, RecordType::ExternSheet).front()->payload;
        for (std::size_t i = 0; i < 6; ++i) {
            const std::int16_t* expected = i < 5 ? c.selfXtis[i] : nullptr;
            const auto first = static_cast<std::int16_t>(get16(x, 2 + i * 6 + 2));
            const auto last = static_cast<std::int16_t>(get16(x, 2 + i * 6 + 4));
            if (expected) {
                EXPECT_EQ(first, expected[0]) << "XTI " << i;
                EXPECT_EQ(last, expected[1]) << "XTI " << i;
            } else {
                EXPECT_EQ(first, 0) << "the external workbook's XTI stays";
            }
        }
        const auto names = all(g, RecordType::Lbl);
        EXPECT_EQ(get16(names[0]->payload, 8), 0) << "a global name stays global";
        EXPECT_EQ(get16(names[1]->payload, 8), c.printAreaItab);
        EXPECT_EQ(get16(names[2]->payload, 8), c.l3Itab);
        EXPECT_EQ(all(g, RecordType::RRTabId).front()->payload, c.tabIds);
        EXPECT_EQ(get16(all(g, RecordType::Window1).front()->payload, 10), c.activeTab);

        const auto reopened = model::parseWorkbookStream(model::writeWorkbookStream(w).toVector());
        EXPECT_EQ(reopened.sheetSubstream.size(), 3u);
    }
}

}  // namespace
}  // namespace xls::ops
