// Listing hand-built workbooks: BIFF5 names, the choice of stream.
// Listing never reads cell data. Sheet types and visibility are checked on the
// corpus (model_corpus_test.cpp) with protection, damaged workbooks in
// model_malformed_test.cpp.
#include <gtest/gtest.h>

#include "io/byte_source.h"
#include "model/workbook_listing.h"
#include "support/counting_source.h"
#include "support/workbook_builder.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace xls::model {
namespace {

using namespace tarnvale::testing;

WorkbookListing list(const Bytes& stream) {
    return readWorkbookListing(std::make_shared<io::MemorySource>(stream));
}

TEST(Listing, ReadsBiff5NamesInTheWorkbookCodePage) {
    Bytes stream = WorkbookStreamBuilder(0x0500)
                       .globalsBefore(record(0x0042, u16Payload(1251)))
                       .sheet({u"\u00CB\u00E8\u00F1\u00F2"})  // bytes CB E8 F1 F2
                       .build();
    WorkbookListing listing = list(stream);
    EXPECT_EQ(listing.version, BiffVersion::Biff5);
    EXPECT_EQ(listing.codePage, 1251);
    EXPECT_EQ(listing.sheets.at(0).info.name, "\xD0\x9B\xD0\xB8\xD1\x81\xD1\x82");
}

TEST(Listing, ReadsNeitherTheStringTableNorCellData) {
    Bytes sst = record(0x00FC, Bytes(8000, 0));
    Bytes cells;
    for (int i = 0; i < 500; ++i) cells = join({cells, record(0x0203, Bytes(14, 0))});
    Bytes stream = WorkbookStreamBuilder()
                       .globalsAfter(join({sst, record(0x003C, Bytes(8000, 0))}))
                       .sheet({u"A", 0, 0, false, join({record(0x0200, Bytes(14, 0)), cells})})
                       .sheet({u"B", 0, 0, false, cells})
                       .build();
    auto source = std::make_shared<tarnvale::testing::CountingSource>(stream);
    WorkbookListing listing = readWorkbookListing(source);
    EXPECT_EQ(listing.sheets.size(), 2u);
    EXPECT_LT(source->bytesRead, 300u) << "of " << stream.size();
}

TEST(Listing, BytesAfterTheLastSheetAreFine) {
    Bytes stream = WorkbookStreamBuilder().sheet({u"S"}).trailing(Bytes(37, 0)).build();
    EXPECT_EQ(list(stream).sheets.size(), 1u);
}

// Through the public Workbook: sheets found by name, blind to letter case beyond
// ASCII; a chart is no worksheet.
TEST(WorkbookOpen, FindsSheetsAndTellsWorksheets) {
    Bytes stream = WorkbookStreamBuilder()
                       .sheet({u"Summary"})
                       .sheet({u"Chart", 2})
                       .sheet({u"\u00C9t\u00E9"})
                       .build();
    Workbook book = Workbook::openBytes(compoundFileWithWorkbook(stream), "book.xls");
    EXPECT_EQ(book.worksheetIndices(), (std::vector<std::size_t>{0, 2}));
    EXPECT_EQ(book.findSheet("SUMMARY"), 0u);
    EXPECT_EQ(book.findSheet("\xC3\xA9T\xC3\xA9"), 2u);
    EXPECT_FALSE(book.findSheet("Missing"));
}

TEST(WorkbookOpen, PrefersWorkbookOverAStaleBookStream) {
    Bytes biff8 = WorkbookStreamBuilder().sheet({u"New"}).build();
    Bytes biff5 = WorkbookStreamBuilder(0x0500).sheet({u"Old"}).build();
    Workbook both =
        Workbook::openBytes(compoundFileWith({{u"Book", biff5}, {u"WORKBOOK", biff8}}), "x");
    EXPECT_EQ(both.sheets().at(0).name, "New");
    Workbook bookOnly = Workbook::openBytes(compoundFileWith({{u"BOOK", biff5}}), "x");
    EXPECT_EQ(bookOnly.sheets().at(0).name, "Old");
    EXPECT_TRUE(bookOnly.isBiff5());
}

TEST(WorkbookOpen, ErrorsNameTheFile) {
    try {
        Workbook::openBytes(compoundFileWith({{u"WordDocument", Bytes(100, 0)}}), "letter.xls");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), ErrorCode::NoWorkbookStream);
        EXPECT_EQ(e.file(), "letter.xls");
        EXPECT_NE(std::string(e.what()).find("letter.xls"), std::string::npos);
    }
}

}  // namespace
}  // namespace xls::model
