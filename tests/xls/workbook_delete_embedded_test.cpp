// A deleted sheet's OLE objects leave the file with it: the embedding storages
// only its objects used go, those other sheets' objects use stay, and a
// storage a copy added in the same session is taken back with the copy.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "support/cfb_test_file.h"
#include "support/corpus_manifest.h"
#include "xls/workbook.h"

namespace xls {
namespace {

// The root's embedding storages of the saved workbook, by name.
std::set<std::u16string> embeddingStorages(const Workbook& book) {
    const auto file = cfb::testing::openInMemory(book.serialize());
    std::set<std::u16string> names;
    for (std::uint32_t id : file.children(0)) {
        const auto& entry = file.entries()[id];
        if (entry.type == cfb::EntryType::Storage && entry.name.starts_with(u"MBD"))
            names.insert(entry.name);
    }
    return names;
}

std::size_t tabOf(const Workbook& book, const std::string& name) {
    for (std::size_t i = 0; i < book.sheets().size(); ++i)
        if (book.sheets()[i].name == name) return i;
    ADD_FAILURE() << "no sheet " << name;
    return 0;
}

// Steps on one workbook: "-Name" deletes a sheet, "+Name" copies it behind the last tab.
struct DeleteCase {
    std::string file;
    std::vector<std::string> steps;
    std::set<std::u16string> storagesLeft;
};

class DeleteEmbedded : public ::testing::TestWithParam<DeleteCase> {};

TEST_P(DeleteEmbedded, StoragesFollowTheirSheets) {
    const DeleteCase& c = GetParam();
    Workbook book = Workbook::open(tarnvale::testing::corpusPath(c.file));
    for (const std::string& step : c.steps) {
        const std::size_t tab = tabOf(book, step.substr(1));
        if (step[0] == '-')
            book.deleteSheet(tab);
        else
            book.copySheet(book, tab, book.sheets().size() - 1);
    }
    EXPECT_EQ(embeddingStorages(book), c.storagesLeft);
}

const std::string kAngelo = "poi__angelo.edu_content_files_19555-nsse-2011-multiyear-benchmark.xls";
// In kAngelo, Intro keeps its document in MBD00004772, FYchart in
// MBD00004771, SRchart in MBD00004770 (read from their Obj records).
INSTANTIATE_TEST_SUITE_P(
    Corpus, DeleteEmbedded,
    ::testing::Values(
        DeleteCase{kAngelo, {"-Intro"}, {u"MBD00004770", u"MBD00004771"}},
        DeleteCase{kAngelo, {"-Cover"}, {u"MBD00004770", u"MBD00004771", u"MBD00004772"}},
        DeleteCase{kAngelo, {"-SRchart", "-FYchart"}, {u"MBD00004772"}},
        // The copy's object gets a storage of its own, which stays when its
        // source sheet goes and goes with the copy.
        DeleteCase{kAngelo, {"+Intro", "-Intro"}, {u"MBD00004770", u"MBD00004771", u"MBD00004773"}},
        DeleteCase{
            kAngelo, {"+Intro", "-Intro (2)"}, {u"MBD00004770", u"MBD00004771", u"MBD00004772"}},
        DeleteCase{"poi__60460.xls", {"-Questionnaire"}, {}},
        DeleteCase{"poi__60460.xls", {"-Analysis"}, {u"MBD0435D8BE"}},
        DeleteCase{"poi__59858.xls", {"-Formulated"}, {}}));

}  // namespace
}  // namespace xls
