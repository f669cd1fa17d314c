// A stand-in reads its bytes from the stream its range came from: a sheet
// taken over from another workbook's stream keeps its unread records there,
// and the writer and the full load read them from it.
#include <gtest/gtest.h>

#include "model/stream_writer.h"
#include "model/workbook_stream.h"
#include "support/ops_test_workbook.h"

namespace xls::model {
namespace {

using ops::testing::formula;
using ops::testing::ref3d;

// A few cells go out inside the buffer around them, many as a range of their own.
class StoredRangeSourceTest : public ::testing::TestWithParam<std::uint16_t> {};

TEST_P(StoredRangeSourceTest, ASheetFromAnotherStreamIsReadFromThatStream) {
    WorkbookStream other = ops::testing::threeSheets();
    auto& cells = other.substreams[0].records;
    cells[1] = formula(0, ref3d(1), 42.0);  // its cells differ
    for (std::uint16_t row = 1; row < GetParam(); ++row)
        cells.insert(cells.begin() + 1, formula(row, ref3d(1), 42.0));
    const auto otherBytes = writeWorkbookStream(other).toVector();
    WorkbookStream fromOther = parseWorkbookStream(std::make_shared<io::MemorySource>(otherBytes));
    WorkbookStream book = parseWorkbookStream(std::make_shared<io::MemorySource>(
        writeWorkbookStream(ops::testing::threeSheets()).toVector()));
    ASSERT_TRUE(fromOther.substreams[0].records[1].isStoredRun());

    book.substreams[0] = fromOther.substreams[0];
    const auto expected = parseWorkbookStream(otherBytes).substreams[0].records;
    EXPECT_EQ(parseWorkbookStream(writeWorkbookStream(book).toVector()).substreams[0].records,
              expected);
    loadRecords(book.substreams[0]);
    EXPECT_EQ(book.substreams[0].records, expected);
}

INSTANTIATE_TEST_SUITE_P(Cells, StoredRangeSourceTest, ::testing::Values(1, 4000));

TEST(StoredRangeSource, RangesOfDifferentStreamsStayApart) {
    const auto one = std::make_shared<io::MemorySource>(std::vector<std::uint8_t>(8, 0));
    const auto two = std::make_shared<io::MemorySource>(std::vector<std::uint8_t>(8, 0));
    std::vector<Record> records;
    appendStoredRange(records, {0, 4, biff::RecordType::Formula, one});
    appendStoredRange(records, {4, 4, biff::RecordType::Formula, one});
    appendStoredRange(records, {8, 4, biff::RecordType::Formula, two});
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].stored->size, 8u);
    EXPECT_EQ(records[1].stored->source, two);
}

}  // namespace
}  // namespace xls::model
