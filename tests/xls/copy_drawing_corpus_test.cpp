// Every worksheet of every corpus workbook with drawings copied into itself,
// into a workbook without drawings and into one with drawings of its own:
// afterwards no shape id is used twice or outside its drawing's clusters
// (unless the destination already had such ids), and the drawing group's
// totals moved by exactly what the copy brought.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <set>

#include "model/workbook_stream.h"
#include "ops/drawing_census.h"
#include "support/corpus_manifest.h"
#include "support/workbook_stream_of.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace xls {
namespace {

using tarnvale::testing::corpusPath;

ops::DrawingCensus censusOf(const std::vector<std::uint8_t>& workbookStream) {
    return ops::takeDrawingCensus(model::parseWorkbookStream(workbookStream));
}

std::uint64_t shapes(const ops::DrawingCensus& census) {
    return std::accumulate(census.drawings.begin(), census.drawings.end(), std::uint64_t{0},
                           [](std::uint64_t n, const ops::DrawingEntry& d) { return n + d.csp; });
}

// What a copy may refuse: what it cannot carry, and the damage and versions
// the copy issue refuses already.
const std::set<ErrorCode> kRefusals = {ErrorCode::CopyUnsupported, ErrorCode::UnsupportedVersion,
                                       ErrorCode::StructureProtected, ErrorCode::CorruptWorkbook};

class CopyDrawingCorpus : public ::testing::TestWithParam<tarnvale::testing::CorpusEntry> {};

TEST_P(CopyDrawingCorpus, KeepsShapeIdsUniqueAndTotalsInStep) {
    const std::string name = GetParam().name();
    for (const std::string& into : {name, std::string("gnumeric__ttest.xls"),
                                    std::string("edr__Test_Issue_11573_BlankValues.xls")}) {
        std::optional<Workbook> probe;
        try {
            probe = Workbook::open(corpusPath(name));
        } catch (const Error&) {
            GTEST_SKIP() << "not readable";
        }
        const auto before = tarnvale::testing::readWorkbookStreamBytes(corpusPath(into));
        ASSERT_TRUE(before);
        const ops::DrawingCensus was = censusOf(*before);
        for (std::size_t tab : probe->worksheetIndices()) {
            Workbook source = Workbook::open(corpusPath(name));
            Workbook destination = Workbook::open(corpusPath(into));
            Workbook& target = into == name ? source : destination;
            try {
                target.copySheet(source, tab, target.sheets().size() - 1);
            } catch (const Error& e) {
                if (kRefusals.contains(e.code())) continue;
                FAIL() << into << " tab " << tab << ": " << e.what() << " " << e.context();
            }
            const ops::DrawingCensus now =
                censusOf(tarnvale::testing::workbookStreamOf(target.serialize()));
            SCOPED_TRACE(into + " tab " + std::to_string(tab));
            EXPECT_EQ(ops::drawingIdProblems(now), ops::drawingIdProblems(was));
            const auto added = now.drawings.size() - was.drawings.size();
            if (added == 0) continue;
            EXPECT_EQ(now.cdgSaved, was.cdgSaved + added);
            EXPECT_EQ(now.cspSaved, was.cspSaved + (shapes(now) - shapes(was)));
        }
    }
}

// Deleting each sheet in turn takes its drawings off the totals and frees
// their clusters.
TEST_P(CopyDrawingCorpus, DeletingASheetTakesItsDrawingsOffTheTotals) {
    const std::string name = GetParam().name();
    std::optional<Workbook> probe;
    try {
        probe = Workbook::open(corpusPath(name));
    } catch (const Error&) {
        GTEST_SKIP() << "not readable";
    }
    const ops::DrawingCensus was =
        censusOf(*tarnvale::testing::readWorkbookStreamBytes(corpusPath(name)));
    for (std::size_t tab = 0; tab < probe->sheets().size(); ++tab) {
        Workbook book = Workbook::open(corpusPath(name));
        try {
            book.deleteSheet(tab);
        } catch (const Error&) {
            continue;  // the last visible sheet, a protected structure, ...
        }
        const ops::DrawingCensus now =
            censusOf(tarnvale::testing::workbookStreamOf(book.serialize()));
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

}  // namespace
}  // namespace xls
