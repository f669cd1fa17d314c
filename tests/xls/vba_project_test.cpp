// A workbook's VBA project: compression, module list, whether a sheet's module
// holds code, and a deleted sheet's module taken out of the project.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "cfb/compound_file.h"
#include "cfb/compound_file_writer.h"
#include "io/byte_source.h"
#include "support/copy_record_bytes.h"
#include "support/corpus_manifest.h"
#include "support/error_code_of.h"
#include "vba/compression.h"
#include "vba/document_module.h"
#include "vba/project_dir.h"
#include "vba/project_storage.h"
#include "vba/project_text.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace xls::vba {
namespace {

using enum ErrorCode;
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

// The published worked examples both ways, token for token, and round trips.
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
        EXPECT_EQ(raisedCode([&] { decompressContainer(bytes); }), CorruptWorkbook);
    // A copy token may fill its chunk, never more, and no stream grows past its bound.
    const Bytes full{0x01, 0x05, 0xB0, 0x02, 0x61, 0xFC, 0x0F};
    EXPECT_EQ(decompressContainer(full), Bytes(4096, 0x61));
    EXPECT_EQ(raisedCode([&] { decompressContainer(full, 100); }), CorruptWorkbook);
    const Bytes overfull{0x01, 0x05, 0xB0, 0x02, 0x61, 0xFD, 0x0F};
    EXPECT_EQ(raisedCode([&] { decompressContainer(overfull); }), CorruptWorkbook);
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
        EXPECT_EQ(raisedCode([&] { readProjectModules(bad); }), CorruptWorkbook);
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

// A copy is refused only for a sheet whose own module holds code.
TEST(VbaDocumentModule, CopyIsRefusedOnlyForASheetWhoseModuleHoldsCode) {
    const struct {
        const char* workbook;
        const char* sheet;
        std::optional<ErrorCode> refusal;
    } cases[] = {
        {"edr__Test_Excel_Dataset.xls", "Sheet2", std::nullopt},
        {"poi__external_name.xls", "Instructions", std::nullopt},
        {"poi__external_name.xls", "Example YTP 1", CopyUnsupported},
        {"poi__50939.xls", "sheet2", CopyUnsupported},
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

// A PROJECT text with the given protection values ("" leaves a line out).
Bytes projectText(const std::string& cmg, const std::string& dpb, const std::string& gc) {
    std::string s =
        "ID=\"{00000000-0000-0000-0000-000000000000}\"\r\nDocument=ThisWorkbook/&H00000000\r\n"
        "Document=Sheet1/&H00000000\r\nModule=Module1\r\nName=\"VBAProject\"\r\n";
    if (!cmg.empty()) s += "CMG=\"" + cmg + "\"\r\n";
    if (!dpb.empty()) s += "DPB=\"" + dpb + "\"\r\n";
    if (!gc.empty()) s += "GC=\"" + gc + "\"\r\n";
    s += "\r\n[Host Extender Info]\r\n&H00000001={3832D640-CF90-11CF-8E43-00A0C911005A};VBE;"
         "&H00000000\r\n\r\n[Workspace]\r\nThisWorkbook=0, 0, 0, 0, C\r\nSheet1=0, 0, 0, 0, C\r\n"
         "Module1=26, 26, 1000, 500, Z\r\n";
    return text(s);
}

// Values as the application writes them: open; protected, with a password, hidden.
constexpr const char* kOpenCmg = "0200D9813785378537853785";
constexpr const char* kOpenDpb = "5C5E8763BBBCBCBCBCBC";
constexpr const char* kOpenGc = "B6B46DD59D75F676F67609";
constexpr const char* kPasswordDpb =
    "0E0C321DD2273A443A443B473E4E47554A545B576E6E77758A948BB78EDEB7E5DAE4EBE71E1E27";

TEST(VbaProjectText, TellsALockedProject) {
    const struct {
        const char* name;
        Bytes project;
        std::optional<bool> locked;  // nullopt: CorruptWorkbook
    } cases[] = {
        {"open", projectText(kOpenCmg, kOpenDpb, kOpenGc), false},
        {"no protection lines", projectText("", "", ""), false},
        {"protected", projectText("07053B14C53C1E401E401F411F41", kOpenDpb, kOpenGc), true},
        {"password", projectText(kOpenCmg, kPasswordDpb, kOpenGc), true},
        {"hidden", projectText(kOpenCmg, kOpenDpb, "151729062B5A2C5A2C5A"), true},
        {"no password, other seed", projectText(kOpenCmg, "0E0C321DD2272628262826", kOpenGc),
         false},
        {"lower-case digits", projectText(kOpenCmg, "5c5e8763bbbcbcbcbcbc", kOpenGc), false},
        {"not hexadecimal", projectText(kOpenCmg, "0E0C321DD22726282628ZZ", kOpenGc), std::nullopt},
        {"cut short", projectText(kOpenCmg, "0E0C321DD227", kOpenGc), std::nullopt},
    };
    for (const auto& c : cases) {
        if (c.locked) {
            EXPECT_EQ(projectLocked(c.project), *c.locked) << c.name;
        } else {
            EXPECT_EQ(raisedCode([&] { projectLocked(c.project); }), CorruptWorkbook) << c.name;
        }
    }
}

TEST(VbaProjectText, DropsTheModulesLinesAndNameMapEntry) {
    const Bytes project = projectText(kOpenCmg, kOpenDpb, kOpenGc);
    std::string expected(project.begin(), project.end());
    for (const std::string line : {"Document=Sheet1/&H00000000\r\n", "Sheet1=0, 0, 0, 0, C\r\n"})
        expected.erase(expected.find(line), line.size());
    EXPECT_EQ(projectWithoutDocument(project, "sheet1"), text(expected));
    // A standard module is no document module; nor is a name only its prefix.
    for (const char* name : {"Module1", "Sheet"})
        EXPECT_EQ(raisedCode([&] { projectWithoutDocument(project, name); }), CorruptWorkbook)
            << name;

    const Bytes nameMap{'S', 'h', '1', 0, 'S', 0, 'h', 0, '1', 0, 0, 0, 'M', 0, 'M', 0, 0, 0, 0, 0};
    const Bytes withoutSh1{'M', 0, 'M', 0, 0, 0, 0, 0};
    EXPECT_EQ(nameMapWithoutModule(nameMap, "SH1"), withoutSh1);
    EXPECT_EQ(nameMapWithoutModule(nameMap, "Other"), nameMap);
    const Bytes unterminated{'S', 'h', '1', 0, 'S', 0};
    EXPECT_EQ(raisedCode([&] { nameMapWithoutModule(unterminated, "x"); }), CorruptWorkbook);
}

// The streams of a written workbook's macro project.
struct Project {
    cfb::CompoundFile container;
    ProjectStorage storage;

    static Project of(const Bytes& file) {
        auto container = cfb::CompoundFile::open(std::make_shared<io::MemorySource>(file));
        const auto storage = findProjectStorage(container);
        if (!storage) throw std::runtime_error("no macro project");
        return {std::move(container), *storage};
    }
    std::optional<Bytes> stream(std::uint32_t storageId, std::u16string_view name) const {
        const auto id = findStream(container, storageId, name);
        if (!id) return std::nullopt;
        return container.readStream(*id);
    }
    std::vector<ModuleEntry> modules() const {
        return readProjectModules(decompressContainer(*stream(storage.vba, u"dir")));
    }
    std::string text(std::u16string_view name) const {
        const Bytes bytes = *stream(storage.project, name);
        return {bytes.begin(), bytes.end()};
    }
};

std::vector<std::string> moduleNames(const Project& project) {
    std::vector<std::string> names;
    for (const ModuleEntry& m : project.modules()) names.push_back(m.name);
    return names;
}

// A second delete edits the project as the first left it.
TEST(VbaModuleRemoval, TwoDeletesTakeBothModulesOut) {
    const auto path = tarnvale::testing::corpusPath("edr__Test_Excel_Dataset.xls");
    Workbook book = Workbook::open(path);
    for (const char* sheet : {"test.csv", "Sheet3"}) book.deleteSheet(*book.findSheet(sheet));
    const Project after = Project::of(book.serialize());
    EXPECT_EQ(moduleNames(after), (std::vector<std::string>{"ThisWorkbook", "Sheet2"}));
    const std::string project = after.text(u"PROJECT");
    for (const char* gone : {"Document=Sheet1/", "Document=Sheet3/", "\r\nSheet3="})
        EXPECT_EQ(project.find(gone), std::string::npos) << gone;
    for (std::u16string_view gone : {u"Sheet1", u"Sheet3"})
        EXPECT_FALSE(after.stream(after.storage.vba, gone).has_value());
    // No performance cache: a project any version reads.
    EXPECT_EQ(after.stream(after.storage.vba, u"_VBA_PROJECT"),
              (Bytes{0xCC, 0x61, 0xFF, 0xFF, 0x00, 0x01, 0x00}));
}

TEST(VbaModuleRemoval, LeavesTheProjectWhenTheSheetHasNoModule) {
    const auto path = tarnvale::testing::corpusPath("poi__external_name.xls");
    const Project before = Project::of(Workbook::open(path).serialize());
    Workbook book = Workbook::open(path);
    book.deleteSheet(*book.findSheet("Instructions"));
    const Project after = Project::of(book.serialize());
    for (std::u16string_view name : {u"dir", u"_VBA_PROJECT"})
        EXPECT_EQ(after.stream(after.storage.vba, name), before.stream(before.storage.vba, name));
}

// A locked or unreadable project refuses the delete and the workbook stays.
TEST(VbaModuleRemoval, RefusesALockedOrUnreadableProject) {
    const auto path = tarnvale::testing::corpusPath("edr__Test_Excel_Dataset.xls");
    const Bytes original = Workbook::open(path).serialize();
    const Project project = Project::of(original);
    const std::uint32_t projectId =
        *findStream(project.container, project.storage.project, u"PROJECT");
    const std::uint32_t dirId = *findStream(project.container, project.storage.vba, u"dir");
    std::string locked = project.text(u"PROJECT");
    locked.replace(locked.find(kOpenDpb), std::string(kOpenDpb).size(), kPasswordDpb);
    Bytes damagedDir = *project.stream(project.storage.vba, u"dir");
    damagedDir.resize(damagedDir.size() / 2);
    const struct {
        const char* name;
        std::uint32_t stream;
        Bytes bytes;
    } cases[] = {
        {"password", projectId, text(locked)},
        {"dir cut short", dirId, damagedDir},
    };
    for (const auto& c : cases) {
        const Bytes file = cfb::rewriteCompoundFile(project.container, {{c.stream, c.bytes}});
        Workbook book = Workbook::openBytes(file, c.name);
        const auto sheetsBefore = book.sheets().size();
        EXPECT_EQ(raisedCode([&] { book.deleteSheet(*book.findSheet("test.csv")); }),
                  UnsupportedOperation)
            << c.name;
        EXPECT_EQ(book.sheets().size(), sheetsBefore) << c.name;
        EXPECT_EQ(Project::of(book.serialize()).text(u"PROJECT"),
                  Project::of(file).text(u"PROJECT"))
            << c.name;
    }
}

}  // namespace
}  // namespace xls::vba
