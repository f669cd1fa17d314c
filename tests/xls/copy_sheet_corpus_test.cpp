// Copying every worksheet of every editable corpus workbook behind its last
// sheet: the result reopens and lists the copy where it belongs, the copy's
// records are the source sheet's (apart from what a copy must change), and
// every other sheet substream is the original's byte for byte.
#include <gtest/gtest.h>

#include "model/workbook_stream.h"
#include "support/corpus_manifest.h"
#include "support/workbook_stream_of.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace xls {
namespace {

using tarnvale::testing::corpusPath;

// Record ids of a substream, CodeName and Window2 left out (a copy drops its
// code name and is not selected), formulas kept as ids only.
std::vector<std::uint16_t> recordIds(const model::Substream& s) {
    std::vector<std::uint16_t> ids;
    for (const auto& r : s.records)
        if (r.type != biff::RecordType::CodeName) ids.push_back(biff::toU16(r.type));
    return ids;
}

class CopyWithinCorpusWorkbook : public ::testing::TestWithParam<std::string> {};

TEST_P(CopyWithinCorpusWorkbook, CopiesEveryWorksheetFaithfully) {
    std::optional<Workbook> probe;
    try {
        probe = Workbook::open(corpusPath(GetParam()));
    } catch (const Error&) {
        GTEST_SKIP() << "not readable";
    }
    if (probe->isBiff5() || probe->isStructureProtected()) GTEST_SKIP() << "refused by design";
    const auto original = tarnvale::testing::readWorkbookStreamBytes(corpusPath(GetParam()));
    ASSERT_TRUE(original);
    const model::WorkbookStream before = model::parseWorkbookStream(*original);

    for (std::size_t tab : probe->worksheetIndices()) {
        Workbook book = Workbook::open(corpusPath(GetParam()));
        const std::size_t last = book.sheets().size() - 1;
        std::size_t copy = 0;
        try {
            copy = book.copySheet(book, tab, last);
        } catch (const Error& e) {
            if (e.code() == ErrorCode::CopyUnsupported) continue;
            FAIL() << "tab " << tab << ": " << e.what() << " " << e.context();
        }
        ASSERT_EQ(copy, last + 1);
        const auto saved = book.serialize();
        Workbook reopened = Workbook::openBytes(saved, "copy");
        ASSERT_EQ(reopened.sheets().size(), before.sheetSubstream.size() + 1);
        EXPECT_EQ(reopened.sheets()[copy].name, book.sheets()[copy].name);
        EXPECT_EQ(reopened.sheets()[copy].name.rfind(probe->sheets()[tab].name.substr(0, 3), 0),
                  0u);

        const model::WorkbookStream after =
            model::parseWorkbookStream(tarnvale::testing::workbookStreamOf(saved));
        model::Substream copied = after.substreams[after.sheetSubstream[copy]];
        model::loadRecords(copied);
        model::Substream source = before.substreams[before.sheetSubstream[tab]];
        EXPECT_EQ(recordIds(copied), recordIds(source)) << "tab " << tab;
        for (std::size_t other = 0; other < before.sheetSubstream.size(); ++other) {
            model::Substream was = before.substreams[before.sheetSubstream[other]];
            model::Substream now = after.substreams[after.sheetSubstream[other]];
            model::loadRecords(was);
            model::loadRecords(now);
            ASSERT_EQ(was.records.size(), now.records.size()) << "sheet " << other;
            for (std::size_t i = 0; i < was.records.size(); ++i) {
                const auto type = was.records[i].type;
                if (type == biff::RecordType::Index) continue;  // positions moved
                EXPECT_EQ(was.records[i], now.records[i]) << "sheet " << other << " record " << i;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, CopyWithinCorpusWorkbook,
                         ::testing::ValuesIn(tarnvale::testing::corpusWorkbooks()),
                         tarnvale::testing::byFileName);

}  // namespace
}  // namespace xls

namespace xls {
namespace {

// Every worksheet of every corpus workbook copied into two destinations of
// other producers: the result reopens, lists the copy behind the anchor and
// loads whole again.
class CopyBetweenCorpusWorkbooks : public ::testing::TestWithParam<std::string> {};

TEST_P(CopyBetweenCorpusWorkbooks, CopiesEveryWorksheetIntoOtherWorkbooks) {
    std::optional<Workbook> probe;
    try {
        probe = Workbook::open(corpusPath(GetParam()));
    } catch (const Error&) {
        GTEST_SKIP() << "not readable";
    }
    for (const char* into : {"gnumeric__ttest.xls", "poi__50939.xls"}) {
        for (std::size_t tab : probe->worksheetIndices()) {
            Workbook source = Workbook::open(corpusPath(GetParam()));
            Workbook destination = Workbook::open(corpusPath(into));
            const std::size_t anchor = 0;
            std::size_t copy = 0;
            try {
                copy = destination.copySheet(source, tab, anchor);
            } catch (const Error& e) {
                const auto code = e.code();
                if (code == ErrorCode::CopyUnsupported || code == ErrorCode::UnsupportedVersion ||
                    code == ErrorCode::StructureProtected || code == ErrorCode::CorruptWorkbook)
                    continue;
                FAIL() << into << " tab " << tab << ": " << e.what() << " " << e.context();
            }
            const auto saved = destination.serialize();
            Workbook reopened = Workbook::openBytes(saved, "copy");
            ASSERT_EQ(reopened.sheets().size(), destination.sheets().size());
            EXPECT_EQ(reopened.sheets()[copy].name, destination.sheets()[copy].name);
            const auto stream =
                model::parseWorkbookStream(tarnvale::testing::workbookStreamOf(saved));
            model::Substream copied = stream.substreams[stream.sheetSubstream[copy]];
            EXPECT_NO_THROW(model::loadRecords(copied)) << into << " tab " << tab;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, CopyBetweenCorpusWorkbooks,
                         ::testing::ValuesIn(tarnvale::testing::corpusWorkbooks()),
                         tarnvale::testing::byFileName);

}  // namespace
}  // namespace xls
