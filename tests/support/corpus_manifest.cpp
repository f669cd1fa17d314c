#include "support/corpus_manifest.h"

#include <algorithm>
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
    return corpusPath(name());
}

std::filesystem::path corpusPath(std::string_view fileName) {
    return std::filesystem::path(TARNVALE_CORPUS_DIR) / fileName;
}

std::vector<std::string> corpusWorkbooks() {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(TARNVALE_CORPUS_DIR, ec)) {
        const auto ext = entry.path().extension().string();
        if (entry.is_regular_file() && (ext == ".xls" || ext == ".xlt" || ext == ".XLS"))
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
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
