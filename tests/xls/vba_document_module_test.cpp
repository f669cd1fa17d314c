// A VBA project's compressed streams and module list, and the test of whether
// a sheet's document module holds code: on the compression's published worked
// examples both ways, round trips, hand-made damage, and macro workbooks of the
// corpus.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "io/byte_source.h"
#include "support/copy_record_bytes.h"
#include "support/corpus_manifest.h"
#include "support/error_code_of.h"
#include "vba/compression.h"
#include "vba/document_module.h"
#include "vba/project_dir.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace xls::vba {
namespace {

using Bytes = std::vector<std::uint8_t>;
using tarnvale::testing::raisedCode;
using tarnvale::testing::operator+;

Bytes text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

struct Decompression {
    const char* name;
    Bytes compressed;
    Bytes expected;
};

const Decompression kExamples[] = {
    {"no compression possible",
     {0x01, 0x19, 0xB0, 0x00, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x00, 0x69, 0x6A,
      0x6B, 0x6C, 0x6D, 0x6E, 0x6F, 0x70, 0x00, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x2E},
     text("abcdefghijklmnopqrstuv.")},
    {"normal compression",
     {0x01, 0x2F, 0xB0, 0x00, 0x23, 0x61, 0x61, 0x61, 0x62, 0x63, 0x64, 0x65, 0x82,
      0x66, 0x00, 0x70, 0x61, 0x67, 0x68, 0x69, 0x6A, 0x01, 0x38, 0x08, 0x61, 0x6B,
      0x6C, 0x00, 0x20, 0x6D, 0x6E, 0x6F, 0x70, 0x06, 0x71, 0x02, 0x70, 0x04, 0x00,
      0x72, 0x73, 0x74, 0x75, 0x76, 0x10, 0x77, 0x78, 0x79, 0x7A, 0x00, 0x2C},
     text("#aaabcdefaaaaghijaaaaaklaaamnopqaaaaaaaaaaaarstuvwxyzaaa")},
};

// The published examples both ways: the compression makes the application's
// tokens, match for match.
TEST(VbaCompression, MatchesThePublishedExamplesAndRoundTrips) {
    for (const auto& example : kExamples) {
        EXPECT_EQ(decompressContainer(example.compressed), example.expected) << example.name;
        EXPECT_EQ(compressContainer(example.expected), example.compressed) << example.name;
    }
    std::mt19937 random(7);
    Bytes noise(9000);
    for (auto& b : noise) b = static_cast<std::uint8_t>(random());
    Bytes longRun(10000, 'a');
    Bytes samePrefixes;  // many earlier places to look at, most of them no match
    for (int i = 0; i < 6000; ++i)
        samePrefixes.insert(samePrefixes.end(),
                            {'a', 'b', 'c', static_cast<std::uint8_t>(random())});
    Bytes lines;
    for (int i = 0; i < 400; ++i)
        lines.insert(lines.end(), {'L', 'i', 'n', 'e', ' ', '0', '\r', '\n'});
    const struct {
        const char* name;
        Bytes bytes;
        std::size_t atMost;  // compressed size
    } cases[] = {
        {"empty", {}, 1},
        {"one byte", {'x'}, 5},
        {"incompressible: raw chunks, the last padded", noise, 1 + 3 * 4098},
        {"one byte over and over, across chunks", longRun, 200},
        {"repeated lines", lines, 200},
        {"the same three bytes everywhere", samePrefixes, 24000},
    };
    for (const auto& c : cases) {
        const Bytes compressed = compressContainer(c.bytes);
        EXPECT_LE(compressed.size(), c.atMost) << c.name;
        Bytes back = decompressContainer(compressed);
        if (back.size() > c.bytes.size() &&
            std::all_of(back.begin() + static_cast<std::ptrdiff_t>(c.bytes.size()), back.end(),
                        [](std::uint8_t b) { return b == 0; }))
            back.resize(c.bytes.size());  // a raw last chunk's padding
        EXPECT_EQ(back, c.bytes) << c.name;
    }
}

TEST(VbaCompression, RefusesDamagedContainers) {
    const Bytes damaged[] = {
        {},                                    // no signature
        {0x02, 0x01, 0xB0, 0x00, 0x61},        // bad signature byte
        {0x01, 0x01, 0xA0, 0x00, 0x61},        // bad chunk signature
        {0x01, 0x05, 0xB0, 0x02, 0x61, 0x00},  // a copy token cut off
        {0x01, 0x04, 0xB0, 0x01, 0x00, 0x10},  // a copy token before anything was written
        {0x01, 0x00, 0x30, 0x61},              // a raw chunk shorter than 4096 bytes
    };
    for (const auto& bytes : damaged)
        EXPECT_EQ(raisedCode([&] { decompressContainer(bytes); }), ErrorCode::CorruptWorkbook);
    // A copy token may fill its chunk, never more, and no stream grows past its bound.
    const Bytes full{0x01, 0x05, 0xB0, 0x02, 0x61, 0xFC, 0x0F};
    EXPECT_EQ(decompressContainer(full), Bytes(4096, 0x61));
    EXPECT_EQ(raisedCode([&] { decompressContainer(full, 100); }), ErrorCode::CorruptWorkbook);
    const Bytes overfull{0x01, 0x05, 0xB0, 0x02, 0x61, 0xFD, 0x0F};
    EXPECT_EQ(raisedCode([&] { decompressContainer(overfull); }), ErrorCode::CorruptWorkbook);
}

// A dir record: id, size, data.
void record(Bytes& dir, std::uint16_t id, const Bytes& data) {
    dir = dir + tarnvale::testing::u16s({id}) +
          tarnvale::testing::u32s({std::uint32_t(data.size())}) + data;
}

TEST(VbaProjectDir, ListsModulesWithTheirStreamsAndOffsets) {
    Bytes dir;
    record(dir, 0x0003, {0xE4, 0x04});
    record(dir, 0x0009, {0x00, 0x00, 0x00, 0x00});  // size says 4 ...
    dir.insert(dir.end(), {0x01, 0x00});            // ... six bytes follow
    record(dir, 0x0019, text("Sheet1"));
    record(dir, 0x001A, text("Sheet1"));
    record(dir, 0x0032, {'S', 0, '1', 0});
    record(dir, 0x0031, {0x10, 0x02, 0x00, 0x00});
    record(dir, 0x002B, {});
    record(dir, 0x0019, text("Module1"));
    record(dir, 0x0047, {'M', 0, 0xF3, 0});
    record(dir, 0x001A, text("Module1"));
    record(dir, 0x0031, {0x05, 0x00, 0x00, 0x00});
    record(dir, 0x002B, {});
    record(dir, 0x0010, {});
    const auto modules = readProjectModules(dir);
    ASSERT_EQ(modules.size(), 2u);
    EXPECT_EQ(modules[0].name, "Sheet1");
    EXPECT_EQ(modules[0].stream, u"S1") << "the Unicode stream name wins";
    EXPECT_EQ(modules[0].textOffset, 0x210u);
    EXPECT_EQ(modules[1].name, "M\xC3\xB3") << "the Unicode module name wins";
    EXPECT_EQ(modules[1].stream, u"Module1");

    Bytes runsPast;
    record(runsPast, 0x0019, text("Sheet1"));
    runsPast[2] = 0x40;
    Bytes noStream;
    record(noStream, 0x0019, text("Sheet1"));
    record(noStream, 0x0031, {0, 0, 0, 0});
    record(noStream, 0x002B, {});
    for (const Bytes& bad : {runsPast, noStream})
        EXPECT_EQ(raisedCode([&] { readProjectModules(bad); }), ErrorCode::CorruptWorkbook);
}

TEST(VbaDocumentModule, TellsCodeFromAttributesInCorpusWorkbooks) {
    const struct {
        const char* workbook;
        const char* codeName;
        bool code;
    } cases[] = {
        {"edr__Test_Excel_Dataset.xls", "Sheet1", false},
        {"poi__44891.xls", "Hoja2", false},
        {"poi__50939.xls", "Sheet2", false},
        {"poi__50939.xls", "Tabelle521", true},
        {"poi__external_name.xls", "Sheet3", true},
        {"ssread__xiao.xls", "Sheet1", true},  // "Option Explicit" is code
        {"poi__44891.xls", "NoSuchModule", true},
        {"poi__44891.xls", "", true},
        {"gnumeric__ttest.xls", "Sheet1", true},  // no project: nothing can be read
    };
    for (const auto& c : cases) {
        const auto container = cfb::CompoundFile::open(
            std::make_shared<io::FileSource>(tarnvale::testing::corpusPath(c.workbook)));
        EXPECT_EQ(documentModuleHoldsCode(container, c.codeName), c.code)
            << c.workbook << " " << c.codeName;
    }
}

// Copying a sheet of a workbook with macros: refused only when the sheet's own
// module holds code (a sheet without a CodeName has no module).
TEST(VbaDocumentModule, CopyIsRefusedOnlyForASheetWhoseModuleHoldsCode) {
    const struct {
        const char* workbook;
        const char* sheet;
        std::optional<ErrorCode> refusal;
    } cases[] = {
        {"edr__Test_Excel_Dataset.xls", "Sheet2", std::nullopt},
        {"poi__external_name.xls", "Instructions", std::nullopt},
        {"poi__external_name.xls", "Example YTP 1", ErrorCode::CopyUnsupported},
        {"poi__50939.xls", "sheet2", ErrorCode::CopyUnsupported},
    };
    for (const auto& c : cases) {
        Workbook source = Workbook::open(tarnvale::testing::corpusPath(c.workbook));
        Workbook destination = Workbook::open(tarnvale::testing::corpusPath("gnumeric__ttest.xls"));
        const auto tab = source.findSheet(c.sheet);
        ASSERT_TRUE(tab) << c.sheet;
        EXPECT_EQ(raisedCode([&] { destination.copySheet(source, *tab, 0); }), c.refusal)
            << c.workbook << " " << c.sheet;
    }
}

}  // namespace
}  // namespace xls::vba
