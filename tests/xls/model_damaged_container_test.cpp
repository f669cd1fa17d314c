// Workbooks whose container is damaged past the workbook globals: cut short,
// or with a FAT that runs past the end of the file. The sheets the globals
// name are listed, a sheet whose first records cannot be read as a worksheet;
// every edit is refused with the damage, and nothing is written, not even on save.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "support/cfb_test_file.h"
#include "support/error_code_of.h"
#include "support/file_bytes.h"
#include "support/temp_folder.h"
#include "support/workbook_builder.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace xls {
namespace {

using cfb::testing::TestCompoundFile;
using tarnvale::testing::errorCodeOf;
using namespace tarnvale::testing;

constexpr std::uint16_t kNumberId = 0x0203;

// Sheets A (a worksheet holding 8 kB of cells), B (a dialog sheet) and C (a
// chart), in that order in one Workbook stream of regular sectors.
struct Sample {
    TestCompoundFile file;
    std::size_t sheetBStart = 0;  // file offset of the stream bytes of B's BOF
};

Sample sample() {
    Bytes cells;
    for (int i = 0; i < 4; ++i) cells = join({cells, record(kNumberId, Bytes(2000, 0x11))});
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
    std::vector<SheetType> listed;  // A, B, C
    ErrorCode refusal;
};

void PrintTo(const Damage& d, std::ostream* os) {
    *os << d.name;
}

class DamagedContainerTest : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedContainerTest, ListsTheGlobalsSheetsAndRefusesEveryEdit) {
    Sample s = sample();
    GetParam().apply(s);
    const TempFolder folder("damaged");
    const auto path = folder / "damaged.xls";
    writeFileBytes(path, s.file.bytes);
    Workbook book = Workbook::open(path);
    std::vector<std::string> names;
    std::vector<SheetType> types;
    for (const SheetInfo& sheet : book.sheets()) {
        names.push_back(sheet.name);
        types.push_back(sheet.type);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(types, GetParam().listed);

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
    EXPECT_TRUE(saving == GetParam().refusal || saving == ErrorCode::CorruptContainer);
    EXPECT_EQ(book.sheets().size(), 3u) << "nothing changed";
    EXPECT_EQ(readFileBytes(path), s.file.bytes);
    EXPECT_EQ(folder.entries(), 1) << "no temporary file left";
}

INSTANTIATE_TEST_SUITE_P(
    Damages, DamagedContainerTest,
    ::testing::Values(Damage{"CutAfterTheFirstSheet",
                             [](Sample& s) { s.file.bytes.resize(s.sheetBStart + 10); },
                             {SheetType::Worksheet, SheetType::Worksheet, SheetType::Chart},
                             ErrorCode::TruncatedContainer},
                      Damage{"CutInsideTheFirstSheet",
                             [](Sample& s) { s.file.bytes.resize(s.sheetBStart - 3000); },
                             {SheetType::Worksheet, SheetType::Worksheet, SheetType::Chart},
                             ErrorCode::TruncatedContainer},
                      Damage{"FatDeclaresMoreSectorsThanTheFileHolds",
                             [](Sample& s) { s.file.put32(0x2C, 500); },
                             {SheetType::Worksheet, SheetType::Dialog, SheetType::Chart},
                             ErrorCode::TruncatedContainer},
                      Damage{"ChainRunsPastTheEnd",
                             [](Sample& s) {
                                 const auto sector = static_cast<std::uint32_t>(
                                     (s.sheetBStart - s.file.sectorOffset(0)) / s.file.sectorSize);
                                 s.file.put32(s.file.fatEntryOffset(sector - 1), 9000);
                             },
                             {SheetType::Worksheet, SheetType::Worksheet, SheetType::Chart},
                             ErrorCode::CorruptContainer}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(DamagedContainer, CutInsideTheGlobalsIsRefusedAsBefore) {
    Sample s = sample();
    s.file.bytes.resize(s.file.sectorOffset(s.file.startSectors[0]) + 30);
    EXPECT_EQ(errorCodeOf([&] { Workbook::openBytes(s.file.bytes, "cut.xls"); }),
              ErrorCode::TruncatedContainer);
}

}  // namespace
}  // namespace xls
