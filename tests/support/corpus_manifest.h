// The corpus of real-world workbooks (TARNVALE_CORPUS_DIR) and its MANIFEST.tsv,
// one row per file, read by column name, for data-driven tests.
#pragma once

#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tarnvale::testing {

struct CorpusEntry {
    std::map<std::string, std::string> columns;

    const std::string& name() const { return at("name"); }
    // The cell of a column ("" when the manifest lacks it).
    const std::string& at(const std::string& column) const;
    int number(const std::string& column) const;  // 0 when empty or not a number
    std::filesystem::path path() const;
};

inline void PrintTo(const CorpusEntry& entry, std::ostream* os) {
    *os << entry.name();
}

// Every row of the manifest; empty when the corpus is missing.
std::vector<CorpusEntry> corpusEntries();
// The workbook files (.xls, .xlt) in the corpus folder, sorted by name.
std::vector<std::string> corpusWorkbooks();
std::filesystem::path corpusPath(std::string_view fileName);

// A file name usable in a test name: letters and digits, the rest as '_'.
std::string testNameOf(std::string_view fileName);
inline std::string testNameOf(const CorpusEntry& entry) {
    return testNameOf(entry.name());
}
// Names a test instantiated over corpus files after its file.
inline constexpr auto byFileName = [](const auto& info) { return testNameOf(info.param); };
// Names a test instantiated over table rows after the row's `what`.
inline constexpr auto byWhat = [](const auto& info) { return testNameOf(info.param.what); };

}  // namespace tarnvale::testing
