// Damaged workbooks meet rename, delete and save. The fixtures in
// tests/data/malformed/ops-* are the small workbook of the sheet-edit tests
// (sheets A, B, C) with one record damaged.
#include <gtest/gtest.h>

#include <filesystem>

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

// Streams claiming more than the file holds: a directory entry of 4 GB, and a
// FAT listing its sectors twice (both found by fuzzing, where the rewrite set
// aside gigabytes). The save refuses before laying the file out.
TEST(OpsFixtures, StreamsClaimingMoreThanTheFileAreRefusedOnSave) {
    for (const char* file :
         {"ops-stream-size-beyond-file.xls", "cfb-fat-claims-more-than-file.xls"}) {
        try {
            Workbook book = Workbook::open(fixturePath(file));
            book.renameSheet(0, "Renamed");
            book.serialize();
            ADD_FAILURE() << file << ": wrote a stream the file does not hold";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), ErrorCode::CorruptContainer) << file << ": " << e.context();
        }
    }
}

// A damaged ExternSheet (claiming 99 XTIs) or Lbl (cut to 5 bytes, before its
// itab) refuses a delete, naming the file and changing nothing; a rename
// touches only the sheet table, so it goes through.
TEST(OpsFixtures, DeleteRefusesCleanlyAndRenameGoesThrough) {
    for (const char* file : {"ops-externsheet-short.xls", "ops-lbl-too-short.xls"}) {
        Workbook book = Workbook::open(fixturePath(file));
        const auto before = workbookStreamOf(book.serialize());
        try {
            book.deleteSheet(1);
            ADD_FAILURE() << file << ": deleted a sheet of a damaged workbook";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), ErrorCode::CorruptWorkbook) << file;
            EXPECT_FALSE(e.file().empty()) << "the message names the file";
        }
        EXPECT_EQ(book.sheets().size(), 3u);
        EXPECT_EQ(workbookStreamOf(book.serialize()), before) << "nothing changed";
        book.renameSheet(0, "Renamed");
        EXPECT_EQ(Workbook::openBytes(book.serialize(), file).sheets()[0].name, "Renamed");
    }
}

}  // namespace
}  // namespace xls
