// The full load of a workbook stream where the corpus seldom goes: sheets linked
// to substreams stored in another order, a sheet without its EOF, trailing bytes
// kept, and the records writing back byte for byte.
#include <gtest/gtest.h>

#include "model/workbook_stream.h"
#include "support/counting_source.h"
#include "support/error_code_of.h"
#include "support/workbook_builder.h"
#include "xls/error.h"

namespace xls::model {
namespace {

using namespace tarnvale::testing;
using biff::RecordType;

WorkbookStream loadExactly(const Bytes& bytes) {
    WorkbookStream stream = parseWorkbookStream(bytes);
    EXPECT_EQ(serializeWorkbookStream(stream), bytes);
    return stream;
}

TEST(WorkbookStream, LinksSheetsToSubstreamsStoredInAnotherOrder) {
    Bytes bytes = WorkbookStreamBuilder().sheet({u"A"}).sheet({u"B"}).build();
    // Swap the two BoundSheet8.lbPlyPos fields: tab 0 now names the second substream.
    const std::uint32_t first = sheetOffset(bytes, 0);
    setSheetOffset(bytes, 0, sheetOffset(bytes, 1));
    setSheetOffset(bytes, 1, first);
    WorkbookStream stream = loadExactly(bytes);
    EXPECT_EQ(stream.sheetSubstream, (std::vector<std::size_t>{1, 0}));
}

// A record cut short at the end is kept as trailing bytes, its sheet left
// unclosed. (Padding after the last substream: the corpus files.)
TEST(WorkbookStream, KeepsARecordCutShortAtTheEnd) {
    Bytes cut = WorkbookStreamBuilder().sheet({u"S"}).build();
    cut.resize(cut.size() - 2);  // the last EOF loses half its header
    const WorkbookStream stream = loadExactly(cut);
    EXPECT_FALSE(stream.substreams.at(0).closed);
    EXPECT_EQ(stream.trailing.size(), 2u);
}

TEST(WorkbookStream, ASheetWithoutItsEofEndsAtTheNextSheet) {
    // Sheet A opens a chart and never closes itself: the builder's EOF closes the chart.
    Bytes open = join({record(kBofId, bofPayload(0x0600, 0x20)), record(0x1002, Bytes(4, 0))});
    Bytes bytes = WorkbookStreamBuilder().sheet({u"A", 0, 0, false, open}).sheet({u"B"}).build();
    WorkbookStream stream = loadExactly(bytes);
    ASSERT_EQ(stream.substreams.size(), 2u);
    EXPECT_FALSE(stream.substreams[0].closed);
    EXPECT_TRUE(stream.substreams[1].closed);
    EXPECT_EQ(stream.sheetSubstream, (std::vector<std::size_t>{0, 1}));
}

// A sheet offset that points at no substream, and globals that end without
// their EOF (at the stream's end or at a BOF), are refused.
TEST(WorkbookStream, RefusesSubstreamsItCannotDelimit) {
    Bytes offByFour = WorkbookStreamBuilder().sheet({u"S"}).build();
    offByFour[24] = static_cast<std::uint8_t>(offByFour[24] + 4);  // at the sheet's WsBool
    const Bytes globals = record(kBofId, bofPayload(0x0600, 5));
    for (const Bytes& bytes : {offByFour, join({globals, record(0x0042, u16Payload(1252))}),
                               join({globals, record(kBofId, bofPayload(0x0600, 0x10))})}) {
        EXPECT_EQ(errorCodeOf([&] { parseWorkbookStream(bytes); }), ErrorCode::CorruptWorkbook);
    }
}

TEST(WorkbookStream, WritesEditedRecords) {
    WorkbookStream stream = parseWorkbookStream(WorkbookStreamBuilder().sheet({u"S"}).build());
    stream.substreams[0].records.insert(stream.substreams[0].records.begin() + 1,
                                        Record{RecordType::CodeName, Bytes(3, 9)});
    Bytes written = serializeWorkbookStream(stream);
    WorkbookStream again = parseWorkbookStream(written);
    EXPECT_EQ(again.substreams[0].records[1], (Record{RecordType::CodeName, Bytes(3, 9)}));
    stream.substreams[0].records[1].payload.resize(70000);
    EXPECT_THROW(serializeWorkbookStream(stream), Error);
}

}  // namespace
}  // namespace xls::model
