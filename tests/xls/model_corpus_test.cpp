// Every workbook of the real-world corpus through Workbook::open: either it lists
// the sheets MANIFEST.tsv records (names, types, visibility, protection), or it is
// refused with a code that fits what is wrong with the file.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <type_traits>

#include "support/corpus_manifest.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace xls {
namespace {

using tarnvale::testing::CorpusEntry;

// Sheet names joined as the manifest shows them: " | " between, control characters as \xNN.
std::string manifestNames(const std::vector<SheetInfo>& sheets) {
    std::string out;
    for (const SheetInfo& sheet : sheets) {
        if (!out.empty()) out += " | ";
        for (char c : sheet.name) {
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out;
}

// How many sheets have this type or this visibility.
int countOf(const std::vector<SheetInfo>& sheets, auto kind) {
    int n = 0;
    for (const SheetInfo& sheet : sheets) {
        if constexpr (std::is_same_v<decltype(kind), SheetType>)
            n += sheet.type == kind;
        else
            n += sheet.visibility == kind;
    }
    return n;
}

bool opensWithDefaultPassword(const CorpusEntry& entry) {
    const std::string& encrypted = entry.at("encrypted");
    return encrypted.empty() || encrypted == "no" ||
           encrypted.find("(VelvetSweatshop)") != std::string::npos;
}

// The code a file that is no compound file is refused with, by the manifest's "container".
const std::map<std::string, ErrorCode> kCodeOfContainer = {
    {"empty", ErrorCode::EmptyFile},          {"xlsx-zip", ErrorCode::ZipBasedWorkbook},
    {"odf-zip", ErrorCode::ZipBasedWorkbook}, {"html", ErrorCode::WebPage},
    {"xml", ErrorCode::XmlSpreadsheet},       {"xml2003", ErrorCode::XmlSpreadsheet},
    {"biff-raw", ErrorCode::OldExcelFormat},  {"text", ErrorCode::PlainText},
    {"sylk", ErrorCode::PlainText},           {"gzip", ErrorCode::NotCompoundFile},
    {"bmp", ErrorCode::NotCompoundFile}};

// Codes that may refuse a file the manifest describes so.
std::set<ErrorCode> acceptableCodes(const CorpusEntry& entry) {
    const std::string& container = entry.at("container");
    if (const auto found = kCodeOfContainer.find(container); found != kCodeOfContainer.end())
        return {found->second};
    if (container != "ole2") return {ErrorCode::CorruptContainer, ErrorCode::TruncatedContainer};
    if (!opensWithDefaultPassword(entry)) return {ErrorCode::PasswordProtected};
    if (entry.at("xlrd_ok") == "yes") return {};  // xlrd lists it: so must we
    return {ErrorCode::CorruptWorkbook, ErrorCode::CorruptContainer, ErrorCode::TruncatedContainer,
            ErrorCode::UnsupportedVersion, ErrorCode::NoWorkbookStream};
}

class CorpusListingTest : public ::testing::TestWithParam<CorpusEntry> {};

TEST_P(CorpusListingTest, ListsAsTheManifestSaysOrRefusesClearly) {
    const CorpusEntry& entry = GetParam();
    try {
        Workbook book = Workbook::open(entry.path());
        EXPECT_EQ(entry.at("container"), "ole2");
        EXPECT_TRUE(opensWithDefaultPassword(entry)) << entry.at("encrypted");
        const auto& sheets = book.sheets();
        EXPECT_EQ(manifestNames(sheets), entry.at("sheet_names"));
        EXPECT_EQ(countOf(sheets, SheetType::Worksheet), entry.number("n_worksheet"));
        EXPECT_EQ(countOf(sheets, SheetType::Dialog), entry.number("n_dialog"));
        EXPECT_EQ(countOf(sheets, SheetType::Chart), entry.number("n_chart"));
        EXPECT_EQ(countOf(sheets, SheetType::MacroSheet), entry.number("n_macro"));
        EXPECT_EQ(countOf(sheets, SheetType::VbModule), entry.number("n_vbmodule"));
        EXPECT_EQ(countOf(sheets, Visibility::Hidden), entry.number("n_hidden"));
        EXPECT_EQ(countOf(sheets, Visibility::VeryHidden), entry.number("n_veryhidden"));
        EXPECT_EQ(book.worksheetIndices().size(),
                  static_cast<std::size_t>(entry.number("n_worksheet")));
        EXPECT_EQ(book.isStructureProtected(), entry.at("struct_protected") == "1");
        EXPECT_EQ(book.isEncrypted(), entry.at("encrypted") != "no");  // listed: never empty
        EXPECT_EQ(book.isBiff5(), entry.at("biff").rfind("BIFF5", 0) == 0);
        if (entry.at("xlrd_ok") == "yes") {
            // xlrd, an independent reader, lists worksheets and dialog sheets.
            std::vector<SheetInfo> xlrdKinds;
            for (const SheetInfo& sheet : sheets) {
                if (sheet.type == SheetType::Worksheet || sheet.type == SheetType::Dialog) {
                    xlrdKinds.push_back(sheet);
                }
            }
            EXPECT_EQ(manifestNames(xlrdKinds), entry.at("xlrd_sheets"));
        }
    } catch (const Error& error) {
        std::set<ErrorCode> acceptable = acceptableCodes(entry);
        EXPECT_TRUE(acceptable.count(error.code()))
            << error.what() << " [" << error.context() << "]";
        EXPECT_EQ(error.file(), entry.path().string());
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusListingTest,
                         ::testing::ValuesIn(tarnvale::testing::corpusEntries()),
                         tarnvale::testing::byFileName);

}  // namespace
}  // namespace xls
