#include "support/corpus_manifest.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace tarnvale::testing {

namespace {

std::vector<std::string> splitRow(const std::string& line) {
    std::vector<std::string> cells;
    std::stringstream row(line);
    for (std::string cell; std::getline(row, cell, '\t');) cells.push_back(cell);
    if (!line.empty() && line.back() == '\t') cells.emplace_back();
    return cells;
}

}  // namespace

const std::string& CorpusEntry::at(const std::string& column) const {
    static const std::string kEmpty;
    auto found = columns.find(column);
    return found == columns.end() ? kEmpty : found->second;
}

int CorpusEntry::number(const std::string& column) const {
    try {
        return std::stoi(at(column));
    } catch (...) {
        return 0;
    }
}

std::filesystem::path CorpusEntry::path() const {
    return std::filesystem::path(TARNVALE_CORPUS_DIR) / name();
}

std::vector<CorpusEntry> corpusEntries() {
    std::ifstream manifest(std::filesystem::path(TARNVALE_CORPUS_DIR) / "MANIFEST.tsv");
    std::vector<CorpusEntry> entries;
    std::vector<std::string> header;
    for (std::string line; std::getline(manifest, line);) {
        std::vector<std::string> cells = splitRow(line);
        if (header.empty()) {
            header = cells;
            continue;
        }
        CorpusEntry entry;
        for (std::size_t i = 0; i < header.size() && i < cells.size(); ++i) {
            entry.columns[header[i]] = cells[i];
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string testNameOf(std::string_view fileName) {
    std::string out;
    for (char c : fileName) out += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return out;
}

}  // namespace tarnvale::testing
