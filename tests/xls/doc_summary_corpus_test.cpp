// On real workbooks the document summary's sheet titles follow a rename and a
// delete, and the user-defined properties stay byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>

#include "cfb/compound_file.h"
#include "io/byte_source.h"
#include "model/doc_summary.h"
#include "xls/error.h"
#include "xls/ops_corpus_files.h"
#include "xls/workbook.h"

namespace xls {
namespace {

const std::u16string kDocSummary =
    u"\x05"
    u"DocumentSummaryInformation";

std::optional<std::vector<std::uint8_t>> docSummaryOf(std::vector<std::uint8_t> file) {
    const auto container =
        cfb::CompoundFile::open(std::make_shared<io::MemorySource>(std::move(file)));
    const auto id = container.find(kDocSummary);
    if (!id) return std::nullopt;
    return container.readStream(*id);
}

bool holds(const model::DocSummaryTitles& titles, const std::string& part) {
    return std::find(titles.parts.begin(), titles.parts.end(), part) != titles.parts.end();
}

struct Candidate {
    std::optional<Workbook> book;
    model::DocSummaryTitles titles;
    std::size_t tab = 0;
};

// An editable workbook whose titles list its last worksheet.
std::optional<Candidate> candidate(const std::string& file) {
    try {
        Candidate c;
        c.book = Workbook::open(testing::corpusPath(file));
        const auto worksheets = c.book->worksheetIndices();
        if (worksheets.size() < 2 || c.book->isBiff5() || c.book->isStructureProtected() ||
            c.book->isEncrypted())
            return std::nullopt;
        std::ifstream in(testing::corpusPath(file), std::ios::binary);
        const auto stream = docSummaryOf(std::vector<std::uint8_t>(
            std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
        if (!stream) return std::nullopt;
        const auto titles = model::readDocSummaryTitles(*stream);
        c.tab = worksheets.back();
        if (!titles || !holds(*titles, c.book->sheets()[c.tab].name)) return std::nullopt;
        c.titles = *titles;
        return c;
    } catch (const Error&) {
        return std::nullopt;
    }
}

class DocSummaryCorpusTest : public ::testing::TestWithParam<std::string> {};

TEST_P(DocSummaryCorpusTest, TitlesFollowRenameAndDelete) {
    auto c = candidate(GetParam());
    if (!c) GTEST_SKIP() << "no sheet titles to follow";
    const std::string old = c->book->sheets()[c->tab].name;
    c->book->renameSheet(c->tab, "Renamed Sheet");
    auto renamed = model::readDocSummaryTitles(*docSummaryOf(c->book->serialize()));
    ASSERT_TRUE(renamed);
    EXPECT_TRUE(holds(*renamed, "Renamed Sheet"));
    EXPECT_EQ(renamed->parts.size(), c->titles.parts.size());

    try {
        c->book->deleteSheet(c->tab);
    } catch (const Error& e) {
        ASSERT_EQ(e.code(), ErrorCode::LastVisibleSheet);
        return;  // its only visible sheet: nothing more to delete
    }
    auto deleted = model::readDocSummaryTitles(*docSummaryOf(c->book->serialize()));
    ASSERT_TRUE(deleted);
    EXPECT_FALSE(holds(*deleted, "Renamed Sheet"));
    std::int32_t total = 0;
    for (const auto& h : deleted->headings) total += h.count;
    EXPECT_EQ(static_cast<std::size_t>(total), deleted->parts.size());
    EXPECT_LT(deleted->parts.size(), c->titles.parts.size());
}

INSTANTIATE_TEST_SUITE_P(Corpus, DocSummaryCorpusTest,
                         ::testing::ValuesIn(testing::corpusWorkbooks()),
                         [](const auto& row) { return testing::testNameOf(row.param); });

}  // namespace
}  // namespace xls
