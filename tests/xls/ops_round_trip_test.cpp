// Loading a corpus workbook stream into records and writing it back, with
// every position recomputed, gives the same bytes: nothing the engine does not
// change may move or change.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "io/byte_source.h"
#include "model/stream_writer.h"
#include "model/workbook_stream.h"
#include "ops/sheet_edits.h"
#include "xls/error.h"
#include "xls/ops_corpus_files.h"

namespace xls {
namespace {

class StreamRoundTripTest : public ::testing::TestWithParam<std::string> {};

TEST_P(StreamRoundTripTest, WritesTheSameBytes) {
    const auto bytes = testing::readWorkbookStreamBytes(testing::corpusPath(GetParam()));
    if (!bytes) GTEST_SKIP() << "no readable workbook stream";
    model::WorkbookStream stream;
    try {
        stream = model::parseWorkbookStream(*bytes);
    } catch (const Error& e) {
        GTEST_SKIP() << "the reader refuses it: " << e.what() << " " << e.context();
    }
    const auto hints =
        model::readWriteHints(std::make_shared<io::MemorySource>(std::vector(*bytes)));
    const auto written = model::writeWorkbookStream(stream, hints).toVector();
    ASSERT_EQ(written.size(), bytes->size());
    const auto diff = std::mismatch(written.begin(), written.end(), bytes->begin());
    EXPECT_TRUE(diff.first == written.end())
        << "first difference at byte " << (diff.first - written.begin());
}

// Loading leaves the sheets' cell data in the stored stream; an edit must give
// the same stream as with every record read.
using Edit = std::function<void(model::WorkbookStream&)>;

std::optional<std::vector<std::uint8_t>> writtenAfter(const std::vector<std::uint8_t>& bytes,
                                                      bool lazy, const Edit& edit) {
    try {
        auto stream =
            lazy
                ? model::parseWorkbookStream(std::make_shared<io::MemorySource>(std::vector(bytes)))
                : model::parseWorkbookStream(bytes);
        edit(stream);
        const auto hints = model::readWriteHints(std::make_shared<io::MemorySource>(bytes));
        return model::writeWorkbookStream(stream, hints).toVector();
    } catch (const Error&) {
        return std::nullopt;
    }
}

TEST_P(StreamRoundTripTest, StoredRecordsWriteAsReadOnes) {
    const auto bytes = testing::readWorkbookStreamBytes(testing::corpusPath(GetParam()));
    if (!bytes) GTEST_SKIP() << "no readable workbook stream";
    const std::vector<std::pair<const char*, Edit>> edits = {
        {"unchanged", [](model::WorkbookStream&) {}},
        {"first sheet renamed",
         [](model::WorkbookStream& s) { ops::renameSheetRecords(s, 0, "A much longer name"); }},
        {"first sheet deleted",
         [](model::WorkbookStream& s) {
             if (s.sheetSubstream.size() < 2) return;
             ops::deleteSheetRecords(
                 s, 0, std::vector<Visibility>(s.sheetSubstream.size() - 1, Visibility::Visible));
         }},
    };
    for (const auto& [what, edit] : edits) {
        const auto loaded = writtenAfter(*bytes, false, edit);
        const auto lazy = writtenAfter(*bytes, true, edit);
        ASSERT_EQ(loaded.has_value(), lazy.has_value()) << what;
        EXPECT_TRUE(loaded == lazy) << what;
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, StreamRoundTripTest,
                         ::testing::ValuesIn(testing::corpusWorkbooks()),
                         [](const auto& row) { return testing::testNameOf(row.param); });

}  // namespace
}  // namespace xls
