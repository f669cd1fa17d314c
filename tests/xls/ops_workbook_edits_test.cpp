// The application's refusals and the save path of Workbook::renameSheet,
// deleteSheet and save, on real files from the corpus.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

#include "cfb/compound_file.h"
#include "io/byte_source.h"
#include "model/stream_location.h"
#include "model/workbook_stream.h"
#include "xls/error.h"
#include "xls/ops_corpus_files.h"
#include "xls/workbook.h"

namespace xls {
namespace {

namespace fs = std::filesystem;

Workbook corpusBook(const std::string& name) {
    return Workbook::open(testing::corpusPath(name));
}

template <typename Action>
ErrorCode codeOf(Action&& action) {
    try {
        action();
    } catch (const Error& e) {
        return e.code();
    }
    ADD_FAILURE() << "no error raised";
    return ErrorCode::UnsupportedOperation;
}

std::vector<std::uint8_t> fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

model::WorkbookStream recordsOf(std::vector<std::uint8_t> file) {
    const auto container = cfb::CompoundFile::open(std::make_shared<io::MemorySource>(file));
    return model::parseWorkbookStream(
        container.readStream(model::findWorkbookStream(container).id));
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
        EXPECT_EQ(codeOf([&] { book.renameSheet(c.tab, c.name); }), *c.refusal);
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
                      NameCase{0, "a/b", ErrorCode::SheetNameBadCharacter},
                      NameCase{0, "'quoted'", ErrorCode::SheetNameApostrophe},
                      NameCase{0, "", ErrorCode::SheetNameEmpty},
                      NameCase{0, "history", ErrorCode::SheetNameReserved},
                      NameCase{0, "A name that is far too long to fit",
                               ErrorCode::SheetNameTooLong},
                      NameCase{5, "Fine", ErrorCode::SheetNotFound}));

TEST(WorkbookEdits, StructureProtectionRefusesBoth) {
    Workbook book = corpusBook("calamine__issue_385.xls");
    ASSERT_TRUE(book.isStructureProtected());
    EXPECT_EQ(codeOf([&] { book.renameSheet(0, "Other"); }), ErrorCode::StructureProtected);
    EXPECT_EQ(codeOf([&] { book.deleteSheet(0); }), ErrorCode::StructureProtected);
}

TEST(WorkbookEdits, ExcelFiveWorkbooksAreRefusedClearly) {
    Workbook book = corpusBook("edr__as3xls_BIFF5.xls");
    ASSERT_TRUE(book.isBiff5());
    EXPECT_EQ(codeOf([&] { book.renameSheet(0, "Other"); }), ErrorCode::UnsupportedVersion);
    EXPECT_EQ(codeOf([&] { book.deleteSheet(0); }), ErrorCode::UnsupportedVersion);
}

TEST(WorkbookEdits, LastVisibleSheetStays) {
    Workbook book = corpusBook("gnumeric__address.xls");
    book.deleteSheet(0);
    EXPECT_EQ(codeOf([&] { book.deleteSheet(0); }), ErrorCode::LastVisibleSheet);
    ASSERT_EQ(book.sheets().size(), 1u);
}

TEST(WorkbookEdits, DefaultPasswordWorkbookIsWrittenBackEncrypted) {
    Workbook book = corpusBook("phpss__pwtest.xls");
    ASSERT_TRUE(book.isEncrypted());
    const auto original = recordsOf(fileBytes(testing::corpusPath("phpss__pwtest.xls")));
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

class SaveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("tarnvale-ops-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        file_ = dir_ / "book.xlt";
        fs::copy_file(testing::corpusPath("gnumeric__address.xls"), file_,
                      fs::copy_options::overwrite_existing);
        // The corpus is read-only; the user's own copy is not.
        fs::permissions(file_, fs::perms::owner_write, fs::perm_options::add);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_, file_;
};

TEST_F(SaveTest, SavesInPlaceAndLeavesNoTemporaryFile) {
    Workbook book = Workbook::open(file_);
    book.renameSheet(1, "Addresses");
    book.save();
    EXPECT_EQ(Workbook::open(file_).sheets()[1].name, "Addresses");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator{}), 1)
        << "only the workbook itself";
}

TEST_F(SaveTest, UnchangedWorkbookSavesTheSameStreams) {
    const auto before = fileBytes(file_);
    Workbook::open(file_).save();
    const auto b = cfb::CompoundFile::open(std::make_shared<io::MemorySource>(before));
    const auto a = cfb::CompoundFile::open(std::make_shared<io::MemorySource>(fileBytes(file_)));
    ASSERT_EQ(a.entries().size(), b.entries().size());
    for (std::uint32_t id = 0; id < b.entries().size(); ++id) {
        if (b.entries()[id].type != cfb::EntryType::Stream) continue;
        const auto found = a.find(b.entries()[id].name);
        ASSERT_TRUE(found);
        EXPECT_EQ(a.readStream(*found), b.readStream(id));
    }
}

TEST(WorkbookEdits, WorkbookFromMemoryHasNoFileToSave) {
    Workbook book =
        Workbook::openBytes(fileBytes(testing::corpusPath("gnumeric__address.xls")), "memory");
    EXPECT_EQ(codeOf([&] { book.save(); }), ErrorCode::UnsupportedOperation);
}

}  // namespace
}  // namespace xls
