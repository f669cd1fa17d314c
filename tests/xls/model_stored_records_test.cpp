// Chunked passes over the records a lazily loaded sheet keeps stored: every
// record seen once and in order, a record never parted from its Continue
// records, and an edit that leaves the records it did not change stored,
// writing the same stream as the same edit on records read in full. Small
// chunks make every corpus sheet span many of them.
#include <gtest/gtest.h>

#include <set>

#include "io/byte_source.h"
#include "model/stored_records.h"
#include "model/workbook_stream.h"
#include "support/corpus_manifest.h"
#include "support/workbook_stream_of.h"
#include "xls/error.h"

namespace xls::model {
namespace {

constexpr std::size_t kSmallChunk = 64;

// A change that depends only on the record, so both loads can make it.
bool changes(const Record& r) {
    return !r.payload.empty() && biff::toU16(r.type) % 3 == 0;
}

void change(Record& r) {
    r.payload[0] ^= 0x5A;
}

class StoredRecordsTest : public ::testing::TestWithParam<std::string> {};

TEST_P(StoredRecordsTest, ChunkedPassesMatchTheFullLoad) {
    const auto bytes =
        tarnvale::testing::readWorkbookStreamBytes(tarnvale::testing::corpusPath(GetParam()));
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
                if (chunk.front().type == biff::RecordType::Continue) {
                    EXPECT_TRUE(standInStarts.count(seen.size())) << "substream " << s;
                }
                seen.insert(seen.end(), chunk.begin(), chunk.end());
            },
            {}, kSmallChunk);
        std::size_t held = 0, changed = 0;
        std::vector<Record> stored;
        for (const Record& r : lazy.substreams[s].records) held += r.isStoredRun() ? 0 : 1;
        for (Record& r : loaded.substreams[s].records) {
            if (held > 0 &&
                (r.type == biff::RecordType::BOF || r.type == biff::RecordType::EOF_ ||
                 r.type == biff::RecordType::Index || r.type == biff::RecordType::Window2))
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
            if (changes(r) && r.type != biff::RecordType::BOF) change(r);
        std::size_t heldAfter = 0;
        for (const Record& r : lazy.substreams[s].records) heldAfter += r.isStoredRun() ? 0 : 1;
        EXPECT_EQ(heldAfter, held + changed) << "substream " << s;
    }
    EXPECT_EQ(serializeWorkbookStream(lazy), serializeWorkbookStream(loaded));
}

INSTANTIATE_TEST_SUITE_P(Corpus, StoredRecordsTest,
                         ::testing::ValuesIn(tarnvale::testing::corpusWorkbooks()),
                         tarnvale::testing::byFileName);

}  // namespace
}  // namespace xls::model
