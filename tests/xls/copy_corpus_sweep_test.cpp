// Every worksheet of every corpus workbook copied into itself and into
// workbooks of other producers, and every sheet deleted in turn: the result
// reopens and lists the copy where it belongs; a copy within its workbook has
// the source sheet's records and leaves every other sheet byte for byte; no
// drawing shape id is used twice or outside its drawing's clusters (unless the
// destination already had such ids), and the drawing group's totals move by
// exactly what came or went. A damaged destination (found by fuzzing) refuses
// a copy with its damage's code and lists no copy.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <set>

#include "model/workbook_stream.h"
#include "ops/drawing_census.h"
#include "support/corpus_manifest.h"
#include "support/error_code_of.h"
#include "support/file_bytes.h"
#include "support/workbook_stream_of.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace xls {
namespace {

using tarnvale::testing::corpusPath;

model::WorkbookStream streamOf(const std::vector<std::uint8_t>& file) {
    return model::parseWorkbookStream(tarnvale::testing::workbookStreamOf(file));
}

std::uint64_t shapes(const ops::DrawingCensus& census) {
    return std::accumulate(census.drawings.begin(), census.drawings.end(), std::uint64_t{0},
                           [](std::uint64_t n, const ops::DrawingEntry& d) { return n + d.csp; });
}

// Shape ids stay unique; the totals grow by the drawings and shapes a copy brought.
void expectDrawingsInStep(const ops::DrawingCensus& was, const ops::DrawingCensus& now) {
    EXPECT_EQ(ops::drawingIdProblems(now), ops::drawingIdProblems(was));
    const auto added = now.drawings.size() - was.drawings.size();
    if (added == 0) return;
    EXPECT_EQ(now.cdgSaved, was.cdgSaved + added);
    EXPECT_EQ(now.cspSaved, was.cspSaved + (shapes(now) - shapes(was)));
}

struct Copy {
    Workbook& book;  // the destination, with the copy in it
    std::size_t tab, copy;
    model::WorkbookStream after;  // as saved
};

// Copies each worksheet of `name` into `into` (or into itself when they are the
// same) behind the destination's last sheet, skipping the refusals given, and
// checks the saved result reopens with the copy listed and its drawings in step.
void copyEachWorksheet(const std::string& name, const std::string& into,
                       const std::set<ErrorCode>& refusals,
                       const std::function<void(const Copy&)>& check) {
    std::optional<Workbook> probe;
    try {
        probe = Workbook::open(corpusPath(name));
    } catch (const Error&) {
        GTEST_SKIP() << "not readable";
    }
    const auto destinationBytes = tarnvale::testing::readWorkbookStreamBytes(corpusPath(into));
    ASSERT_TRUE(destinationBytes);
    const ops::DrawingCensus was =
        ops::takeDrawingCensus(model::parseWorkbookStream(*destinationBytes));
    for (std::size_t tab : probe->worksheetIndices()) {
        SCOPED_TRACE(into + " tab " + std::to_string(tab));
        Workbook source = Workbook::open(corpusPath(name));
        std::optional<Workbook> other;
        if (into != name) other = Workbook::open(corpusPath(into));
        Workbook& target = other ? *other : source;
        const std::size_t last = target.sheets().size() - 1;
        std::size_t copy = 0;
        try {
            copy = target.copySheet(source, tab, last);
        } catch (const Error& e) {
            if (refusals.contains(e.code())) continue;
            FAIL() << e.what() << " " << e.context();
        }
        ASSERT_EQ(copy, last + 1);
        const auto saved = target.serialize();
        Workbook reopened = Workbook::openBytes(saved, "copy");
        ASSERT_EQ(reopened.sheets().size(), target.sheets().size());
        EXPECT_EQ(reopened.sheets()[copy].name, target.sheets()[copy].name);
        Copy done{target, tab, copy, streamOf(saved)};
        expectDrawingsInStep(was, ops::takeDrawingCensus(done.after));
        model::Substream copied = done.after.substreams[done.after.sheetSubstream[copy]];
        EXPECT_NO_THROW(model::loadRecords(copied)) << "the copy loads whole";
        check(done);
    }
}

// Record ids of a substream, CodeName left out (a copy drops its code name).
std::vector<std::uint16_t> recordIds(model::Substream s) {
    model::loadRecords(s);
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
    const auto before = model::parseWorkbookStream(
        *tarnvale::testing::readWorkbookStreamBytes(corpusPath(GetParam())));
    // Only what a copy cannot carry is refused within a workbook the engine edits.
    copyEachWorksheet(GetParam(), GetParam(), {ErrorCode::CopyUnsupported}, [&](const Copy& c) {
        const auto& sources = before.sheetSubstream;
        const auto& sheets = c.book.sheets();
        EXPECT_EQ(sheets[c.copy].name.rfind(sheets[c.tab].name.substr(0, 3), 0), 0u);
        EXPECT_EQ(recordIds(c.after.substreams[c.after.sheetSubstream[c.copy]]),
                  recordIds(before.substreams[sources[c.tab]]));
        for (std::size_t other = 0; other < sources.size(); ++other) {
            model::Substream was = before.substreams[sources[other]];
            model::Substream now = c.after.substreams[c.after.sheetSubstream[other]];
            model::loadRecords(was);
            model::loadRecords(now);
            ASSERT_EQ(was.records.size(), now.records.size()) << "sheet " << other;
            for (std::size_t i = 0; i < was.records.size(); ++i) {
                if (was.records[i].type == biff::RecordType::Index) continue;  // positions
                EXPECT_EQ(was.records[i], now.records[i]) << "sheet " << other << " #" << i;
            }
        }
    });
}

INSTANTIATE_TEST_SUITE_P(Corpus, CopyWithinCorpusWorkbook,
                         ::testing::ValuesIn(tarnvale::testing::corpusWorkbooks()),
                         tarnvale::testing::byFileName);

// Into workbooks of other producers, one without drawings and two with drawings
// of their own, the copy may also meet damage and versions the copy refuses.
class CopyBetweenCorpusWorkbooks : public ::testing::TestWithParam<std::string> {};

TEST_P(CopyBetweenCorpusWorkbooks, CopiesEveryWorksheetIntoOtherWorkbooks) {
    for (const char* into :
         {"gnumeric__ttest.xls", "poi__50939.xls", "edr__Test_Issue_11573_BlankValues.xls"})
        copyEachWorksheet(GetParam(), into,
                          {ErrorCode::CopyUnsupported, ErrorCode::UnsupportedVersion,
                           ErrorCode::StructureProtected, ErrorCode::CorruptWorkbook},
                          [](const Copy&) {});
}

INSTANTIATE_TEST_SUITE_P(Corpus, CopyBetweenCorpusWorkbooks,
                         ::testing::ValuesIn(tarnvale::testing::corpusWorkbooks()),
                         tarnvale::testing::byFileName);

// Deleting each sheet in turn takes its drawings off the totals and frees
// their clusters.
class CopyDrawingCorpus : public ::testing::TestWithParam<tarnvale::testing::CorpusEntry> {};

TEST_P(CopyDrawingCorpus, DeletingASheetTakesItsDrawingsOffTheTotals) {
    const std::string name = GetParam().name();
    std::optional<Workbook> probe;
    try {
        probe = Workbook::open(corpusPath(name));
    } catch (const Error&) {
        GTEST_SKIP() << "not readable";
    }
    const ops::DrawingCensus was = ops::takeDrawingCensus(
        model::parseWorkbookStream(*tarnvale::testing::readWorkbookStreamBytes(corpusPath(name))));
    for (std::size_t tab = 0; tab < probe->sheets().size(); ++tab) {
        Workbook book = Workbook::open(corpusPath(name));
        try {
            book.deleteSheet(tab);
        } catch (const Error&) {
            continue;  // the last visible sheet, a protected structure, ...
        }
        const ops::DrawingCensus now = ops::takeDrawingCensus(streamOf(book.serialize()));
        SCOPED_TRACE("tab " + std::to_string(tab));
        const auto removed = was.drawings.size() - now.drawings.size();
        const auto shapesGone = shapes(was) - shapes(now);
        EXPECT_EQ(now.cdgSaved, was.cdgSaved - std::min<std::uint64_t>(was.cdgSaved, removed));
        EXPECT_EQ(now.cspSaved, was.cspSaved - std::min<std::uint64_t>(was.cspSaved, shapesGone));
        for (const auto& d : was.drawings) {
            const bool kept = std::ranges::any_of(
                now.drawings, [&](const ops::DrawingEntry& e) { return e.dgid == d.dgid; });
            if (kept || d.dgid == 0) continue;
            for (std::uint32_t owner : now.clusterOwners) EXPECT_NE(owner, d.dgid);
        }
    }
}

std::vector<tarnvale::testing::CorpusEntry> withDrawings() {
    std::vector<tarnvale::testing::CorpusEntry> found;
    for (const auto& entry : tarnvale::testing::corpusEntries())
        if (entry.number("drawing_group") > 0) found.push_back(entry);
    return found;
}

INSTANTIATE_TEST_SUITE_P(Corpus, CopyDrawingCorpus, ::testing::ValuesIn(withDrawings()),
                         tarnvale::testing::byFileName);

// Its document summary's stream runs past the end of the file.
TEST(CopyIntoDamagedWorkbook, IsRefusedAndListsNoCopy) {
    Workbook destination = Workbook::openBytes(
        tarnvale::testing::readFileBytes(std::string(TARNVALE_TEST_DATA_DIR) +
                                         "/malformed/copy-doc-summary-truncated.xls"),
        "damaged");
    Workbook source = Workbook::open(corpusPath("gnumeric__ttest.xls"));
    EXPECT_EQ(tarnvale::testing::raisedCode([&] { destination.copySheet(source, 1, 0); }),
              ErrorCode::TruncatedContainer);
    EXPECT_EQ(destination.sheets().size(), 1u);
}

}  // namespace
}  // namespace xls
