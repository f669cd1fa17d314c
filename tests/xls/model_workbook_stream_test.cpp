// The full and the lazy load of a workbook stream, chunked passes over the
// records a lazy load keeps stored, and stand-ins read from their own stream.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "io/byte_source.h"
#include "model/stored_records.h"
#include "model/stream_writer.h"
#include "model/workbook_stream.h"
#include "support/corpus_manifest.h"
#include "support/error_code_of.h"
#include "support/ops_test_workbook.h"
#include "support/workbook_builder.h"
#include "support/workbook_stream_of.h"
#include "xls/error.h"

namespace xls::model {
namespace {

using namespace tarnvale::testing;
using biff::RecordType;
using ops::testing::formula;
using ops::testing::ref3d;

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
// unclosed; a sheet without its EOF ends at the next sheet.
TEST(WorkbookStream, KeepsSheetsLeftUnclosed) {
    Bytes cut = WorkbookStreamBuilder().sheet({u"S"}).build();
    cut.resize(cut.size() - 2);  // the last EOF loses half its header
    const WorkbookStream cutStream = loadExactly(cut);
    EXPECT_FALSE(cutStream.substreams.at(0).closed);
    EXPECT_EQ(cutStream.trailing.size(), 2u);

    // Sheet A opens a chart and never closes itself: the builder's EOF closes the chart.
    Bytes open = join({record(kBofId, bofPayload(0x0600, 0x20)), record(0x1002, Bytes(4, 0))});
    Bytes bytes = WorkbookStreamBuilder().sheet({u"A", 0, 0, false, open}).sheet({u"B"}).build();
    WorkbookStream stream = loadExactly(bytes);
    ASSERT_EQ(stream.substreams.size(), 2u);
    EXPECT_FALSE(stream.substreams[0].closed);
    EXPECT_TRUE(stream.substreams[1].closed);
    EXPECT_EQ(stream.sheetSubstream, (std::vector<std::size_t>{0, 1}));
}

// A sheet offset at no substream, and globals without their EOF, are refused.
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

constexpr std::size_t kSmallChunk = 64;

// A change that depends only on the record, so both loads can make it.
bool changes(const Record& r) {
    return !r.payload.empty() && biff::toU16(r.type) % 3 == 0;
}

void change(Record& r) {
    r.payload[0] ^= 0x5A;
}

std::size_t heldIn(const Substream& substream) {
    return std::count_if(substream.records.begin(), substream.records.end(),
                         [](const Record& r) { return !r.isStoredRun(); });
}

class StoredRecordsTest : public ::testing::TestWithParam<std::string> {};

TEST_P(StoredRecordsTest, ChunkedPassesMatchTheFullLoad) {
    const auto bytes = readWorkbookStreamBytes(corpusPath(GetParam()));
    if (!bytes) GTEST_SKIP() << "no readable workbook stream";
    WorkbookStream lazy, loaded;
    try {
        lazy = parseWorkbookStream(std::make_shared<io::MemorySource>(*bytes));
        loaded = parseWorkbookStream(*bytes);
    } catch (const Error& e) {
        GTEST_SKIP() << "the reader refuses it: " << e.what();
    }
    ASSERT_EQ(lazy.substreams.size(), loaded.substreams.size());
    for (std::size_t s = 0; s < lazy.substreams.size(); ++s) {
        // Reading: the stored records, in order; a chunk starts with a Continue
        // record only where a stand-in does (a chunk per stand-in when unbounded).
        std::set<std::size_t> standInStarts;
        std::size_t count = 0;
        readStoredRecords(
            lazy.substreams[s],
            [&](const std::vector<Record>& chunk) {
                standInStarts.insert(count);
                count += chunk.size();
            },
            {}, SIZE_MAX);
        std::vector<Record> seen;
        readStoredRecords(
            lazy.substreams[s],
            [&](const std::vector<Record>& chunk) {
                ASSERT_FALSE(chunk.empty());
                if (chunk.front().type == RecordType::Continue) {
                    EXPECT_TRUE(standInStarts.count(seen.size())) << "substream " << s;
                }
                seen.insert(seen.end(), chunk.begin(), chunk.end());
            },
            {}, kSmallChunk);
        const std::size_t held = heldIn(lazy.substreams[s]);
        std::size_t changed = 0;
        std::vector<Record> stored;
        for (Record& r : loaded.substreams[s].records) {
            if (held > 0 && (r.type == RecordType::BOF || r.type == RecordType::EOF_ ||
                             r.type == RecordType::Index || r.type == RecordType::Window2))
                continue;
            stored.push_back(r);
        }
        if (lazy.substreams[s].loaded) continue;
        EXPECT_TRUE(seen == stored) << "substream " << s;

        // Editing: the same change on both; only changed records become held.
        // The visit reads only the records it may change.
        editStoredRecords(
            lazy.substreams[s],
            [&](std::vector<Record>& chunk) {
                for (Record& r : chunk)
                    if (!r.isStoredRun() && changes(r)) change(r), ++changed;
            },
            [](biff::RecordType type) { return biff::toU16(type) % 3 == 0; }, kSmallChunk);
        for (Record& r : loaded.substreams[s].records)
            if (changes(r) && r.type != RecordType::BOF) change(r);
        EXPECT_EQ(heldIn(lazy.substreams[s]), held + changed) << "substream " << s;
    }
    EXPECT_EQ(serializeWorkbookStream(lazy), serializeWorkbookStream(loaded));
}

INSTANTIATE_TEST_SUITE_P(Corpus, StoredRecordsTest, ::testing::ValuesIn(corpusWorkbooks()),
                         byFileName);

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
    appendStoredRange(records, {0, 4, RecordType::Formula, one});
    appendStoredRange(records, {4, 4, RecordType::Formula, one});
    appendStoredRange(records, {8, 4, RecordType::Formula, two});
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].stored->size, 8u);
    EXPECT_EQ(records[1].stored->source, two);
}

}  // namespace
}  // namespace xls::model
