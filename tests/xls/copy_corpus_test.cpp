// Every worksheet of the corpus through the copy's cell passes: the usage scan
// finds the cell formats xlrd, an independent reader, finds; with shifted
// maps, scanning the result finds every index moved, and shifting back gives
// every byte again.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "model/stored_records.h"
#include "model/workbook_listing.h"
#include "ops/copy/remap_cell_records.h"
#include "ops/copy/repoint_formulas.h"
#include "ops/copy/sheet_usage.h"
#include "support/corpus_manifest.h"
#include "support/workbook_stream_of.h"

namespace xls::ops {
namespace {

// copy_xf_usage.py's lines: sheet name, tab, the formats xlrd finds it using.
std::map<std::string, std::set<std::uint16_t>> xlrdFormats(const std::filesystem::path& file) {
    const auto script =
        std::filesystem::path(TARNVALE_TEST_DATA_DIR).parent_path() / "xls" / "copy_xf_usage.py";
    FILE* pipe = popen(
        ("/usr/bin/python3 '" + script.string() + "' '" + file.string() + "' 2>/dev/null").c_str(),
        "r");
    std::map<std::string, std::set<std::uint16_t>> formats;
    std::string out(1 << 20, '\0');
    out.resize(pipe ? fread(out.data(), 1, out.size(), pipe) : 0);
    if (!pipe || pclose(pipe) != 0) return {};
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        const auto tab = line.find('\t');
        if (tab == std::string::npos) continue;  // xlrd's warnings
        std::istringstream list(line.substr(tab + 1));
        auto& set = formats[line.substr(0, tab)];
        for (std::string n; std::getline(list, n, ',');)
            set.insert(static_cast<std::uint16_t>(std::stoul(n)));
    }
    return formats;
}

// i -> i + by for the indices used (by may be negative: the way back).
template <typename T>
IndexMap shifted(const std::set<T>& used, std::int64_t by) {
    IndexMap map(used.empty() ? 0 : static_cast<std::size_t>(*used.rbegin() + std::abs(by)) + 1);
    for (std::size_t i = 0; i < map.size(); ++i) map[i] = static_cast<std::uint32_t>(i + by);
    return map;
}
template <typename T>
std::set<T> moved(const std::set<T>& values, const IndexMap& map) {
    std::set<T> out;
    for (T v : values) out.insert(static_cast<T>(map.at(v)));
    return out;
}

class CopyCorpusTest : public ::testing::TestWithParam<std::string> {};

TEST_P(CopyCorpusTest, CellPassesMoveEveryIndexAndNothingElse) {
    const auto path = tarnvale::testing::corpusPath(GetParam());
    const auto bytes = tarnvale::testing::readWorkbookStreamBytes(path);
    if (!bytes) GTEST_SKIP() << "no workbook stream";
    std::shared_ptr<const io::ByteSource> source = std::make_shared<io::MemorySource>(*bytes);
    model::WorkbookStream stream;
    model::WorkbookListing listing;
    try {
        listing = model::readWorkbookListing(source);
        stream = model::parseWorkbookStream(source);
    } catch (const Error&) {
        GTEST_SKIP() << "not readable";
    }
    if (stream.version != model::BiffVersion::Biff8) GTEST_SKIP() << "BIFF5";
    const auto xlrd = xlrdFormats(path);
    for (std::size_t tab = 0; tab < listing.sheets.size(); ++tab) {
        const auto& info = listing.sheets[tab].info;
        if (info.type != SheetType::Worksheet) continue;
        SCOPED_TRACE(info.name);
        const auto& sheet = stream.substreams.at(stream.sheetSubstream.at(tab));
        const SheetUsage usage = scanSheetUsage(stream, sheet);
        // Chart substreams keep cached values in cell records xlrd does not read.
        const bool charts = usage.charts;
        if (xlrd.count(info.name) && !charts) {
            EXPECT_EQ(usage.cellFormats, xlrd.at(info.name));
        }

        std::set<std::uint32_t> names = usage.names;
        names.insert(0);
        // Formats move by 1, strings by 5, XTIs by 2, names by 3, external names by 7.
        const IndexMap there[] = {shifted(usage.cellFormats, 1), shifted(usage.sharedStrings, 5),
                                  shifted(usage.xtis, 2), shifted(names, 3)};
        const IndexMap back[] = {shifted(usage.cellFormats, -1), shifted(usage.sharedStrings, -5),
                                 shifted(usage.xtis, -2), shifted(names, -3)};
        auto externBy = [](std::int64_t by) {
            return [by](std::uint16_t, std::uint32_t n) {
                return std::optional(static_cast<std::uint32_t>(n + by));
            };
        };
        SheetUsageScanner rescan;
        auto pass = [&](const std::vector<model::Record>& chunk) {
            std::vector<model::Record> copy = chunk;
            remapCellRecords(copy, {&there[0], &there[1]});
            repointFormulas(copy, {&there[2], &there[3], externBy(7)});
            rescan.scan(copy);
            remapCellRecords(copy, {&back[0], &back[1]});
            repointFormulas(copy, {&back[2], &back[3], externBy(-7)});
            EXPECT_TRUE(copy == chunk);
        };
        pass(sheet.records);
        if (!sheet.loaded) model::readStoredRecords(sheet, pass);
        const SheetUsage after = rescan.usage();
        EXPECT_EQ(after.cellFormats, moved(usage.cellFormats, there[0]));
        EXPECT_EQ(after.sharedStrings, moved(usage.sharedStrings, there[1]));
        EXPECT_EQ(after.sharedStringCells, usage.sharedStringCells);
        EXPECT_EQ(after.xtis, moved(usage.xtis, there[2]));
        EXPECT_EQ(after.names, moved(usage.names, there[3]));
        std::set<std::pair<std::uint16_t, std::uint32_t>> externNames;
        for (auto [ixti, n] : usage.externNames)
            externNames.insert({static_cast<std::uint16_t>(ixti + 2), n + 7});
        EXPECT_EQ(after.externNames, externNames);
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, CopyCorpusTest,
                         ::testing::ValuesIn(tarnvale::testing::corpusWorkbooks()),
                         tarnvale::testing::byFileName);

}  // namespace
}  // namespace xls::ops
