// Every file of the real-world corpus through the container reader: compound
// files open and give every stream; other files are named for what they are;
// damaged ones raise a container code. None crashes or raises anything else.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "cfb/compound_file.h"
#include "cfb_test_file.h"
#include "io/byte_source.h"
#include "xls/error.h"

namespace xls::cfb {
namespace {

struct CorpusFile {
    std::string name;
    std::string container;  // MANIFEST.tsv column "container"
    bool oleDefects;        // column "anomalies" notes defects of the container
};

void PrintTo(const CorpusFile& file, std::ostream* os) {
    *os << file.name;
}

std::vector<CorpusFile> corpusFiles() {
    std::ifstream manifest(std::string(TARNVALE_CORPUS_DIR) + "/MANIFEST.tsv");
    std::vector<CorpusFile> files;
    std::string line;
    std::vector<std::string> header;
    while (std::getline(manifest, line)) {
        std::vector<std::string> cells;
        std::stringstream row(line);
        for (std::string cell; std::getline(row, cell, '\t');) cells.push_back(cell);
        if (header.empty()) {
            header = cells;
            continue;
        }
        auto cell = [&](const char* name) {
            const auto column = static_cast<std::size_t>(
                std::find(header.begin(), header.end(), name) - header.begin());
            return column < cells.size() ? cells[column] : std::string();
        };
        const std::string anomalies = cell("anomalies");
        const bool defects = anomalies.find("ole") != std::string::npos ||
                             anomalies.find("stream-short") != std::string::npos;
        files.push_back({cells[0], cell("container"), defects});
    }
    return files;
}

std::optional<ErrorCode> expectedCode(const std::string& container) {
    static const std::map<std::string, ErrorCode> kCodes = {
        {"empty", ErrorCode::EmptyFile},          {"xlsx-zip", ErrorCode::ZipBasedWorkbook},
        {"odf-zip", ErrorCode::ZipBasedWorkbook}, {"html", ErrorCode::WebPage},
        {"xml", ErrorCode::XmlSpreadsheet},       {"xml2003", ErrorCode::XmlSpreadsheet},
        {"biff-raw", ErrorCode::OldExcelFormat},  {"text", ErrorCode::PlainText},
        {"sylk", ErrorCode::PlainText},           {"gzip", ErrorCode::NotCompoundFile},
        {"bmp", ErrorCode::NotCompoundFile}};
    const auto found = kCodes.find(container);
    if (found == kCodes.end()) return std::nullopt;
    return found->second;
}

bool isContainerCode(ErrorCode code) {
    return code == ErrorCode::CorruptContainer || code == ErrorCode::TruncatedContainer;
}

class CorpusContainerTest : public ::testing::TestWithParam<CorpusFile> {};

TEST_P(CorpusContainerTest, OpensOrNamesWhatIsWrong) {
    const CorpusFile& corpus = GetParam();
    const auto path = std::filesystem::path(TARNVALE_CORPUS_DIR) / corpus.name;
    const auto expected = expectedCode(corpus.container);
    try {
        const auto file = CompoundFile::open(std::make_shared<io::FileSource>(path));
        EXPECT_FALSE(expected.has_value()) << "opened a file of kind " << corpus.container;
        EXPECT_NE(corpus.container, "ole2-unparseable");
        for (std::uint32_t id = 0; id < file.entries().size(); ++id) {
            if (file.entries()[id].type != EntryType::Stream) continue;
            try {
                EXPECT_EQ(file.readStream(id).size(), file.entries()[id].size);
            } catch (const Error& e) {
                // A damaged stream in a file that opens: still a container code.
                EXPECT_TRUE(isContainerCode(e.code())) << e.what() << " " << e.context();
            }
        }
    } catch (const Error& e) {
        if (expected) {
            EXPECT_EQ(e.code(), *expected) << e.what();
        } else {
            // Files other readers find damaged may be refused, with a container code.
            EXPECT_TRUE(corpus.container == "ole2-unparseable" || corpus.oleDefects)
                << e.what() << " " << e.context();
            EXPECT_TRUE(isContainerCode(e.code())) << e.what();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusContainerTest, ::testing::ValuesIn(corpusFiles()),
                         [](const auto& row) { return testing::testNameForFile(row.param.name); });

}  // namespace
}  // namespace xls::cfb
