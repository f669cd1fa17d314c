// Damaged workbooks meet rename and delete: a refusal names the damage and
// changes nothing; damage that does not stop the edit is carried through as it
// is. The fixtures in tests/data/malformed/ops-* are written by the recipe
// below (run the disabled test WriteFixtures to write them again).
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "model/stream_writer.h"
#include "support/cfb_test_file.h"
#include "support/corpus_manifest.h"
#include "support/file_bytes.h"
#include "support/ops_test_workbook.h"
#include "support/workbook_stream_of.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace xls::ops {
namespace {

using biff::RecordType;
namespace fs = std::filesystem;

struct Fixture {
    const char* file;
    std::function<void(model::WorkbookStream&)> damage;
    std::optional<ErrorCode> deleteRefusal;  // nullopt: the delete goes through
};

// A second stream whose directory entry claims 4 GB (found by fuzzing: the
// container writer would set that much aside).
std::vector<std::uint8_t> withHugeStream(const std::vector<std::uint8_t>& workbookStream) {
    auto file = cfb::testing::buildTestCompoundFile(
        {{u"Workbook", workbookStream}, {u"Extra", std::vector<std::uint8_t>(16, 7)}});
    file.put32(file.entryOffset(2) + 120, 0xFFFFFFFF);  // stream size
    return file.bytes;
}

std::vector<Fixture> fixtures() {
    return {
        {"ops-externsheet-short.xls",
         [](model::WorkbookStream& w) {
             for (auto& r : w.globals.records)
                 if (r.type == RecordType::ExternSheet) r.payload[0] = 99;  // claims 99 XTIs
         },
         ErrorCode::CorruptWorkbook},
        {"ops-lbl-too-short.xls",
         [](model::WorkbookStream& w) {
             for (auto& r : w.globals.records)
                 if (r.type == RecordType::Lbl) r.payload.resize(5);  // no itab
         },
         ErrorCode::CorruptWorkbook},
        {"ops-formula-cut-short.xls",
         [](model::WorkbookStream& w) {
             auto& cells = w.substreams[2].records;
             cells.insert(cells.begin() + 1, testing::formula(9, {0x3A, 1}, 1.0));
         },
         std::nullopt},
    };
}

std::vector<std::uint8_t> recipe(const Fixture& f) {
    auto stream = testing::threeSheets();
    f.damage(stream);
    return cfb::testing::buildTestCompoundFile(
               {{u"Workbook", model::writeWorkbookStream(stream).toVector()}})
        .bytes;
}

const char* const kHugeStreamFixture = "ops-stream-size-beyond-file.xls";

fs::path fixturePath(const Fixture& f) {
    return fs::path(TARNVALE_TEST_DATA_DIR) / "malformed" / f.file;
}

using tarnvale::testing::workbookStreamOf;
using tarnvale::testing::writeFileBytes;

TEST(OpsFixtures, DISABLED_WriteFixtures) {
    for (const auto& f : fixtures()) writeFileBytes(fixturePath(f), recipe(f));
    writeFileBytes(fs::path(TARNVALE_TEST_DATA_DIR) / "malformed" / kHugeStreamFixture,
                   withHugeStream(model::writeWorkbookStream(testing::threeSheets()).toVector()));
}

TEST(OpsFixtures, StreamClaimingMoreThanTheFileIsRefusedOnSave) {
    try {
        Workbook book =
            Workbook::open(fs::path(TARNVALE_TEST_DATA_DIR) / "malformed" / kHugeStreamFixture);
        book.renameSheet(0, "Renamed");
        book.serialize();
        FAIL() << "wrote a stream the file does not hold";
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), ErrorCode::CorruptContainer);
    }
}

class OpsMalformedTest : public ::testing::TestWithParam<Fixture> {};

TEST_P(OpsMalformedTest, DeleteRefusesCleanlyOrGoesThrough) {
    const auto& f = GetParam();
    Workbook book = Workbook::open(fixturePath(f));
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

INSTANTIATE_TEST_SUITE_P(Fixtures, OpsMalformedTest, ::testing::ValuesIn(fixtures()),
                         [](const auto& row) {
                             return tarnvale::testing::testNameOf(row.param.file);
                         });

}  // namespace
}  // namespace xls::ops
