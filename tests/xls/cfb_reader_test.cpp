// Reading compound files, well-formed and damaged: each damage raises its own
// code at open or on reading a stream, never hanging or reading out of bounds.
#include <gtest/gtest.h>
#include <unicode/uchar.h>

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

using enum ErrorCode;
using tarnvale::testing::raisedCode;
using testing::buildTestCompoundFile;
using testing::openInMemory;
using testing::patternBytes;
using testing::TestCompoundFile;
using testing::TestStream;

class CompoundFileReadTest : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(CompoundFileReadTest, ReadsEveryStreamWithItsBytes) {
    const std::vector<TestStream> streams = {{u"Workbook", patternBytes(10000, 1)},
                                             {u"Tiny", patternBytes(100, 2)},
                                             {u"JustUnder", patternBytes(4095, 3)},
                                             {u"AtCutoff", patternBytes(4096, 4)},
                                             {u"Empty", {}},
                                             {u"\u0005SummaryInformation", patternBytes(300, 5)}};
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
            EXPECT_EQ(
                raisedCode([&] { file.openStream(*id)->readAt(stream.data.size() - 1, past); }),
                TruncatedContainer);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(SectorSizes, CompoundFileReadTest, ::testing::Values(512u, 4096u));

// Deep in a file with DIFAT sectors, the FAT sectors a chain needs come in one read.
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
    // Latin to Latin Extended-A, the Greek alphabet and basic Cyrillic, letter
    // by letter as ICU's simple upper case, but for micro, dotless i, long s and
    // final sigma, which compare as they are.
    for (const auto& [first, last] :
         {std::pair{0x00, 0x17F}, {0x391, 0x3A9}, {0x3B1, 0x3C9}, {0x400, 0x45F}}) {
        for (int c = first; c <= last; ++c) {
            const bool kept = c == 0xB5 || c == 0x131 || c == 0x17F || c == 0x3C2;
            EXPECT_EQ(upperForCompare(static_cast<char16_t>(c)), kept ? c : u_toupper(c)) << c;
        }
    }
}

// Opens the file and reads every stream; the code raised, if any.
std::optional<ErrorCode> openAndReadAll(const std::vector<std::uint8_t>& bytes) {
    return raisedCode([&] {
        const auto file = openInMemory(bytes);
        for (std::uint32_t id = 0; id < file.entries().size(); ++id) {
            if (file.entries()[id].type == EntryType::Stream) file.readStream(id);
        }
    });
}

using Patch = std::function<void(TestCompoundFile&)>;

// Quirks of other writers' files (5000 bytes fill 392 of the last sector).
TEST(CompoundFileRead, ToleratesHarmlessQuirks) {
    const std::vector<std::pair<const char*, Patch>> quirks = {
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

constexpr std::uint32_t kEnd = 0xFFFFFFFE;
constexpr std::uint32_t kFree = 0xFFFFFFFF;

struct Damage {
    const char* name;
    Patch apply;
    ErrorCode expected;
    bool refusedBeforeWriting = false;  // by a rewrite, when the file opens
};

class DamagedCompoundFileTest : public ::testing::TestWithParam<Damage> {};

// Big: 10 regular sectors; Small: 4 mini sectors.
TEST_P(DamagedCompoundFileTest, RaisesItsCode) {
    auto file =
        buildTestCompoundFile({{u"Big", patternBytes(5000)}, {u"Small", patternBytes(200)}});
    ASSERT_EQ(openAndReadAll(file.bytes), std::nullopt);
    GetParam().apply(file);
    EXPECT_EQ(openAndReadAll(file.bytes), GetParam().expected);
    // A rewrite straight to disk raises the same, and writes nothing the file
    // cannot back: a stream size the file cannot hold is refused before a byte goes out.
    std::optional<CompoundFile> opened;
    if (raisedCode([&] { opened.emplace(openInMemory(file.bytes)); })) return;
    io::VectorSink sink;
    EXPECT_EQ(raisedCode([&] { writeCompoundFile(*opened, {}, {}, sink); }), GetParam().expected);
    EXPECT_LT(sink.bytes().size(), file.bytes.size());
    if (GetParam().refusedBeforeWriting) {
        EXPECT_EQ(sink.bytes().size(), 0u);
    }
}

const std::uint32_t kBig = 0;  // index in startSectors
const std::uint32_t kSmall = 1;

INSTANTIATE_TEST_SUITE_P(
    Damages, DamagedCompoundFileTest,
    ::testing::Values(
        Damage{"BadSignature", [](auto& f) { f.bytes[7] = 0; }, NotCompoundFile},
        Damage{"BadByteOrder", [](auto& f) { f.put16(0x1C, 0xFEFF); }, CorruptContainer},
        Damage{"BadSectorShift", [](auto& f) { f.put16(0x1E, 10); }, CorruptContainer},
        Damage{"BadMiniSectorShift", [](auto& f) { f.put16(0x20, 7); }, CorruptContainer},
        Damage{"BadMiniCutoff", [](auto& f) { f.put32(0x38, 0); }, CorruptContainer},
        Damage{"BadMajorVersion", [](auto& f) { f.put16(0x1A, 5); }, CorruptContainer},
        Damage{"HeaderOnly", [](auto& f) { f.bytes.resize(300); }, TruncatedContainer},
        Damage{"CutInsideAStream",
               [](auto& f) { f.bytes.resize(f.sectorOffset(f.startSectors[kBig]) + 1000); },
               TruncatedContainer},
        Damage{"MoreFatSectorsThanTheFileHolds", [](auto& f) { f.put32(0x2C, 500); },
               TruncatedContainer},
        Damage{"FatSectorOutsideTheFile", [](auto& f) { f.put32(0x4C, 900); }, TruncatedContainer},
        Damage{"CyclicStreamChain",
               [](auto& f) {
                   const auto first = f.startSectors[kBig];
                   f.put32(f.fatEntryOffset(first + 3), first + 1);
               },
               CorruptContainer},
        Damage{"ChainEndsEarly",
               [](auto& f) { f.put32(f.fatEntryOffset(f.startSectors[kBig] + 2), kEnd); },
               CorruptContainer},
        Damage{"FreeSectorInAChain",
               [](auto& f) { f.put32(f.fatEntryOffset(f.startSectors[kBig] + 2), kFree); },
               CorruptContainer},
        Damage{"StartSectorBeyondTheFat",
               [](auto& f) { f.put32(f.entryOffset(kBig + 1) + 116, 5000); }, CorruptContainer},
        Damage{"StartSectorBeyondTheEnd",
               [](auto& f) { f.put32(f.entryOffset(kBig + 1) + 116, 100); }, TruncatedContainer,
               true},
        Damage{"StreamSizeBeyondTheFile",
               [](auto& f) { f.put32(f.entryOffset(kBig + 1) + 120, 10'000'000); },
               TruncatedContainer, true},
        Damage{"MiniStreamSizeBeyondTheMiniStream",
               [](auto& f) { f.put32(f.entryOffset(kSmall + 1) + 120, 4000); }, CorruptContainer},
        Damage{"CyclicMiniChain",
               [](auto& f) { f.put32(f.miniFatEntryOffset(f.startSectors[kSmall] + 2), 0); },
               CorruptContainer},
        Damage{"CyclicDirectoryChain",
               [](auto& f) {
                   f.put32(f.fatEntryOffset(f.firstDirectorySector), f.firstDirectorySector);
               },
               CorruptContainer},
        Damage{"DirectoryTreeLoops", [](auto& f) { f.put32(f.entryOffset(2) + 72, 1); },
               CorruptContainer},
        Damage{"DirectoryLinkOutOfRange", [](auto& f) { f.put32(f.entryOffset(0) + 76, 77); },
               CorruptContainer},
        // One directory sector holds four entries: 4 is just past the last one.
        Damage{"DirectoryLinkJustPastTheEnd", [](auto& f) { f.put32(f.entryOffset(0) + 76, 4); },
               CorruptContainer},
        Damage{"RootIsNotARoot", [](auto& f) { f.bytes[f.entryOffset(0) + 66] = 1; },
               CorruptContainer},
        Damage{"TreeHoldsASecondRoot", [](auto& f) { f.bytes[f.entryOffset(1) + 66] = 5; },
               CorruptContainer},
        // More FAT sectors than the header holds, and the one chained DIFAT
        // sector points back to itself.
        Damage{"DifatCycle",
               [](auto& f) {
                   const auto difat = static_cast<std::uint32_t>(f.bytes.size() / 512 - 1);
                   f.bytes.resize(f.bytes.size() + 300 * 512, 0);
                   f.put32(0x2C, 109 + 127 + 1);  // needs two DIFAT sectors
                   f.put32(0x44, difat);
                   f.put32(0x48, 2);
                   for (std::uint32_t i = 1; i < 109; ++i) f.put32(0x4C + 4 * i, 0);
                   f.put32(f.sectorOffset(difat) + 127 * 4, difat);
               },
               CorruptContainer}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(DamagedCompoundFile, DegenerateDeepTreeOpensWithoutExhaustingTheStack) {
    std::vector<TestStream> streams;
    for (int i = 0; i < 100; ++i)
        streams.push_back(
            {std::u16string{u'S', char16_t(u'0' + i % 10), char16_t(u'A' + i / 10)}, {1, 2}});
    EXPECT_EQ(openAndReadAll(buildTestCompoundFile(streams, 4096).bytes), std::nullopt);
}

}  // namespace
}  // namespace xls::cfb
