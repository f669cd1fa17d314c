// Workbook edits and saves on real files: refusals, damaged workbooks, a save
// refused over another program's changes, a move's two-file commit failing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <tuple>

#include "cfb/compound_file.h"
#include "io/byte_source.h"
#include "model/workbook_stream.h"
#include "support/corpus_manifest.h"
#include "support/error_code_of.h"
#include "support/faulty_calls.h"
#include "support/file_bytes.h"
#include "support/temp_folder.h"
#include "support/workbook_stream_of.h"
#include "workbook/workbook_impl.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace xls {
namespace {

using enum ErrorCode;
namespace fs = std::filesystem;
using namespace tarnvale::testing;

Workbook corpusBook(const std::string& name) {
    return Workbook::open(corpusPath(name));
}

model::WorkbookStream recordsOf(std::vector<std::uint8_t> file) {
    return model::parseWorkbookStream(workbookStreamOf(std::move(file)));
}

// gnumeric__address.xls: "Summary", "Address".
TEST(WorkbookEdits, RenameAppliesTheApplicationsRules) {
    const struct {
        std::size_t tab;
        const char* name;
        std::optional<ErrorCode> refusal;
    } cases[] = {
        {1, "summary", SheetNameTaken},    {1, "SUMMARY", SheetNameTaken},
        {0, "SUMMARY", std::nullopt},  // its own name, other letter case
        {0, "Summary", std::nullopt},  // unchanged
        {0, "a/b", SheetNameBadCharacter}, {2, "Fine", SheetNotFound}};  // one past the last
    for (const auto& c : cases) {
        Workbook book = corpusBook("gnumeric__address.xls");
        EXPECT_EQ(raisedCode([&] { book.renameSheet(c.tab, c.name); }), c.refusal) << c.name;
        const auto reopened = Workbook::openBytes(book.serialize(), "x");
        EXPECT_EQ(reopened.sheets()[c.refusal ? 0 : c.tab].name, c.refusal ? "Summary" : c.name)
            << c.name;
    }
}

// A structure-protected workbook and an Excel 5 one refuse both edits.
TEST(WorkbookEdits, ProtectedAndExcelFiveWorkbooksRefuseBoth) {
    for (const auto& [file, code] : {std::pair{"calamine__issue_385.xls", StructureProtected},
                                     std::pair{"edr__as3xls_BIFF5.xls", UnsupportedVersion}}) {
        Workbook book = corpusBook(file);
        EXPECT_EQ(errorCodeOf([&] { book.renameSheet(0, "Other"); }), code) << file;
        EXPECT_EQ(errorCodeOf([&] { book.deleteSheet(0); }), code) << file;
    }
}

// The last visible sheet stays; a workbook opened from memory has no file to save.
TEST(WorkbookEdits, LastVisibleSheetStaysAndMemoryHasNoFile) {
    Workbook book =
        Workbook::openBytes(readFileBytes(corpusPath("gnumeric__address.xls")), "memory");
    book.deleteSheet(0);
    EXPECT_EQ(errorCodeOf([&] { book.deleteSheet(0); }), LastVisibleSheet);
    ASSERT_EQ(book.sheets().size(), 1u);
    EXPECT_EQ(errorCodeOf([&] { book.save(); }), UnsupportedOperation);
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
    // An untouched sheet decrypts to the same records, but for the positions in Index.
    const auto recordsOfSheet = [](const model::WorkbookStream& stream, std::size_t tab) {
        auto records = stream.substreams[stream.sheetSubstream[tab]].records;
        std::erase_if(records, [](const auto& r) { return r.type == biff::RecordType::Index; });
        return records;
    };
    EXPECT_TRUE(recordsOfSheet(recordsOf(bytes), 1) == recordsOfSheet(original, 2));
}

// An unchanged workbook saves the same streams and leaves no temporary file behind.
TEST(WorkbookEdits, SavesInPlaceKeepingWhatDidNotChange) {
    const TempFolder dir("ops");
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

fs::path fixturePath(const char* file) {
    return fs::path(TARNVALE_TEST_DATA_DIR) / "malformed" / file;
}

// Streams claiming more than the file holds (found by fuzzing) are refused before the layout.
TEST(OpsFixtures, StreamsClaimingMoreThanTheFileAreRefusedOnSave) {
    for (const char* file :
         {"ops-stream-size-beyond-file.xls", "cfb-fat-claims-more-than-file.xls"}) {
        try {
            Workbook book = Workbook::open(fixturePath(file));
            book.renameSheet(0, "Renamed");
            book.serialize();
            ADD_FAILURE() << file << ": wrote a stream the file does not hold";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), CorruptContainer) << file << ": " << e.context();
        }
    }
}

// A damaged ExternSheet or Lbl refuses a delete; a rename touches neither and goes through.
TEST(OpsFixtures, DeleteRefusesCleanlyAndRenameGoesThrough) {
    for (const char* file : {"ops-externsheet-short.xls", "ops-lbl-too-short.xls"}) {
        Workbook book = Workbook::open(fixturePath(file));
        const auto before = workbookStreamOf(book.serialize());
        try {
            book.deleteSheet(1);
            ADD_FAILURE() << file << ": deleted a sheet of a damaged workbook";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), CorruptWorkbook) << file;
            EXPECT_FALSE(e.file().empty()) << "the message names the file";
        }
        EXPECT_EQ(book.sheets().size(), 3u);
        EXPECT_EQ(workbookStreamOf(book.serialize()), before) << "nothing changed";
        book.renameSheet(0, "Renamed");
        EXPECT_EQ(Workbook::openBytes(book.serialize(), file).sheets()[0].name, "Renamed");
    }
}

struct OtherProgram {
    const char* name;
    std::function<void(const fs::path& book)> act;  // done while the workbook is open
    ErrorCode expected;
    const char* named;  // what the user's message names besides the file
};

class SaveGuardTest : public ::testing::TestWithParam<OtherProgram> {};

TEST_P(SaveGuardTest, RefusesAndLeavesTheOtherProgramsFile) {
    const TempFolder folder("guard");
    const fs::path file = folder.copyOfCorpus("gnumeric__address.xls", "book.xls");

    Workbook book = Workbook::open(file);
    book.renameSheet(1, "Mine");
    GetParam().act(file);
    const auto theirs = fs::exists(file) ? readFileBytes(file) : std::vector<std::uint8_t>{};
    const auto filesBefore = folder.entries();
    try {
        book.save();
        ADD_FAILURE() << "saved over another program's file";
    } catch (const Error& error) {
        EXPECT_EQ(error.code(), GetParam().expected);
        EXPECT_NE(std::string(error.what()).find(GetParam().named), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(fs::exists(file) ? readFileBytes(file) : std::vector<std::uint8_t>{}, theirs);
    EXPECT_EQ(folder.entries(), filesBefore) << "no temporary or lock file left";
}

void libreOfficeLock(const fs::path& book, const std::string& text) {
    std::ofstream(book.parent_path() / ".~lock.book.xls#", std::ios::binary) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Programs, SaveGuardTest,
    ::testing::Values(OtherProgram{"ReplacesTheFile",
                                   [](const fs::path& book) {
                                       fs::copy_file(book, book.string() + ".new");
                                       fs::rename(book.string() + ".new", book);
                                   },
                                   FileChangedSinceOpened, "changed by another program"},
                      OtherProgram{"RewritesItInPlace",
                                   [](const fs::path& book) {
                                       writeFileBytes(book, readFileBytes(book));
                                       fs::last_write_time(book, fs::last_write_time(book) +
                                                                     std::chrono::seconds(2));
                                   },
                                   FileChangedSinceOpened, "since it was opened"},
                      OtherProgram{
                          "AppendsToIt",
                          [](const fs::path& book) { std::ofstream(book, std::ios::app) << 'x'; },
                          FileChangedSinceOpened, "book.xls"},
                      OtherProgram{"RemovesIt", [](const fs::path& book) { fs::remove(book); },
                                   FileChangedSinceOpened, "book.xls"},
                      OtherProgram{"LibreOfficeHasItOpen",
                                   [](const fs::path& book) {
                                       libreOfficeLock(
                                           book, ",Example\\, Ann,ws4,07.12.2026 06:22,file:///x;");
                                   },
                                   FileOpenElsewhere,
                                   "LibreOffice (by Example, Ann on ws4 since 07.12.2026 06:22"},
                      OtherProgram{"LibreOfficeLockFileIsEmpty",
                                   [](const fs::path& book) { libreOfficeLock(book, ""); },
                                   FileOpenElsewhere, "open in LibreOffice"}),
    [](const auto& row) { return std::string(row.param.name); });

// A move's commit failing in either save: the sheet stays in at least one file, nothing stray.
class MoveCommitFaultTest : public ::testing::TestWithParam<std::tuple<const char*, bool>> {
  protected:
    static std::vector<std::string> listed(const fs::path& file) {
        const Workbook book = Workbook::open(file);
        std::vector<std::string> names;
        for (const auto& sheet : book.sheets()) names.push_back(sheet.name);
        return names;
    }

    TempFolder root_{"commit"};
    fs::path source_ = root_.copyOfCorpus("gnumeric__ttest.xls", "from/gnumeric__ttest.xls");
    fs::path destination_ = root_.copyOfCorpus("poi__rk.xls", "to/poi__rk.xls");
};

TEST_P(MoveCommitFaultTest, LeavesTheSheetInAtLeastOneFileAndReportsTheFailure) {
    const auto [step, inSource] = GetParam();
    const auto sourceBefore = listed(source_);
    auto destinationExpected = listed(destination_);
    Workbook source = Workbook::open(source_);
    Workbook destination = Workbook::open(destination_);
    destination.copySheet(source, 1, 0);
    source.deleteSheet(1);

    FaultyCalls faulty;
    faulty.failing = step;
    WorkbookInternals::of(inSource ? source : destination).fileSystem = &faulty;
    EXPECT_THROW(Workbook::saveTogether(destination, source), Error);

    EXPECT_EQ(listed(source_), sourceBefore) << "the source is replaced last";
    if (inSource && std::string(step) == "rename")  // the destination was committed
        destinationExpected.insert(destinationExpected.begin() + 1, sourceBefore.at(1));
    EXPECT_EQ(listed(destination_), destinationExpected);
    for (const fs::path& file : {source_, destination_})
        EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), {}), 1) << file;
}

INSTANTIATE_TEST_SUITE_P(Steps, MoveCommitFaultTest,
                         ::testing::Combine(::testing::Values("mkostemp", "write", "fsync", "close",
                                                              "verify", "rename"),
                                            ::testing::Bool()),
                         [](const auto& row) {
                             return std::string(std::get<0>(row.param)) +
                                    (std::get<1>(row.param) ? "OfSource" : "OfDestination");
                         });

}  // namespace
}  // namespace xls
