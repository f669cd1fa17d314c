// Damaged workbook streams, as fixture files (tests/data/malformed/biff-*) and
// built in memory, and the code each one is refused with.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/error_code_of.h"
#include "support/file_bytes.h"
#include "support/workbook_builder.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace xls {
namespace {

using namespace tarnvale::testing;

const std::filesystem::path kFixtureFolder =
    std::filesystem::path(TARNVALE_TEST_DATA_DIR) / "malformed";

Bytes oneSheet() {
    return WorkbookStreamBuilder().sheet({u"Sheet1"}).build();
}

Bytes shiftFirstSheetOffset(Bytes stream, std::uint32_t by) {
    setSheetOffset(stream, 0, sheetOffset(stream, 0) + by);
    return stream;
}

// Fixtures kept for the fuzzers too, most modelled on a real file of the corpus.
const std::pair<const char*, ErrorCode> kFixtures[] = {
    // edr__Test_git_issue624.xls: the sheet offset is 20 bytes past the sheet's BOF.
    {"biff-sheet-offset-not-at-bof.xls", ErrorCode::CorruptWorkbook},
    // poi__61300.xls: the globals run into a record cut short, never reaching EOF.
    {"biff-globals-without-eof.xls", ErrorCode::CorruptWorkbook},
    {"biff-truncated-record.xls", ErrorCode::CorruptWorkbook},        // inside a BoundSheet8
    {"biff-bof-version-unknown.xls", ErrorCode::UnsupportedVersion},  // poi__64130.xls
    // The poi clusterfuzz files: a Workbook stream that does not begin with BOF.
    {"biff-first-record-not-bof.xls", ErrorCode::CorruptWorkbook},
    {"biff-sheet-name-past-record.xls", ErrorCode::CorruptWorkbook},
    {"biff-unknown-sheet-type.xls", ErrorCode::CorruptWorkbook},
    {"biff-no-workbook-stream.xls", ErrorCode::NoWorkbookStream},  // a Word document
    {"biff-xor-obfuscated.xls", ErrorCode::PasswordProtected},     // poi__xor-encryption-abc.xls
};

TEST(MalformedWorkbook, FixturesAreRefusedWithTheirCodes) {
    for (const auto& fixture : kFixtures) {
        const std::string file = fixture.first;
        const Bytes bytes = readFileBytes(kFixtureFolder / file);
        ASSERT_FALSE(bytes.empty()) << file;
        EXPECT_EQ(errorCodeOf([&] { Workbook::openBytes(bytes, file); }), fixture.second) << file;
    }
}

struct Damage {
    const char* what;
    ErrorCode code;
    Bytes stream;  // the Workbook stream
};

void PrintTo(const Damage& d, std::ostream* os) {
    *os << d.what;
}

class MalformedWorkbookTest : public ::testing::TestWithParam<Damage> {};

TEST_P(MalformedWorkbookTest, IsRefusedWithItsCode) {
    const Bytes file = compoundFileWithWorkbook(GetParam().stream);
    EXPECT_EQ(errorCodeOf([&] { Workbook::openBytes(file, "damaged.xls"); }), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    InMemory, MalformedWorkbookTest,
    ::testing::Values(Damage{"empty", ErrorCode::CorruptWorkbook, {}},
                      Damage{"BIFF4 BOF", ErrorCode::OldExcelFormat, record(0x0409, Bytes(6, 0))},
                      Damage{"first substream a sheet's", ErrorCode::CorruptWorkbook,
                             join({record(kBofId, bofPayload(0x0600, 0x10)), record(kEofId)})},
                      Damage{"sheet offset past the end", ErrorCode::CorruptWorkbook,
                             shiftFirstSheetOffset(oneSheet(), 100000)},
                      Damage{"second BOF inside the globals", ErrorCode::CorruptWorkbook,
                             join({record(kBofId, bofPayload(0x0600, 5)),
                                   record(kBofId, bofPayload(0x0600, 0x10)), record(kEofId)})}));

}  // namespace
}  // namespace xls
