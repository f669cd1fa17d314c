// The records of a sheet being copied: the cell table at the sheet's own level
// stays bytes, edited in place and handed on as stand-ins over them; every
// other record (an embedded chart's too) is held, whether the sheet was
// loaded lazily or in full.
#include <gtest/gtest.h>

#include <stdexcept>

#include "ops/copy/copied_sheet.h"
#include "support/workbook_builder.h"

namespace xls::ops::copy {
namespace {

using biff::RecordType;
using Bytes = std::vector<std::uint8_t>;
namespace tt = tarnvale::testing;

constexpr std::uint16_t kDimensions = 0x0200;
constexpr std::uint16_t kRow = 0x0208;
constexpr std::uint16_t kNumber = 0x0203;
constexpr std::uint16_t kFormula = 0x0006;
constexpr std::uint16_t kString = 0x0207;
constexpr std::uint16_t kDbCell = 0x00D7;
constexpr std::uint16_t kWindow2 = 0x023E;
constexpr std::uint16_t kContinue = tt::kContinueId;

Bytes filled(std::size_t size, std::uint8_t value) {
    return Bytes(size, value);
}

// Cells, an embedded chart whose records share a cell record's id, then the
// sheet's view.
Bytes sheetBody() {
    return tt::join({tt::record(kDimensions, filled(14, 1)), tt::record(kRow, filled(16, 2)),
                     tt::record(kNumber, filled(14, 3)), tt::record(kFormula, filled(26, 4)),
                     tt::record(kString, filled(5, 5)), tt::record(kContinue, filled(3, 6)),
                     tt::record(kDbCell, filled(6, 7)),
                     tt::record(tt::kBofId, tt::bofPayload(0x0600, 0x0020)),
                     tt::record(kNumber, filled(14, 8)), tt::record(tt::kEofId),
                     tt::record(kWindow2, filled(18, 9))});
}

model::WorkbookStream workbook(bool lazily) {
    const Bytes bytes =
        tt::WorkbookStreamBuilder().sheet(tt::SheetSpec(u"S", 0, 0, false, sheetBody())).build();
    if (!lazily) return model::parseWorkbookStream(bytes);
    return model::parseWorkbookStream(std::make_shared<io::MemorySource>(bytes));
}

std::vector<std::uint16_t> heldTypes(const std::vector<model::Record>& records) {
    std::vector<std::uint16_t> types;
    for (const auto& r : records) types.push_back(r.isStoredRun() ? 0 : biff::toU16(r.type));
    return types;
}

Bytes serialized(const model::Substream& sheet) {
    model::WorkbookStream stream;
    stream.substreams.push_back(sheet);
    return model::serializeWorkbookStream(stream);
}

TEST(CopiedSheet, KeepsTheCellTableAsBytesEditedInPlace) {
    struct Case {
        bool lazily;
        std::vector<std::uint16_t> held;  // 0: a stand-in of cells
    };
    const Case cases[] = {
        {true,
         {tt::kBofId, tt::kWsBoolId, kDimensions, 0, tt::kBofId, kNumber, tt::kEofId, kWindow2,
          tt::kEofId}},
        // Held in full (an edited or decrypted sheet): every record stays held.
        {false,
         {tt::kBofId, tt::kWsBoolId, kDimensions, kRow, kNumber, kFormula, kString, kContinue,
          kDbCell, tt::kBofId, kNumber, tt::kEofId, kWindow2, tt::kEofId}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lazily ? "lazily" : "in full");
        const model::WorkbookStream stream = workbook(c.lazily);
        const model::Substream& original = stream.substreams[0];
        CopiedSheet copied(original);
        EXPECT_EQ(heldTypes(copied.records()), c.held);

        std::vector<std::uint16_t> seen;
        copied.readCells([&](const std::vector<model::Record>& chunk) {
            for (const auto& r : chunk) seen.push_back(biff::toU16(r.type));
        });
        const std::vector<std::uint16_t> cells{kRow,    kNumber,   kFormula,
                                               kString, kContinue, kDbCell};
        EXPECT_EQ(seen, c.lazily ? cells : std::vector<std::uint16_t>{});

        // Every Number of the cell table made 0x33s; the chart's stays.
        copied.editCells([](std::vector<model::Record>& chunk) {
            for (auto& r : chunk)
                if (r.type == RecordType::Number) r.payload.assign(r.payload.size(), 0x33);
        });
        const Bytes before = serialized(original);
        const model::Substream taken = std::move(copied).take();
        EXPECT_EQ(taken.loaded, !c.lazily);
        Bytes expected = before;
        if (c.lazily) {
            const Bytes cell = tt::record(kNumber, filled(14, 3));
            const auto at = std::search(expected.begin(), expected.end(), cell.begin(), cell.end());
            ASSERT_NE(at, expected.end());
            std::fill(at + 4, at + 18, 0x33);
        }
        EXPECT_EQ(serialized(taken), expected);
        EXPECT_EQ(serialized(original), before);  // the source's sheet is left alone
    }
}

TEST(CopiedSheet, RefusesEditsThatChangeTheCellTablesShape) {
    const model::WorkbookStream stream = workbook(true);
    CopiedSheet copied(stream.substreams[0]);
    const std::vector<CopiedSheet::ChunkEdit> edits = {
        [](std::vector<model::Record>& chunk) { chunk.back().payload.push_back(0); },
        [](std::vector<model::Record>& chunk) { chunk.pop_back(); },
        [](std::vector<model::Record>& chunk) { chunk.front().type = RecordType::Blank; },
    };
    for (const auto& edit : edits) EXPECT_THROW(copied.editCells(edit), std::logic_error);
}

}  // namespace
}  // namespace xls::ops::copy
