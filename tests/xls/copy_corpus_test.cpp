// Every worksheet of the corpus through the copy's cell passes: the usage scan
// finds the cell formats xlrd, an independent reader, finds; remapping with
// identity maps changes no byte; with shifted maps, scanning the result again
// finds every index moved, and shifting back gives every byte again.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
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

using FormatsByName = std::map<std::string, std::set<std::uint16_t>>;

// What copy_xf_usage.py prints: the formats xlrd sees each worksheet use.
std::optional<FormatsByName> xlrdFormats(const std::filesystem::path& file) {
    const auto script = std::filesystem::path(__FILE__).parent_path() / "copy_xf_usage.py";
    const std::string command =
        "/usr/bin/python3 '" + script.string() + "' '" + file.string() + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return std::nullopt;
    std::string out;
    char buffer[4096];
    while (const std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    if (pclose(pipe) != 0) return std::nullopt;
    FormatsByName formats;
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

// i -> i + by over the indices used, or the way back.
template <typename T>
IndexMap shifted(const std::set<T>& used, std::uint32_t by, bool back = false) {
    IndexMap map(used.empty() ? 0 : std::size_t{*used.rbegin()} + 1 + (back ? by : 0));
    for (std::size_t i = 0; i < map.size(); ++i)
        map[i] = static_cast<std::uint32_t>(back ? i - by : i + by);
    return map;
}

struct Passes {
    CellMaps cells;
    FormulaMaps formulas;
};

template <typename T>
std::set<T> plus(const std::set<T>& values, std::uint32_t by) {
    std::set<T> out;
    for (T v : values) out.insert(static_cast<T>(v + by));
    return out;
}

// Runs the passes there (then back, if given) over every record of the sheet,
// chunk by chunk, and expects the records as they were after both.
// Returns the usage scanned after there.
SheetUsage remapAll(const model::WorkbookStream& stream, const model::Substream& sheet,
                    const Passes& there, const Passes* back) {
    SheetUsageScanner rescan;
    auto pass = [&](const std::vector<model::Record>& chunk) {
        std::vector<model::Record> copy = chunk;
        remapCellRecords(copy, there.cells);
        repointFormulas(copy, there.formulas);
        rescan.scan(copy);
        if (back) {
            remapCellRecords(copy, back->cells);
            repointFormulas(copy, back->formulas);
        }
        EXPECT_TRUE(copy == chunk);
    };
    pass(sheet.records);
    if (!sheet.loaded) model::readStoredRecords(stream, sheet, pass);
    return rescan.usage();
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
        const model::Substream& sheet = stream.substreams.at(stream.sheetSubstream.at(tab));
        SheetUsage usage;
        try {
            usage = scanSheetUsage(stream, sheet);
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), ErrorCode::CorruptWorkbook);
            continue;
        }
        // Chart substreams keep cached values in cell records xlrd does not read.
        const bool charts =
            std::count(usage.notCopyable.begin(), usage.notCopyable.end(), "charts");
        if (xlrd && xlrd->count(info.name) && !charts) {
            EXPECT_EQ(usage.cellFormats, xlrd->at(info.name));
        }

        std::set<std::uint32_t> names = usage.names;
        names.insert(0);
        // Formats move by k, strings by 5k, XTIs by 2k, names by 3k.
        auto moved = [&](std::uint32_t k, bool back) {
            return std::array<IndexMap, 4>{
                shifted(usage.cellFormats, k, back), shifted(usage.sharedStrings, 5 * k, back),
                shifted(usage.xtis, 2 * k, back), shifted(names, 3 * k, back)};
        };
        auto passes = [](const std::array<IndexMap, 4>& maps, std::int64_t externBy) {
            return Passes{{&maps[0], &maps[1]},
                          {&maps[2], &maps[3], [externBy](std::uint16_t, std::uint32_t n) {
                               return std::optional(static_cast<std::uint32_t>(n + externBy));
                           }}};
        };
        const auto identity = moved(0, false), there = moved(1, false), back = moved(1, true);
        remapAll(stream, sheet, passes(identity, 0), nullptr);
        const Passes backPasses = passes(back, -7);
        const SheetUsage after = remapAll(stream, sheet, passes(there, 7), &backPasses);
        EXPECT_EQ(after.cellFormats, plus(usage.cellFormats, 1));
        EXPECT_EQ(after.sharedStrings, plus(usage.sharedStrings, 5));
        EXPECT_EQ(after.sharedStringCells, usage.sharedStringCells);
        EXPECT_EQ(after.xtis, plus(usage.xtis, 2));
        EXPECT_EQ(after.names, plus(usage.names, 3));
        std::set<std::pair<std::uint16_t, std::uint32_t>> externNames;
        for (auto [ixti, n] : usage.externNames)
            externNames.insert({static_cast<std::uint16_t>(ixti + 2), n + 7});
        EXPECT_EQ(after.externNames, externNames);
        EXPECT_EQ(after.notCopyable, usage.notCopyable);
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, CopyCorpusTest,
                         ::testing::ValuesIn(tarnvale::testing::corpusWorkbooks()),
                         tarnvale::testing::byFileName);

}  // namespace
}  // namespace xls::ops
