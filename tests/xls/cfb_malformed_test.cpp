// Damaged compound files: each damage raises its own error code, at open or
// when the stream is read, and never hangs or reads out of bounds.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "cfb/compound_file.h"
#include "cfb/compound_file_writer.h"
#include "io/byte_source.h"
#include "support/cfb_test_file.h"
#include "support/error_code_of.h"
#include "xls/error.h"

namespace xls::cfb {
namespace {

using testing::buildTestCompoundFile;
using testing::patternBytes;
using testing::TestCompoundFile;

constexpr std::uint32_t kEnd = 0xFFFFFFFE;
constexpr std::uint32_t kFree = 0xFFFFFFFF;

// Big: regular sectors (5000 bytes, 10 sectors); Small: in the mini stream (200
// bytes, 4 mini sectors).
TestCompoundFile sampleFile() {
    return buildTestCompoundFile({{u"Big", patternBytes(5000)}, {u"Small", patternBytes(200)}});
}

// Opens the file and reads every stream; the code raised, if any.
std::optional<ErrorCode> openAndReadAll(const std::vector<std::uint8_t>& bytes) {
    return tarnvale::testing::raisedCode([&] {
        const auto file = CompoundFile::open(std::make_shared<io::MemorySource>(bytes));
        for (std::uint32_t id = 0; id < file.entries().size(); ++id) {
            if (file.entries()[id].type == EntryType::Stream) file.readStream(id);
        }
    });
}

// Counts what a rewrite sends out.
class CountingSink final : public io::ByteSink {
  public:
    void write(std::span<const std::uint8_t> bytes) override { count += bytes.size(); }
    std::uint64_t count = 0;
};

struct Damage {
    const char* name;
    std::function<void(TestCompoundFile&)> apply;
    ErrorCode expected;
    bool refusedBeforeWriting = false;  // by a rewrite, when the file opens
};

void PrintTo(const Damage& damage, std::ostream* os) {
    *os << damage.name;
}

class DamagedCompoundFileTest : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedCompoundFileTest, RaisesItsCode) {
    auto file = sampleFile();
    ASSERT_EQ(openAndReadAll(file.bytes), std::nullopt);
    GetParam().apply(file);
    EXPECT_EQ(openAndReadAll(file.bytes), GetParam().expected);
    // A rewrite straight to disk raises the same, and writes nothing the file
    // cannot back: a stream size the file cannot hold is refused before a byte goes out.
    std::optional<CompoundFile> opened;
    if (tarnvale::testing::raisedCode([&] { opened.emplace(testing::openInMemory(file.bytes)); }))
        return;
    CountingSink sink;
    EXPECT_EQ(tarnvale::testing::raisedCode([&] { writeCompoundFile(*opened, {}, {}, sink); }),
              GetParam().expected);
    EXPECT_LT(sink.count, file.bytes.size());
    if (GetParam().refusedBeforeWriting) {
        EXPECT_EQ(sink.count, 0u);
    }
}

const std::uint32_t kBig = 0;  // index in startSectors
const std::uint32_t kSmall = 1;

INSTANTIATE_TEST_SUITE_P(
    Damages, DamagedCompoundFileTest,
    ::testing::Values(
        Damage{"BadSignature", [](auto& f) { f.bytes[7] = 0; }, ErrorCode::NotCompoundFile},
        Damage{"BadByteOrder", [](auto& f) { f.put16(0x1C, 0xFEFF); }, ErrorCode::CorruptContainer},
        Damage{"BadSectorShift", [](auto& f) { f.put16(0x1E, 10); }, ErrorCode::CorruptContainer},
        Damage{"BadMiniSectorShift", [](auto& f) { f.put16(0x20, 7); },
               ErrorCode::CorruptContainer},
        Damage{"BadMiniCutoff", [](auto& f) { f.put32(0x38, 0); }, ErrorCode::CorruptContainer},
        Damage{"BadMajorVersion", [](auto& f) { f.put16(0x1A, 5); }, ErrorCode::CorruptContainer},
        Damage{"HeaderOnly", [](auto& f) { f.bytes.resize(300); }, ErrorCode::TruncatedContainer},
        Damage{"CutInsideAStream",
               [](auto& f) { f.bytes.resize(f.sectorOffset(f.startSectors[kBig]) + 1000); },
               ErrorCode::TruncatedContainer},
        Damage{"MoreFatSectorsThanTheFileHolds", [](auto& f) { f.put32(0x2C, 500); },
               ErrorCode::TruncatedContainer},
        Damage{"FatSectorOutsideTheFile", [](auto& f) { f.put32(0x4C, 900); },
               ErrorCode::TruncatedContainer},
        Damage{"CyclicStreamChain",
               [](auto& f) {
                   const auto first = f.startSectors[kBig];
                   f.put32(f.fatEntryOffset(first + 3), first + 1);
               },
               ErrorCode::CorruptContainer},
        Damage{"ChainEndsEarly",
               [](auto& f) { f.put32(f.fatEntryOffset(f.startSectors[kBig] + 2), kEnd); },
               ErrorCode::CorruptContainer},
        Damage{"FreeSectorInAChain",
               [](auto& f) { f.put32(f.fatEntryOffset(f.startSectors[kBig] + 2), kFree); },
               ErrorCode::CorruptContainer},
        Damage{"StartSectorBeyondTheFat",
               [](auto& f) { f.put32(f.entryOffset(kBig + 1) + 116, 5000); },
               ErrorCode::CorruptContainer},
        Damage{"StartSectorBeyondTheEnd",
               [](auto& f) { f.put32(f.entryOffset(kBig + 1) + 116, 100); },
               ErrorCode::TruncatedContainer, true},
        Damage{"StreamSizeBeyondTheFile",
               [](auto& f) { f.put32(f.entryOffset(kBig + 1) + 120, 10'000'000); },
               ErrorCode::TruncatedContainer, true},
        Damage{"MiniStreamSizeBeyondTheMiniStream",
               [](auto& f) { f.put32(f.entryOffset(kSmall + 1) + 120, 4000); },
               ErrorCode::CorruptContainer},
        Damage{"CyclicMiniChain",
               [](auto& f) { f.put32(f.miniFatEntryOffset(f.startSectors[kSmall] + 2), 0); },
               ErrorCode::CorruptContainer},
        Damage{"CyclicDirectoryChain",
               [](auto& f) {
                   f.put32(f.fatEntryOffset(f.firstDirectorySector), f.firstDirectorySector);
               },
               ErrorCode::CorruptContainer},
        Damage{"DirectoryTreeLoops", [](auto& f) { f.put32(f.entryOffset(2) + 72, 1); },
               ErrorCode::CorruptContainer},
        Damage{"DirectoryLinkOutOfRange", [](auto& f) { f.put32(f.entryOffset(0) + 76, 77); },
               ErrorCode::CorruptContainer},
        // One directory sector holds four entries: 4 is just past the last one.
        Damage{"DirectoryLinkJustPastTheEnd", [](auto& f) { f.put32(f.entryOffset(0) + 76, 4); },
               ErrorCode::CorruptContainer},
        Damage{"RootIsNotARoot", [](auto& f) { f.bytes[f.entryOffset(0) + 66] = 1; },
               ErrorCode::CorruptContainer},
        Damage{"TreeHoldsASecondRoot", [](auto& f) { f.bytes[f.entryOffset(1) + 66] = 5; },
               ErrorCode::CorruptContainer},
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
               ErrorCode::CorruptContainer}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(DamagedCompoundFile, DegenerateDeepTreeOpensWithoutExhaustingTheStack) {
    std::vector<testing::TestStream> streams;
    for (int i = 0; i < 100; ++i)
        streams.push_back(
            {std::u16string{u'S', char16_t(u'0' + i % 10), char16_t(u'A' + i / 10)}, {1, 2}});
    const auto file = buildTestCompoundFile(streams, 4096);
    EXPECT_EQ(openAndReadAll(file.bytes), std::nullopt);
}

}  // namespace
}  // namespace xls::cfb
