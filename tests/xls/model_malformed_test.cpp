// Damaged workbook streams, most modelled on a real file of the corpus, and the
// code each one is refused with. Those with a file name are kept as fixtures
// (tests/data/malformed/biff-*) for the fuzzers, made by the disabled test at the end:
//   xls_tests --gtest_also_run_disabled_tests --gtest_filter='*WriteBiffFixtures'
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "support/error_code_of.h"
#include "support/file_bytes.h"
#include "support/workbook_builder.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace xls {
namespace {

using namespace tarnvale::testing;

const std::filesystem::path kFixtures = std::filesystem::path(TARNVALE_TEST_DATA_DIR) / "malformed";

Bytes oneSheet() {
    return WorkbookStreamBuilder().sheet({u"Sheet1"}).build();
}

Bytes shiftFirstSheetOffset(Bytes stream, std::uint32_t by) {
    setSheetOffset(stream, 0, sheetOffset(stream, 0) + by);
    return stream;
}

struct Fixture {
    const char* file;  // nullptr: not kept as a file
    ErrorCode code;
    std::function<Bytes()> make;  // the compound file
};

void PrintTo(const Fixture& f, std::ostream* os) {
    *os << (f.file ? f.file : "in memory");
}

const std::vector<Fixture> kFixtureList = {
    // edr__Test_git_issue624.xls: the sheet offset is 20 bytes past the sheet's BOF.
    {"biff-sheet-offset-not-at-bof.xls", ErrorCode::CorruptWorkbook,
     [] { return compoundFileWithWorkbook(shiftFirstSheetOffset(oneSheet(), 20)); }},
    // poi__61300.xls: the globals run into a record cut short, never reaching EOF.
    {"biff-globals-without-eof.xls", ErrorCode::CorruptWorkbook,
     [] {
         Bytes s = join({record(kBofId, bofPayload(0x0600, 5)), record(0x0042, u16Payload(1200))});
         return compoundFileWithWorkbook(s);
     }},
    {"biff-truncated-record.xls", ErrorCode::CorruptWorkbook,
     [] {
         Bytes s = oneSheet();
         s.resize(26);  // inside the first BoundSheet8
         return compoundFileWithWorkbook(s);
     }},
    // poi__64130.xls: BOF version 0x0580.
    {"biff-bof-version-unknown.xls", ErrorCode::UnsupportedVersion,
     [] {
         return compoundFileWith(
             {{u"Book", join({record(kBofId, bofPayload(0x0580, 5)), record(kEofId)})}});
     }},
    // The poi clusterfuzz files: a Workbook stream that does not begin with BOF.
    {"biff-first-record-not-bof.xls", ErrorCode::CorruptWorkbook,
     [] {
         return compoundFileWithWorkbook(join({record(0x0042, u16Payload(1252)), oneSheet()}));
     }},
    {"biff-sheet-name-past-record.xls", ErrorCode::CorruptWorkbook,
     [] {
         Bytes boundSheet{0, 0, 0, 0, 0, 0, 30, 0, 'S', 'h'};
         return compoundFileWithWorkbook(join({record(kBofId, bofPayload(0x0600, 5)),
                                               record(kBoundSheetId, boundSheet), record(kEofId)}));
     }},
    {"biff-unknown-sheet-type.xls", ErrorCode::CorruptWorkbook,
     [] {
         return compoundFileWithWorkbook(WorkbookStreamBuilder().sheet({u"Sheet1", 7}).build());
     }},
    // A Word document: a compound file without a workbook stream.
    {"biff-no-workbook-stream.xls", ErrorCode::NoWorkbookStream,
     [] {
         return compoundFileWith({{u"WordDocument", Bytes(600, 0)}});
     }},
    // poi__xor-encryption-abc.xls: XOR obfuscation, never decrypted.
    {"biff-xor-obfuscated.xls", ErrorCode::PasswordProtected,
     [] {
         Bytes filePass{0, 0, 0x21, 0xA4, 0x4C, 0xCB};
         return compoundFileWithWorkbook(WorkbookStreamBuilder()
                                             .globalsBefore(record(0x002F, filePass))
                                             .sheet({u"Sheet1"})
                                             .build());
     }},
    {nullptr, ErrorCode::CorruptWorkbook, [] { return compoundFileWithWorkbook({}); }},
    {nullptr, ErrorCode::OldExcelFormat,
     [] { return compoundFileWithWorkbook(record(0x0409, Bytes(6, 0))); }},
    // The first substream a sheet's, not the globals.
    {nullptr, ErrorCode::CorruptWorkbook,
     [] {
         return compoundFileWithWorkbook(
             join({record(kBofId, bofPayload(0x0600, 0x10)), record(kEofId)}));
     }},
    {nullptr, ErrorCode::CorruptWorkbook,
     [] { return compoundFileWithWorkbook(shiftFirstSheetOffset(oneSheet(), 100000)); }},
    // A second BOF inside the globals.
    {nullptr, ErrorCode::CorruptWorkbook,
     [] {
         return compoundFileWithWorkbook(
             join({record(kBofId, bofPayload(0x0600, 5)), record(kBofId, bofPayload(0x0600, 0x10)),
                   record(kEofId)}));
     }},
};

class MalformedWorkbookTest : public ::testing::TestWithParam<Fixture> {};

TEST_P(MalformedWorkbookTest, IsRefusedWithItsCode) {
    EXPECT_EQ(errorCodeOf([&] { Workbook::openBytes(GetParam().make(), "damaged.xls"); }),
              GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, MalformedWorkbookTest, ::testing::ValuesIn(kFixtureList));

TEST(MalformedWorkbookFixtures, DISABLED_WriteBiffFixtures) {
    for (const Fixture& fixture : kFixtureList)
        if (fixture.file) writeFileBytes(kFixtures / fixture.file, fixture.make());
}

}  // namespace
}  // namespace xls
