// Loading the workbook stream of every corpus workbook that opens into records
// and writing it back, with every position recomputed, gives the same bytes:
// nothing the engine does not change may move or change. Loading leaves the
// sheets' cell data in the stored stream; an edit must give the same stream as
// with every record read.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "io/byte_source.h"
#include "model/stream_writer.h"
#include "model/workbook_stream.h"
#include "ops/sheet_edits.h"
#include "support/corpus_manifest.h"
#include "support/workbook_stream_of.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace xls {
namespace {

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

class StreamRoundTripTest : public ::testing::TestWithParam<std::string> {};

TEST_P(StreamRoundTripTest, StoredRecordsWriteAsReadOnesAndUnchangedAsStored) {
    const auto path = tarnvale::testing::corpusPath(GetParam());
    try {
        Workbook::open(path);
    } catch (const Error&) {
        GTEST_SKIP() << "does not open";
    }
    const auto bytes = tarnvale::testing::readWorkbookStreamBytes(path);
    ASSERT_TRUE(bytes) << "opens, yet its workbook stream cannot be read";
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
        if (what != edits.front().first) continue;  // an edit may be refused; unchanged may not
        ASSERT_TRUE(loaded) << "a workbook that opens must load and write back";
        ASSERT_EQ(loaded->size(), bytes->size());
        const auto diff = std::mismatch(loaded->begin(), loaded->end(), bytes->begin());
        EXPECT_TRUE(diff.first == loaded->end())
            << "unchanged: first difference at byte " << (diff.first - loaded->begin());
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, StreamRoundTripTest,
                         ::testing::ValuesIn(tarnvale::testing::corpusWorkbooks()),
                         tarnvale::testing::byFileName);

}  // namespace
}  // namespace xls
