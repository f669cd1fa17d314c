// Every file of the real-world corpus through the container reader: compound
// files open and give every stream; other files are named for what they are;
// damaged ones raise a container code. None crashes or raises anything else.
#include <gtest/gtest.h>

#include <map>

#include "cfb/compound_file.h"
#include "io/byte_source.h"
#include "support/corpus_manifest.h"
#include "xls/error.h"

namespace xls::cfb {
namespace {

using tarnvale::testing::CorpusEntry;

// The code a file that is no compound file raises, by MANIFEST.tsv's "container".
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

class CorpusContainerTest : public ::testing::TestWithParam<CorpusEntry> {};

TEST_P(CorpusContainerTest, OpensOrNamesWhatIsWrong) {
    const std::string& container = GetParam().at("container");
    const auto expected = expectedCode(container);
    try {
        const auto file = CompoundFile::open(std::make_shared<io::FileSource>(GetParam().path()));
        EXPECT_FALSE(expected.has_value()) << "opened a file of kind " << container;
        EXPECT_NE(container, "ole2-unparseable");
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
            const std::string& anomalies = GetParam().at("anomalies");
            EXPECT_TRUE(container == "ole2-unparseable" ||
                        anomalies.find("ole") != std::string::npos ||
                        anomalies.find("stream-short") != std::string::npos)
                << e.what() << " " << e.context();
            EXPECT_TRUE(isContainerCode(e.code())) << e.what();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusContainerTest,
                         ::testing::ValuesIn(tarnvale::testing::corpusEntries()),
                         tarnvale::testing::byFileName);

}  // namespace
}  // namespace xls::cfb
