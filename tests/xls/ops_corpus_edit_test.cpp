// Rename and delete on every corpus workbook with at least two worksheets: the
// result reopens, lists exactly the expected sheets, and loads whole again.
#include <gtest/gtest.h>

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
    Workbook reopened = Workbook::openBytes(bytes, GetParam());
    EXPECT_EQ(names(reopened.sheets()), expected);
    EXPECT_NO_THROW(reopened.serialize());
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusEditTest, ::testing::ValuesIn(testing::corpusWorkbooks()),
                         [](const auto& row) { return testing::testNameOf(row.param); });

}  // namespace
}  // namespace xls
