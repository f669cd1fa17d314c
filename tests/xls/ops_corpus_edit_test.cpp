// Rename and delete on every corpus workbook with at least two worksheets: the
// result reopens, lists exactly the expected sheets, and loads whole again.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "biff/record_reader.h"
#include "cfb/compound_file.h"
#include "io/byte_reader.h"
#include "io/byte_source.h"
#include "model/stream_location.h"
#include "xls/error.h"
#include "xls/ops_corpus_files.h"
#include "xls/workbook.h"

namespace xls {
namespace {

std::vector<std::string> names(const std::vector<SheetInfo>& sheets) {
    std::vector<std::string> out;
    for (const auto& s : sheets) out.push_back(s.name);
    return out;
}

// Opens the corpus file when the engine can edit it; skips the test otherwise.
std::optional<Workbook> openEditable(const std::string& file) {
    try {
        Workbook book = Workbook::open(testing::corpusPath(file));
        if (book.worksheetIndices().size() < 2 || book.isBiff5() || book.isStructureProtected())
            return std::nullopt;
        return book;
    } catch (const Error&) {
        return std::nullopt;
    }
}

std::vector<std::uint8_t> workbookStreamOf(std::vector<std::uint8_t> file) {
    const auto container =
        cfb::CompoundFile::open(std::make_shared<io::MemorySource>(std::move(file)));
    return container.readStream(model::findWorkbookStream(container).id);
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
    expected[tab] = "Renamed Ωmega";
    book->renameSheet(tab, expected[tab]);
    const auto bytes = book->serialize();
    Workbook reopened = Workbook::openBytes(bytes, GetParam());
    EXPECT_EQ(names(reopened.sheets()), expected);
    EXPECT_NO_THROW(reopened.serialize()) << "the whole stream loads again";
}

TEST_P(CorpusEditTest, DeleteRemovesOnlyThatSheet) {
    auto book = openEditable(GetParam());
    if (!book) GTEST_SKIP() << "fewer than two worksheets, or not editable";
    const std::size_t tab = book->worksheetIndices().front();
    auto expected = names(book->sheets());
    try {
        book->deleteSheet(tab);
    } catch (const Error& e) {
        ASSERT_EQ(e.code(), ErrorCode::LastVisibleSheet) << e.what() << " " << e.context();
        GTEST_SKIP() << "its only visible sheet";
    }
    expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(tab));
    const auto bytes = book->serialize();
    if (const auto original = testing::readWorkbookStreamBytes(testing::corpusPath(GetParam()));
        original && !book->isEncrypted() && indexPositionsHold(*original)) {
        EXPECT_TRUE(indexPositionsHold(workbookStreamOf(bytes))) << "Index records moved wrong";
    }
    Workbook reopened = Workbook::openBytes(bytes, GetParam());
    EXPECT_EQ(names(reopened.sheets()), expected);
    EXPECT_NO_THROW(reopened.serialize());
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusEditTest, ::testing::ValuesIn(testing::corpusWorkbooks()),
                         [](const auto& row) { return testing::testNameOf(row.param); });

}  // namespace
}  // namespace xls
