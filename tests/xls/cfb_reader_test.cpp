// Reading well-formed compound files: both sector sizes, streams on both sides
// of the mini-stream cutoff, case-blind lookup, name order.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "cfb/compound_file.h"
#include "cfb/compound_file_writer.h"
#include "cfb/entry_name.h"
#include "io/byte_source.h"
#include "support/cfb_test_file.h"
#include "support/counting_source.h"
#include "support/error_code_of.h"
#include "xls/error.h"

namespace xls::cfb {
namespace {

using testing::buildTestCompoundFile;
using testing::openInMemory;
using testing::patternBytes;
using testing::TestStream;

std::vector<TestStream> sampleStreams() {
    return {{u"Workbook", patternBytes(10000, 1)},
            {u"Tiny", patternBytes(100, 2)},
            {u"JustUnder", patternBytes(4095, 3)},
            {u"AtCutoff", patternBytes(4096, 4)},
            {u"Empty", {}},
            {u"\u0005SummaryInformation", patternBytes(300, 5)}};
}

class CompoundFileReadTest : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(CompoundFileReadTest, ReadsEveryStreamWithItsBytes) {
    const auto streams = sampleStreams();
    const auto file = openInMemory(buildTestCompoundFile(streams, GetParam()).bytes);
    EXPECT_EQ(file.sectorSize(), GetParam());
    EXPECT_EQ(file.majorVersion(), GetParam() == 512 ? 3 : 4);
    EXPECT_EQ(file.children(0).size(), streams.size());
    // Letter case is matched on the corpus; a storage past the last finds nothing.
    EXPECT_FALSE(file.find(u"Tiny", static_cast<std::uint32_t>(file.entries().size())));
    for (const auto& stream : streams) {
        const auto id = file.find(stream.name);
        ASSERT_TRUE(id.has_value());
        EXPECT_EQ(file.entries()[*id].type, EntryType::Stream);
        EXPECT_EQ(file.entries()[*id].size, stream.data.size());
        EXPECT_EQ(file.readStream(*id), stream.data);
        // A read one byte past the end is refused, on both sides of the cutoff.
        std::vector<std::uint8_t> past(2);
        if (!stream.data.empty()) {
            EXPECT_EQ(tarnvale::testing::errorCodeOf(
                          [&] { file.openStream(*id)->readAt(stream.data.size() - 1, past); }),
                      ErrorCode::TruncatedContainer);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(SectorSizes, CompoundFileReadTest, ::testing::Values(512u, 4096u));

// A rewrite large enough that the FAT needs more than the header's 109 sectors
// gets DIFAT sectors. A read deep into it follows the chain through half the
// FAT: the FAT sectors lie next to each other, so they come in one read, not
// one read each, and only those the chain reaches are read.
TEST(CompoundFileRead, ReadsTheFatSectorsAChainNeedsTogether) {
    const auto big = patternBytes(8'000'000, 7);
    const auto small =
        openInMemory(buildTestCompoundFile({{u"Workbook", patternBytes(5000)}}).bytes);
    const auto bytes = rewriteCompoundFile(small, {{*small.find(u"Workbook"), big}});
    EXPECT_GT(bytes[0x48], 0u) << "no DIFAT sectors";
    const auto source = std::make_shared<tarnvale::testing::CountingSource>(bytes);
    const auto file = CompoundFile::open(source);
    const auto stream = file.openStream(*file.find(u"Workbook"));
    std::vector<std::uint8_t> middle(100);
    stream->readAt(big.size() / 2, middle);
    EXPECT_TRUE(std::equal(middle.begin(), middle.end(), big.begin() + big.size() / 2));
    const std::size_t halfTheFat = big.size() / 2 / 512 / 128;
    EXPECT_GE(file.fatSectorsRead(), halfTheFat);
    EXPECT_LE(file.fatSectorsRead(), halfTheFat + 2);
    EXPECT_LE(file.fatReads(), 2u);
    EXPECT_LT(source->bytesRead * 100, bytes.size());
    EXPECT_EQ(file.readStream(*file.find(u"Workbook")), big);
}

TEST(CompoundFileFind, IgnoresLetterCase) {
    const auto file = openInMemory(
        buildTestCompoundFile({{u"Workbook", patternBytes(5000)}, {u"\u00C4rger", {1}}}).bytes);
    EXPECT_EQ(file.find(u"WORKBOOK"), file.find(u"Workbook"));
    EXPECT_TRUE(file.find(u"workbook").has_value());
    EXPECT_TRUE(file.find(u"\u00E4RGER").has_value());
    EXPECT_FALSE(file.find(u"Book").has_value());
    EXPECT_FALSE(file.find(u"Workbook", 42).has_value());
}

TEST(CompoundFileNames, SortShorterFirstThenUpperCase) {
    EXPECT_LT(compareNames(u"Zz", u"AAA"), 0);
    EXPECT_EQ(compareNames(u"book", u"BOOK"), 0);
    EXPECT_LT(compareNames(u"abc", u"ABD"), 0);
    EXPECT_EQ(compareNames(u"\u0436", u"\u0416"), 0);  // Cyrillic zhe
    EXPECT_EQ(compareNames(u"\u0101", u"\u0100"), 0);  // a with macron
    EXPECT_EQ(compareNames(u"\u0450", u"\u0400"), 0);  // Cyrillic ie with grave
}

// Quirks of files other writers make, read as the stream they hold: a byte-order
// mark of 0xFFFF, a final sector cut short after the stream ends (5000 bytes fill
// 392 of the last one), and a stored size whose high half a version 3 file ignores.
TEST(CompoundFileRead, ToleratesHarmlessQuirks) {
    const std::vector<std::pair<const char*, std::function<void(testing::TestCompoundFile&)>>>
        quirks = {
            {"byte-order mark", [](auto& f) { f.put16(0x1C, 0xFFFF); }},
            {"last sector cut", [](auto& f) { f.bytes.resize(f.bytes.size() - (512 - 392)); }},
            {"size high half", [](auto& f) { f.put32(f.entryOffset(1) + 124, 0xDEADBEEF); }}};
    for (const auto& [what, apply] : quirks) {
        auto built = buildTestCompoundFile({{u"Workbook", patternBytes(5000)}});
        apply(built);
        const auto file = openInMemory(built.bytes);
        EXPECT_EQ(file.readStream(*file.find(u"Workbook")), patternBytes(5000)) << what;
    }
}

}  // namespace
}  // namespace xls::cfb
