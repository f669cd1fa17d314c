// Loading a corpus workbook stream into records and writing it back, with
// every position recomputed, gives the same bytes: nothing the engine does not
// change may move or change.
#include <gtest/gtest.h>

#include "io/byte_source.h"
#include "model/stream_writer.h"
#include "model/workbook_stream.h"
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
    const auto written = model::writeWorkbookStream(stream, hints);
    ASSERT_EQ(written.size(), bytes->size());
    const auto diff = std::mismatch(written.begin(), written.end(), bytes->begin());
    EXPECT_TRUE(diff.first == written.end())
        << "first difference at byte " << (diff.first - written.begin());
}

INSTANTIATE_TEST_SUITE_P(Corpus, StreamRoundTripTest,
                         ::testing::ValuesIn(testing::corpusWorkbooks()),
                         [](const auto& row) { return testing::testNameOf(row.param); });

}  // namespace
}  // namespace xls
