// Rename and delete on every corpus workbook with at least two worksheets: the
// result reopens, lists exactly the expected sheets, and loads whole again; the
// document summary's sheet titles follow both edits.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "biff/record_reader.h"
#include "cfb/compound_file.h"
#include "io/byte_reader.h"
#include "io/byte_source.h"
#include "model/doc_summary.h"
#include "support/corpus_manifest.h"
#include "support/file_bytes.h"
#include "support/workbook_stream_of.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace xls {
namespace {

using tarnvale::testing::corpusPath;

std::vector<std::string> names(const std::vector<SheetInfo>& sheets) {
    std::vector<std::string> out;
    for (const auto& s : sheets) out.push_back(s.name);
    return out;
}

// Opens the corpus file when the engine can edit it; skips the test otherwise.
std::optional<Workbook> openEditable(const std::string& file) {
    try {
        Workbook book = Workbook::open(corpusPath(file));
        if (book.worksheetIndices().size() < 2 || book.isBiff5() || book.isStructureProtected())
            return std::nullopt;
        return book;
    } catch (const Error&) {
        return std::nullopt;
    }
}

// The sheet titles of the document summary in a compound file, if it has any
// that can be read.
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

class CorpusEditTest : public ::testing::TestWithParam<std::string> {};

TEST_P(CorpusEditTest, RenameKeepsEverySheetAndTakesTheNewName) {
    auto book = openEditable(GetParam());
    if (!book) GTEST_SKIP() << "fewer than two worksheets, or not editable";
    const std::size_t tab = book->worksheetIndices().back();
    auto expected = names(book->sheets());
    const auto titlesBefore = titlesOf(tarnvale::testing::readFileBytes(corpusPath(GetParam())));
    const bool titled = !book->isEncrypted() && holds(titlesBefore, expected[tab]);
    expected[tab] = "Renamed Ωmega";
    book->renameSheet(tab, expected[tab]);
    const auto bytes = book->serialize();
    Workbook reopened = Workbook::openBytes(bytes, GetParam());
    EXPECT_EQ(names(reopened.sheets()), expected);
    EXPECT_NO_THROW(reopened.serialize()) << "the whole stream loads again";
    if (titled) {
        const auto titles = titlesOf(bytes);
        // The title follows as far as the summary's code page can spell it.
        ASSERT_TRUE(holds(titles, expected[tab]) || holds(titles, "Renamed ?mega"));
        EXPECT_EQ(titles->parts.size(), titlesBefore->parts.size());
    }
}

TEST_P(CorpusEditTest, DeleteRemovesOnlyThatSheet) {
    auto book = openEditable(GetParam());
    if (!book) GTEST_SKIP() << "fewer than two worksheets, or not editable";
    const std::size_t tab = book->worksheetIndices().front();
    auto expected = names(book->sheets());
    const auto titlesBefore = titlesOf(tarnvale::testing::readFileBytes(corpusPath(GetParam())));
    const bool titled = !book->isEncrypted() && holds(titlesBefore, expected[tab]);
    try {
        book->deleteSheet(tab);
    } catch (const Error& e) {
        ASSERT_EQ(e.code(), ErrorCode::LastVisibleSheet) << e.what() << " " << e.context();
        GTEST_SKIP() << "its only visible sheet";
    }
    expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(tab));
    const auto bytes = book->serialize();
    if (const auto original = tarnvale::testing::readWorkbookStreamBytes(corpusPath(GetParam()));
        original && !book->isEncrypted() && indexPositionsHold(*original)) {
        EXPECT_TRUE(indexPositionsHold(tarnvale::testing::workbookStreamOf(bytes)))
            << "Index records moved wrong";
    }
    Workbook reopened = Workbook::openBytes(bytes, GetParam());
    EXPECT_EQ(names(reopened.sheets()), expected);
    EXPECT_NO_THROW(reopened.serialize());
    if (titled) {
        const auto titles = titlesOf(bytes);
        ASSERT_TRUE(titles);
        EXPECT_LT(titles->parts.size(), titlesBefore->parts.size()) << "the title goes";
        std::int32_t total = 0;
        for (const auto& h : titles->headings) total += h.count;
        EXPECT_EQ(static_cast<std::size_t>(total), titles->parts.size());
    }
}

// The first worksheet moved to the end: every sheet kept, and its title in the
// document summary now behind every other worksheet's title.
TEST_P(CorpusEditTest, MoveToTheEndTakesItsTitleAlong) {
    auto book = openEditable(GetParam());
    if (!book) GTEST_SKIP() << "fewer than two worksheets, or not editable";
    const auto worksheets = book->worksheetIndices();
    auto expected = names(book->sheets());
    const std::string moved = expected[worksheets.front()];
    std::vector<std::string> others;
    for (const std::size_t tab : worksheets)
        if (tab != worksheets.front()) others.push_back(expected[tab]);
    const auto titlesBefore = titlesOf(tarnvale::testing::readFileBytes(corpusPath(GetParam())));
    const bool titled = !book->isEncrypted() && holds(titlesBefore, moved);
    book->moveSheet(worksheets.front(), expected.size() - 1);
    std::rotate(expected.begin() + static_cast<std::ptrdiff_t>(worksheets.front()),
                expected.begin() + static_cast<std::ptrdiff_t>(worksheets.front()) + 1,
                expected.end());
    const auto bytes = book->serialize();
    EXPECT_EQ(names(Workbook::openBytes(bytes, GetParam()).sheets()), expected);
    if (!titled) return;
    const auto titles = titlesOf(bytes);
    ASSERT_TRUE(titles);
    auto sorted = [](std::vector<std::string> parts) {
        std::sort(parts.begin(), parts.end());
        return parts;
    };
    EXPECT_EQ(sorted(titles->parts), sorted(titlesBefore->parts));
    const auto at = [&](const std::string& part) {
        return std::find(titles->parts.begin(), titles->parts.end(), part) - titles->parts.begin();
    };
    for (const std::string& other : others)
        if (holds(titles, other)) {
            EXPECT_LT(at(other), at(moved)) << other;
        }
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusEditTest,
                         ::testing::ValuesIn(tarnvale::testing::corpusWorkbooks()),
                         tarnvale::testing::byFileName);

}  // namespace
}  // namespace xls
