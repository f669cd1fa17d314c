// Deleting a sheet takes its document module out of the workbook's macro
// project: the protection check and text edits on hand-made values, and
// deletes in corpus workbooks read back stream by stream.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "cfb/compound_file.h"
#include "cfb/compound_file_writer.h"
#include "io/byte_source.h"
#include "support/corpus_manifest.h"
#include "support/error_code_of.h"
#include "vba/compression.h"
#include "vba/project_dir.h"
#include "vba/project_storage.h"
#include "vba/project_text.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace xls::vba {
namespace {

using Bytes = std::vector<std::uint8_t>;
using tarnvale::testing::raisedCode;

Bytes text(const std::string& s) {
    return Bytes(s.begin(), s.end());
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

// Values as the application writes them for an open project, and for one
// protected, with a password, hidden.
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
            EXPECT_EQ(raisedCode([&] { projectLocked(c.project); }), ErrorCode::CorruptWorkbook)
                << c.name;
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
        EXPECT_EQ(raisedCode([&] { projectWithoutDocument(project, name); }),
                  ErrorCode::CorruptWorkbook)
            << name;

    const Bytes nameMap{'S', 'h', '1', 0, 'S', 0, 'h', 0, '1', 0, 0, 0, 'M', 0, 'M', 0, 0, 0, 0, 0};
    const Bytes withoutSh1{'M', 0, 'M', 0, 0, 0, 0, 0};
    EXPECT_EQ(nameMapWithoutModule(nameMap, "SH1"), withoutSh1);
    EXPECT_EQ(nameMapWithoutModule(nameMap, "Other"), nameMap);
    const Bytes unterminated{'S', 'h', '1', 0, 'S', 0};
    EXPECT_EQ(raisedCode([&] { nameMapWithoutModule(unterminated, "x"); }),
              ErrorCode::CorruptWorkbook);
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

// A second delete edits the project as the first left it. (Each delete on its
// own is checked across the corpus by tests/corpus/macro_module_check.py.)
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

// A locked project, or one that cannot be read, refuses the delete and the
// workbook stays as it was.
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
                  ErrorCode::UnsupportedOperation)
            << c.name;
        EXPECT_EQ(book.sheets().size(), sheetsBefore) << c.name;
        EXPECT_EQ(Project::of(book.serialize()).text(u"PROJECT"),
                  Project::of(file).text(u"PROJECT"))
            << c.name;
    }
}

}  // namespace
}  // namespace xls::vba
