// Listing hand-built workbooks; damaged streams refused with their codes;
// containers damaged past the globals listed, every edit refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <tuple>

#include "io/byte_source.h"
#include "model/workbook_listing.h"
#include "support/cfb_test_file.h"
#include "support/counting_source.h"
#include "support/error_code_of.h"
#include "support/file_bytes.h"
#include "support/temp_folder.h"
#include "support/workbook_builder.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace xls {
namespace {

using enum ErrorCode;
using namespace model;
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

// Sheets found by name, blind to letter case beyond ASCII; a chart is no worksheet.
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
        EXPECT_EQ(e.code(), NoWorkbookStream);
        EXPECT_EQ(e.file(), "letter.xls");
        EXPECT_NE(std::string(e.what()).find("letter.xls"), std::string::npos);
    }
}

// Fixture files (kept for the fuzzers too) and streams built here.
TEST(MalformedWorkbook, IsRefusedWithItsCode) {
    Bytes offsetPastTheEnd = WorkbookStreamBuilder().sheet({u"Sheet1"}).build();
    setSheetOffset(offsetPastTheEnd, 0, sheetOffset(offsetPastTheEnd, 0) + 100000);
    const Bytes globalsBof = record(kBofId, bofPayload(0x0600, 5));
    const Bytes sheetBof = record(kBofId, bofPayload(0x0600, 0x10));
    const std::tuple<const char*, ErrorCode, std::optional<Bytes>> cases[] = {
        // edr__Test_git_issue624.xls: the sheet offset is 20 bytes past the sheet's BOF.
        {"biff-sheet-offset-not-at-bof.xls", CorruptWorkbook, {}},
        // poi__61300.xls: the globals run into a record cut short, never reaching EOF.
        {"biff-globals-without-eof.xls", CorruptWorkbook, {}},
        {"biff-truncated-record.xls", CorruptWorkbook, {}},        // in a BoundSheet8
        {"biff-bof-version-unknown.xls", UnsupportedVersion, {}},  // poi__64130.xls
        // The poi clusterfuzz files: a Workbook stream that does not begin with BOF.
        {"biff-first-record-not-bof.xls", CorruptWorkbook, {}},
        {"biff-sheet-name-past-record.xls", CorruptWorkbook, {}},
        {"biff-unknown-sheet-type.xls", CorruptWorkbook, {}},
        {"biff-no-workbook-stream.xls", NoWorkbookStream, {}},  // a Word document
        {"biff-xor-obfuscated.xls", PasswordProtected, {}},     // poi__xor-encryption-abc
        {"empty", CorruptWorkbook, Bytes{}},
        {"BIFF4 BOF", OldExcelFormat, record(0x0409, Bytes(6, 0))},
        {"first substream a sheet's", CorruptWorkbook, join({sheetBof, record(kEofId)})},
        {"sheet offset past the end", CorruptWorkbook, offsetPastTheEnd},
        {"second BOF inside the globals", CorruptWorkbook,
         join({globalsBof, sheetBof, record(kEofId)})}};
    for (const auto& [name, code, stream] : cases) {
        const Bytes file =
            stream
                ? compoundFileWithWorkbook(*stream)
                : readFileBytes(std::filesystem::path(TARNVALE_TEST_DATA_DIR) / "malformed" / name);
        ASSERT_FALSE(file.empty()) << name;
        const std::string fileName = name;  // no structured binding in a lambda (clang)
        EXPECT_EQ(errorCodeOf([&] { Workbook::openBytes(file, fileName); }), code) << name;
    }
}

using cfb::testing::TestCompoundFile;

// Sheets A (8 kB of cells), B (a dialog sheet) and C (a chart), in regular sectors.
struct Sample {
    TestCompoundFile file;
    std::size_t sheetBStart = 0;  // file offset of the stream bytes of B's BOF
};

Sample sample() {
    Bytes cells;
    for (int i = 0; i < 4; ++i) cells = join({cells, record(0x0203, Bytes(2000, 0x11))});
    const Bytes stream = WorkbookStreamBuilder()
                             .sheet({u"A", 0, 0, false, cells})
                             .sheet({u"B", 0, 0, true})
                             .sheet({u"C", 2, 0})
                             .build();
    Sample s{cfb::testing::buildTestCompoundFile({{u"Workbook", stream}}), 0};
    s.sheetBStart = s.file.sectorOffset(s.file.startSectors[0]) + sheetOffset(stream, 1);
    return s;
}

struct Damage {
    const char* name;
    std::function<void(Sample&)> apply;
    SheetType listedB;  // a dialog sheet whose first records cannot be read: a worksheet
    ErrorCode refusal;
};

class DamagedContainerTest : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedContainerTest, ListsTheGlobalsSheetsAndRefusesEveryEdit) {
    Sample s = sample();
    GetParam().apply(s);
    const TempFolder folder("damaged");
    const auto path = folder / "damaged.xls";
    writeFileBytes(path, s.file.bytes);
    Workbook book = Workbook::open(path);
    std::vector<std::pair<std::string, SheetType>> listed;
    for (const SheetInfo& sheet : book.sheets()) listed.emplace_back(sheet.name, sheet.type);
    EXPECT_EQ(listed, (std::vector<std::pair<std::string, SheetType>>{{"A", SheetType::Worksheet},
                                                                      {"B", GetParam().listedB},
                                                                      {"C", SheetType::Chart}}));

    for (const auto& edit : std::vector<std::function<void()>>{
             [&] { book.renameSheet(0, "Renamed"); }, [&] { book.deleteSheet(2); }}) {
        EXPECT_EQ(errorCodeOf(edit), GetParam().refusal);
    }
    try {
        book.deleteSheet(0);
    } catch (const Error& e) {
        EXPECT_EQ(e.file(), path.string()) << "the refusal names the file";
    }
    // Saving may find first that a stream claims more than the file holds.
    const ErrorCode saving = errorCodeOf([&] { book.save(); });
    EXPECT_TRUE(saving == GetParam().refusal || saving == CorruptContainer);
    EXPECT_EQ(book.sheets().size(), 3u) << "nothing changed";
    EXPECT_EQ(readFileBytes(path), s.file.bytes);
    EXPECT_EQ(folder.entries(), 1) << "no temporary file left";
}

INSTANTIATE_TEST_SUITE_P(
    Damages, DamagedContainerTest,
    ::testing::Values(Damage{"CutAfterTheFirstSheet",
                             [](Sample& s) { s.file.bytes.resize(s.sheetBStart + 10); },
                             SheetType::Worksheet, TruncatedContainer},
                      Damage{"CutInsideTheFirstSheet",
                             [](Sample& s) { s.file.bytes.resize(s.sheetBStart - 3000); },
                             SheetType::Worksheet, TruncatedContainer},
                      Damage{"FatDeclaresMoreSectorsThanTheFileHolds",
                             [](Sample& s) { s.file.put32(0x2C, 500); }, SheetType::Dialog,
                             TruncatedContainer},
                      Damage{"ChainRunsPastTheEnd",
                             [](Sample& s) {
                                 const auto sector = static_cast<std::uint32_t>(
                                     (s.sheetBStart - s.file.sectorOffset(0)) / s.file.sectorSize);
                                 s.file.put32(s.file.fatEntryOffset(sector - 1), 9000);
                             },
                             SheetType::Worksheet, CorruptContainer}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(DamagedContainer, CutInsideTheGlobalsIsRefusedAsBefore) {
    Sample s = sample();
    s.file.bytes.resize(s.file.sectorOffset(s.file.startSectors[0]) + 30);
    EXPECT_EQ(errorCodeOf([&] { Workbook::openBytes(s.file.bytes, "cut.xls"); }),
              TruncatedContainer);
}

}  // namespace
}  // namespace xls
