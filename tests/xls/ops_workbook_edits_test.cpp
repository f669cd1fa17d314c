// The application's refusals and the save path of Workbook::renameSheet,
// deleteSheet and save, on real files from the corpus.
#include <gtest/gtest.h>

#include <filesystem>

#include "cfb/compound_file.h"
#include "io/byte_source.h"
#include "model/workbook_stream.h"
#include "support/corpus_manifest.h"
#include "support/error_code_of.h"
#include "support/file_bytes.h"
#include "support/temp_folder.h"
#include "support/workbook_stream_of.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace xls {
namespace {

namespace fs = std::filesystem;
using tarnvale::testing::corpusPath;
using tarnvale::testing::errorCodeOf;
using tarnvale::testing::readFileBytes;

Workbook corpusBook(const std::string& name) {
    return Workbook::open(corpusPath(name));
}

model::WorkbookStream recordsOf(std::vector<std::uint8_t> file) {
    return model::parseWorkbookStream(tarnvale::testing::workbookStreamOf(std::move(file)));
}

struct NameCase {
    std::size_t tab;
    const char* name;
    std::optional<ErrorCode> refusal;
};

class RenameRulesTest : public ::testing::TestWithParam<NameCase> {};

// gnumeric__address.xls: "Summary", "Address".
TEST_P(RenameRulesTest, AppliesTheApplicationsRules) {
    Workbook book = corpusBook("gnumeric__address.xls");
    const auto& c = GetParam();
    if (c.refusal) {
        EXPECT_EQ(errorCodeOf([&] { book.renameSheet(c.tab, c.name); }), *c.refusal);
        EXPECT_EQ(book.sheets()[0].name, "Summary") << "nothing changed";
    } else {
        book.renameSheet(c.tab, c.name);
        EXPECT_EQ(Workbook::openBytes(book.serialize(), "x").sheets()[c.tab].name, c.name);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, RenameRulesTest,
    ::testing::Values(NameCase{1, "summary", ErrorCode::SheetNameTaken},
                      NameCase{1, "SUMMARY", ErrorCode::SheetNameTaken},
                      NameCase{0, "SUMMARY", std::nullopt},  // its own name, other letter case
                      NameCase{0, "Summary", std::nullopt},  // unchanged
                      // The name rules themselves: sheet_name_test.cpp. Tab 2 is one past the last.
                      NameCase{0, "a/b", ErrorCode::SheetNameBadCharacter},
                      NameCase{2, "Fine", ErrorCode::SheetNotFound}));

// A structure-protected workbook and an Excel 5 one refuse both edits.
TEST(WorkbookEdits, ProtectedAndExcelFiveWorkbooksRefuseBoth) {
    for (const auto& [file, code] :
         {std::pair{"calamine__issue_385.xls", ErrorCode::StructureProtected},
          std::pair{"edr__as3xls_BIFF5.xls", ErrorCode::UnsupportedVersion}}) {
        Workbook book = corpusBook(file);
        EXPECT_EQ(errorCodeOf([&] { book.renameSheet(0, "Other"); }), code) << file;
        EXPECT_EQ(errorCodeOf([&] { book.deleteSheet(0); }), code) << file;
    }
}

TEST(WorkbookEdits, LastVisibleSheetStays) {
    Workbook book = corpusBook("gnumeric__address.xls");
    book.deleteSheet(0);
    EXPECT_EQ(errorCodeOf([&] { book.deleteSheet(0); }), ErrorCode::LastVisibleSheet);
    ASSERT_EQ(book.sheets().size(), 1u);
}

TEST(WorkbookEdits, DefaultPasswordWorkbookIsWrittenBackEncrypted) {
    Workbook book = corpusBook("phpss__pwtest.xls");
    ASSERT_TRUE(book.isEncrypted());
    const auto original = recordsOf(readFileBytes(corpusPath("phpss__pwtest.xls")));
    book.deleteSheet(0);
    book.renameSheet(0, "Second");
    const auto bytes = book.serialize();
    Workbook reopened = Workbook::openBytes(bytes, "pwtest");
    EXPECT_TRUE(reopened.isEncrypted());
    ASSERT_EQ(reopened.sheets().size(), 2u);
    EXPECT_EQ(reopened.sheets()[0].name, "Second");
    const auto written = recordsOf(bytes);
    const auto& after = written.substreams[written.sheetSubstream[1]].records;
    const auto& before = original.substreams[original.sheetSubstream[2]].records;
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (after[i].type == biff::RecordType::Index) continue;  // positions: moved with the sheet
        EXPECT_EQ(after[i].payload, before[i].payload)
            << "record " << i << " (type 0x" << std::hex << static_cast<int>(after[i].type)
            << ") of an untouched sheet decrypts to the same bytes";
    }
}

// An unchanged workbook saves the same streams and leaves no temporary file
// behind. (Edited ones saved in place: io_edit_lock_test.cpp.)
TEST(WorkbookEdits, SavesInPlaceKeepingWhatDidNotChange) {
    const tarnvale::testing::TempFolder dir("ops");
    const fs::path file = dir.copyOfCorpus("gnumeric__address.xls", "book.xlt");
    const auto before = readFileBytes(file);
    Workbook::open(file).save();
    const auto b = cfb::CompoundFile::open(std::make_shared<io::MemorySource>(before));
    const auto a = cfb::CompoundFile::open(std::make_shared<io::MemorySource>(readFileBytes(file)));
    ASSERT_EQ(a.entries().size(), b.entries().size());
    for (std::uint32_t id = 0; id < b.entries().size(); ++id) {
        if (b.entries()[id].type != cfb::EntryType::Stream) continue;
        const auto found = a.find(b.entries()[id].name);
        ASSERT_TRUE(found);
        EXPECT_EQ(a.readStream(*found), b.readStream(id));
    }
    EXPECT_EQ(dir.entries(), 1) << "only the workbook itself";
}

TEST(WorkbookEdits, WorkbookFromMemoryHasNoFileToSave) {
    Workbook book =
        Workbook::openBytes(readFileBytes(corpusPath("gnumeric__address.xls")), "memory");
    EXPECT_EQ(errorCodeOf([&] { book.save(); }), ErrorCode::UnsupportedOperation);
}

}  // namespace
}  // namespace xls
