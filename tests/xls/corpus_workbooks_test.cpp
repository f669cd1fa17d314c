// Every corpus workbook listed as MANIFEST.tsv says (or refused with a fitting
// code), edited and reopened, and its stream written back as read.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <type_traits>

#include "biff/record_reader.h"
#include "cfb/compound_file.h"
#include "io/byte_reader.h"
#include "io/byte_source.h"
#include "model/doc_summary.h"
#include "model/stream_writer.h"
#include "ops/sheet_edits.h"
#include "support/corpus_manifest.h"
#include "support/file_bytes.h"
#include "support/workbook_stream_of.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace xls {
namespace {

using enum ErrorCode;
using namespace tarnvale::testing;

// Sheet names joined as the manifest shows them: " | " between, control characters as \xNN.
std::string manifestNames(const std::vector<SheetInfo>& sheets) {
    std::string out;
    for (const SheetInfo& sheet : sheets) {
        if (!out.empty()) out += " | ";
        for (char c : sheet.name) {
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out;
}

// How many sheets have this type or this visibility.
int countOf(const std::vector<SheetInfo>& sheets, auto kind) {
    return static_cast<int>(std::count_if(sheets.begin(), sheets.end(), [&](const SheetInfo& s) {
        if constexpr (std::is_same_v<decltype(kind), SheetType>)
            return s.type == kind;
        else
            return s.visibility == kind;
    }));
}

bool opensWithDefaultPassword(const CorpusEntry& entry) {
    const std::string& encrypted = entry.at("encrypted");
    return encrypted.empty() || encrypted == "no" ||
           encrypted.find("(VelvetSweatshop)") != std::string::npos;
}

// The code a file that is no compound file is refused with, by the manifest's "container".
const std::map<std::string, ErrorCode> kCodeOfContainer = {
    {"empty", EmptyFile},          {"xlsx-zip", ZipBasedWorkbook},
    {"odf-zip", ZipBasedWorkbook}, {"html", WebPage},
    {"xml", XmlSpreadsheet},       {"xml2003", XmlSpreadsheet},
    {"biff-raw", OldExcelFormat},  {"text", PlainText},
    {"sylk", PlainText},           {"gzip", NotCompoundFile},
    {"bmp", NotCompoundFile}};

// Codes that may refuse a file the manifest describes so.
std::set<ErrorCode> acceptableCodes(const CorpusEntry& entry) {
    const std::string& container = entry.at("container");
    if (const auto found = kCodeOfContainer.find(container); found != kCodeOfContainer.end())
        return {found->second};
    if (container != "ole2") return {CorruptContainer, TruncatedContainer};
    if (!opensWithDefaultPassword(entry)) return {PasswordProtected};
    if (entry.at("xlrd_ok") == "yes") return {};  // xlrd lists it: so must we
    return {CorruptWorkbook, CorruptContainer, TruncatedContainer, UnsupportedVersion,
            NoWorkbookStream};
}

class CorpusListingTest : public ::testing::TestWithParam<CorpusEntry> {};

TEST_P(CorpusListingTest, ListsAsTheManifestSaysOrRefusesClearly) {
    const CorpusEntry& entry = GetParam();
    try {
        Workbook book = Workbook::open(entry.path());
        EXPECT_EQ(entry.at("container"), "ole2");
        EXPECT_TRUE(opensWithDefaultPassword(entry)) << entry.at("encrypted");
        const auto& sheets = book.sheets();
        EXPECT_EQ(manifestNames(sheets), entry.at("sheet_names"));
        EXPECT_EQ(countOf(sheets, SheetType::Worksheet), entry.number("n_worksheet"));
        EXPECT_EQ(countOf(sheets, SheetType::Dialog), entry.number("n_dialog"));
        EXPECT_EQ(countOf(sheets, SheetType::Chart), entry.number("n_chart"));
        EXPECT_EQ(countOf(sheets, SheetType::MacroSheet), entry.number("n_macro"));
        EXPECT_EQ(countOf(sheets, SheetType::VbModule), entry.number("n_vbmodule"));
        EXPECT_EQ(countOf(sheets, Visibility::Hidden), entry.number("n_hidden"));
        EXPECT_EQ(countOf(sheets, Visibility::VeryHidden), entry.number("n_veryhidden"));
        EXPECT_EQ(book.worksheetIndices().size(),
                  static_cast<std::size_t>(entry.number("n_worksheet")));
        EXPECT_EQ(book.isStructureProtected(), entry.at("struct_protected") == "1");
        EXPECT_EQ(book.isEncrypted(), entry.at("encrypted") != "no");  // listed: never empty
        EXPECT_EQ(book.isBiff5(), entry.at("biff").rfind("BIFF5", 0) == 0);
        if (entry.at("xlrd_ok") == "yes") {
            // xlrd, an independent reader, lists worksheets and dialog sheets.
            std::vector<SheetInfo> xlrdKinds;
            std::copy_if(sheets.begin(), sheets.end(), std::back_inserter(xlrdKinds),
                         [](const SheetInfo& s) {
                             return s.type == SheetType::Worksheet || s.type == SheetType::Dialog;
                         });
            EXPECT_EQ(manifestNames(xlrdKinds), entry.at("xlrd_sheets"));
        }
    } catch (const Error& error) {
        std::set<ErrorCode> acceptable = acceptableCodes(entry);
        EXPECT_TRUE(acceptable.count(error.code()))
            << error.what() << " [" << error.context() << "]";
        EXPECT_EQ(error.file(), entry.path().string());
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusListingTest, ::testing::ValuesIn(corpusEntries()),
                         byFileName);

std::vector<std::string> names(const std::vector<SheetInfo>& sheets) {
    std::vector<std::string> out;
    for (const auto& s : sheets) out.push_back(s.name);
    return out;
}

// The document summary's sheet titles, if it has readable ones.
std::optional<model::DocSummaryTitles> titlesOf(std::vector<std::uint8_t> file) {
    try {
        const auto container =
            cfb::CompoundFile::open(std::make_shared<io::MemorySource>(std::move(file)));
        const auto id = container.find(u"\u0005DocumentSummaryInformation");
        return id ? model::readDocSummaryTitles(container.readStream(*id)) : std::nullopt;
    } catch (const Error&) {
        return std::nullopt;
    }
}

bool holds(const std::optional<model::DocSummaryTitles>& titles, const std::string& part) {
    return titles &&
           std::find(titles->parts.begin(), titles->parts.end(), part) != titles->parts.end();
}

// True when every Index record's rgibRw points at a DBCell and its ibXF (when
// set) at a DefColWidth: the positions the writer must keep right.
bool indexPositionsHold(const std::vector<std::uint8_t>& stream) {
    const auto headers = biff::scanRecordHeaders(stream, nullptr);
    std::set<std::uint64_t> dbcells, defColWidths;
    for (const auto& h : headers) {
        if (h.type == biff::RecordType::DBCell) dbcells.insert(h.offset);
        if (h.type == biff::RecordType::DefColWidth) defColWidths.insert(h.offset);
    }
    for (const auto& h : headers) {
        if (h.type != biff::RecordType::Index) continue;
        const std::span<const std::uint8_t> all(stream);
        io::ByteReader r(all.subspan(static_cast<std::size_t>(h.bodyOffset()), h.size));
        r.skip(12);
        const std::uint32_t ibXF = r.u32();
        if (ibXF != 0 && !defColWidths.count(ibXF)) return false;
        while (r.remaining() >= 4)
            if (!dbcells.count(r.u32())) return false;
    }
    return true;
}

// A corpus workbook the engine can edit, with two worksheets or more.
class CorpusEditTest : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        try {
            Workbook book = Workbook::open(corpusPath(GetParam()));
            if (book.worksheetIndices().size() >= 2 && !book.isBiff5() &&
                !book.isStructureProtected())
                book_ = std::move(book);
        } catch (const Error&) {
        }
        if (!book_) GTEST_SKIP() << "fewer than two worksheets, or not editable";
        expected_ = names(book_->sheets());
        if (!book_->isEncrypted()) titlesBefore_ = titlesOf(readFileBytes(corpusPath(GetParam())));
    }

    // Saves, checks the reopened workbook lists the expected sheets and loads
    // whole, and gives the titles written when the summary had one for `sheet`.
    std::optional<model::DocSummaryTitles> saveAndReopen(const std::string& sheet) {
        bytes_ = book_->serialize();
        Workbook reopened = Workbook::openBytes(bytes_, GetParam());
        EXPECT_EQ(names(reopened.sheets()), expected_);
        EXPECT_NO_THROW(reopened.serialize()) << "the whole stream loads again";
        if (!holds(titlesBefore_, sheet)) return std::nullopt;
        const auto titles = titlesOf(bytes_);
        EXPECT_TRUE(titles) << "the summary can no longer be read";
        return titles;
    }

    std::optional<Workbook> book_;
    std::vector<std::string> expected_;
    std::optional<model::DocSummaryTitles> titlesBefore_;
    std::vector<std::uint8_t> bytes_;
};

TEST_P(CorpusEditTest, RenameKeepsEverySheetAndTakesTheNewName) {
    const std::size_t tab = book_->worksheetIndices().back();
    const std::string old = expected_[tab];
    expected_[tab] = "Renamed Ωmega";
    book_->renameSheet(tab, expected_[tab]);
    if (const auto titles = saveAndReopen(old)) {
        // The title follows as far as the summary's code page can spell it.
        EXPECT_TRUE(holds(titles, expected_[tab]) || holds(titles, "Renamed ?mega"));
        EXPECT_EQ(titles->parts.size(), titlesBefore_->parts.size());
    }
}

TEST_P(CorpusEditTest, DeleteRemovesOnlyThatSheet) {
    const std::size_t tab = book_->worksheetIndices().front();
    const std::string deleted = expected_[tab];
    try {
        book_->deleteSheet(tab);
    } catch (const Error& e) {
        ASSERT_EQ(e.code(), LastVisibleSheet) << e.what() << " " << e.context();
        GTEST_SKIP() << "its only visible sheet";
    }
    expected_.erase(expected_.begin() + static_cast<std::ptrdiff_t>(tab));
    if (const auto titles = saveAndReopen(deleted)) {
        EXPECT_LT(titles->parts.size(), titlesBefore_->parts.size()) << "the title goes";
        std::int32_t total = 0;
        for (const auto& h : titles->headings) total += h.count;
        EXPECT_EQ(static_cast<std::size_t>(total), titles->parts.size());
    }
    if (const auto original = readWorkbookStreamBytes(corpusPath(GetParam()));
        original && !book_->isEncrypted() && indexPositionsHold(*original)) {
        EXPECT_TRUE(indexPositionsHold(workbookStreamOf(bytes_))) << "Index records moved wrong";
    }
}

// The first worksheet moved to the end takes its summary title behind the others.
TEST_P(CorpusEditTest, MoveToTheEndTakesItsTitleAlong) {
    const std::size_t first = book_->worksheetIndices().front();
    const std::string moved = expected_[first];
    book_->moveSheet(first, expected_.size() - 1);
    std::rotate(expected_.begin() + static_cast<std::ptrdiff_t>(first),
                expected_.begin() + static_cast<std::ptrdiff_t>(first) + 1, expected_.end());
    const auto titles = saveAndReopen(moved);
    if (!titles) return;
    auto sorted = [](std::vector<std::string> parts) {
        std::sort(parts.begin(), parts.end());
        return parts;
    };
    EXPECT_EQ(sorted(titles->parts), sorted(titlesBefore_->parts));
    const auto at = [&](const std::string& part) {
        return std::find(titles->parts.begin(), titles->parts.end(), part) - titles->parts.begin();
    };
    for (std::size_t tab : book_->worksheetIndices())
        if (expected_[tab] != moved && holds(titles, expected_[tab])) {
            EXPECT_LT(at(expected_[tab]), at(moved)) << expected_[tab];
        }
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusEditTest, ::testing::ValuesIn(corpusWorkbooks()),
                         byFileName);

using Edit = std::function<void(model::WorkbookStream&)>;

std::optional<std::vector<std::uint8_t>> writtenAfter(const std::vector<std::uint8_t>& bytes,
                                                      bool lazy, const Edit& edit) {
    try {
        auto stream =
            lazy
                ? model::parseWorkbookStream(std::make_shared<io::MemorySource>(std::vector(bytes)))
                : model::parseWorkbookStream(bytes);
        edit(stream);
        const auto hints = model::readWriteHints(std::make_shared<io::MemorySource>(bytes));
        return model::writeWorkbookStream(stream, hints).toVector();
    } catch (const Error&) {
        return std::nullopt;
    }
}

class StreamRoundTripTest : public ::testing::TestWithParam<std::string> {};

TEST_P(StreamRoundTripTest, StoredRecordsWriteAsReadOnesAndUnchangedAsStored) {
    const auto path = corpusPath(GetParam());
    try {
        Workbook::open(path);
    } catch (const Error&) {
        GTEST_SKIP() << "does not open";
    }
    const auto bytes = readWorkbookStreamBytes(path);
    ASSERT_TRUE(bytes) << "opens, yet its workbook stream cannot be read";
    const std::vector<std::pair<const char*, Edit>> edits = {
        {"unchanged", [](model::WorkbookStream&) {}},
        {"first sheet renamed",
         [](model::WorkbookStream& s) { ops::renameSheetRecords(s, 0, "A much longer name"); }},
        {"first sheet deleted",
         [](model::WorkbookStream& s) {
             if (s.sheetSubstream.size() < 2) return;
             ops::deleteSheetRecords(
                 s, 0, std::vector<Visibility>(s.sheetSubstream.size() - 1, Visibility::Visible));
         }},
    };
    for (const auto& [what, edit] : edits) {
        const auto loaded = writtenAfter(*bytes, false, edit);
        const auto lazy = writtenAfter(*bytes, true, edit);
        ASSERT_EQ(loaded.has_value(), lazy.has_value()) << what;
        EXPECT_TRUE(loaded == lazy) << what;
        if (what != edits.front().first) continue;  // an edit may be refused; unchanged may not
        ASSERT_TRUE(loaded) << "a workbook that opens must load and write back";
        ASSERT_EQ(loaded->size(), bytes->size());
        const auto diff = std::mismatch(loaded->begin(), loaded->end(), bytes->begin());
        EXPECT_TRUE(diff.first == loaded->end())
            << "unchanged: first difference at byte " << (diff.first - loaded->begin());
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, StreamRoundTripTest, ::testing::ValuesIn(corpusWorkbooks()),
                         byFileName);

}  // namespace
}  // namespace xls
