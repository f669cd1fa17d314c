// Damaged workbooks meet rename and delete: a refusal names the damage and
// changes nothing; damage that does not stop the edit is carried through as it
// is. The fixtures in tests/data/malformed/ops-* are the small workbook of the
// sheet-edit tests (sheets A, B, C) with one record damaged.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/corpus_manifest.h"
#include "support/workbook_stream_of.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace xls {
namespace {

namespace fs = std::filesystem;
using tarnvale::testing::workbookStreamOf;

fs::path fixturePath(const char* file) {
    return fs::path(TARNVALE_TEST_DATA_DIR) / "malformed" / file;
}

// A second stream whose directory entry claims 4 GB (found by fuzzing: the
// container writer would set that much aside).
TEST(OpsFixtures, StreamClaimingMoreThanTheFileIsRefusedOnSave) {
    try {
        Workbook book = Workbook::open(fixturePath("ops-stream-size-beyond-file.xls"));
        book.renameSheet(0, "Renamed");
        book.serialize();
        FAIL() << "wrote a stream the file does not hold";
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), ErrorCode::CorruptContainer);
    }
}

struct Fixture {
    const char* file;
    std::optional<ErrorCode> deleteRefusal;  // nullopt: the delete goes through
};

class OpsMalformedTest : public ::testing::TestWithParam<Fixture> {};

TEST_P(OpsMalformedTest, DeleteRefusesCleanlyOrGoesThrough) {
    const auto& f = GetParam();
    Workbook book = Workbook::open(fixturePath(f.file));
    const auto before = workbookStreamOf(book.serialize());
    if (f.deleteRefusal) {
        try {
            book.deleteSheet(1);
            FAIL() << "deleted a sheet of a damaged workbook";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), *f.deleteRefusal);
            EXPECT_FALSE(e.file().empty()) << "the message names the file";
        }
        EXPECT_EQ(book.sheets().size(), 3u);
        EXPECT_EQ(workbookStreamOf(book.serialize()), before) << "nothing changed";
    } else {
        book.deleteSheet(1);
        EXPECT_EQ(Workbook::openBytes(book.serialize(), f.file).sheets().size(), 2u);
    }
    // A rename touches only the sheet table, so it goes through either way.
    book.renameSheet(0, "Renamed");
    EXPECT_EQ(Workbook::openBytes(book.serialize(), f.file).sheets()[0].name, "Renamed");
}

INSTANTIATE_TEST_SUITE_P(Fixtures, OpsMalformedTest,
                         ::testing::Values(
                             // The ExternSheet claims 99 XTIs.
                             Fixture{"ops-externsheet-short.xls", ErrorCode::CorruptWorkbook},
                             // A Lbl cut to 5 bytes, before its itab.
                             Fixture{"ops-lbl-too-short.xls", ErrorCode::CorruptWorkbook},
                             // A formula on C whose PtgRef3d is cut short.
                             Fixture{"ops-formula-cut-short.xls", std::nullopt}),
                         [](const auto& row) {
                             return tarnvale::testing::testNameOf(row.param.file);
                         });

}  // namespace
}  // namespace xls
