// Files that are not compound files are told apart by their first bytes.
#include <gtest/gtest.h>

#include <string>

#include "io/file_kind.h"

namespace xls::io {
namespace {

struct KindCase {
    const char* label;
    std::string head;
    ErrorCode expected;
};

void PrintTo(const KindCase& c, std::ostream* os) {
    *os << c.label;
}

class FileKindTest : public ::testing::TestWithParam<KindCase> {};

TEST_P(FileKindTest, NamesTheKind) {
    const std::string& head = GetParam().head;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(head.data());
    EXPECT_EQ(classifyNonCompoundFile({bytes, head.size()}), GetParam().expected);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Kinds, FileKindTest,
    ::testing::Values(
        KindCase{"Empty", "", ErrorCode::EmptyFile},
        KindCase{"Xlsx", "PK\x03\x04\x14\0\x06\0"s, ErrorCode::ZipBasedWorkbook},
        KindCase{"Html", "<html><body><table>", ErrorCode::WebPage},
        KindCase{"HtmlAfterBomAndSpace", "\xEF\xBB\xBF\r\n  <!DOCTYPE HTML PUBLIC",
                 ErrorCode::WebPage},
        KindCase{"BareTable", "<TABLE border=1><tr>", ErrorCode::WebPage},
        KindCase{"Utf16Html", "\xFF\xFE<\0h\0t\0m\0l\0>\0"s, ErrorCode::WebPage},
        KindCase{"Xhtml", "<?xml version=\"1.0\"?>\n<html xmlns=", ErrorCode::WebPage},
        KindCase{"SpreadsheetMl",
                 "<?xml version=\"1.0\"?>\n<?mso-application progid=\"Excel.Sheet\"?>",
                 ErrorCode::XmlSpreadsheet},
        KindCase{"WorkbookElement", "<Workbook xmlns=", ErrorCode::XmlSpreadsheet},
        KindCase{"Biff2", "\x09\0\x04\0\x07\0\x10\0"s, ErrorCode::OldExcelFormat},
        KindCase{"Biff4", "\x09\x04\x06\0\0\0\x10\0"s, ErrorCode::OldExcelFormat},
        KindCase{"BareBiff8", "\x09\x08\x10\0\0\x06\x05\0"s, ErrorCode::OldExcelFormat},
        KindCase{"BofIdWithAbsurdSize", "\x09\x08\xFF\x7F\0\x06\x05\0"s,
                 ErrorCode::NotCompoundFile},
        KindCase{"Csv", "name,value\r\nA,1\r\nB,2\r\n", ErrorCode::PlainText},
        KindCase{"Sylk", "ID;PWXL;N;E\rP;PGeneral\r", ErrorCode::PlainText},
        KindCase{"Latin1Text",
                 "Stra\xDF"
                 "e;Ort\n",
                 ErrorCode::PlainText},
        KindCase{"Gzip", "\x1F\x8B\x08\0\0\0\0\0\0\x03"s, ErrorCode::NotCompoundFile},
        KindCase{"Bitmap", "BM\xB6\x9C\x01\0\0\0"s, ErrorCode::NotCompoundFile}),
    [](const auto& row) { return std::string(row.param.label); });

}  // namespace
}  // namespace xls::io
