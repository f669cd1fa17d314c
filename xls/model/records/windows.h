// The window records a sheet-table edit mends: Window1 ([MS-XLS] 2.4.345), the
// workbook window with its active and first visible tab and how many tabs are
// selected; and the tab flags of Window2 (2.4.346), whether its sheet's tab is
// selected and whether it is the sheet on show. Writes go over the payload in
// place, so fields the edits do not know stay as stored.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace xls::model::records {

struct Window1 {
    std::uint16_t xWn = 0;
    std::uint16_t yWn = 0;
    std::uint16_t dxWn = 0;
    std::uint16_t dyWn = 0;
    std::uint16_t flags = 0;
    std::uint16_t itabCur = 0;    // the active tab
    std::uint16_t itabFirst = 0;  // the first tab shown in the tab bar
    std::uint16_t ctabSel = 0;    // how many tabs are selected
    std::optional<std::uint16_t> wTabRatio;
};

// nullopt when the payload is too short to hold ctabSel.
std::optional<Window1> readWindow1(std::span<const std::uint8_t> payload);
// payload must be one readWindow1 read.
void writeWindow1(std::span<std::uint8_t> payload, const Window1& window);

struct Window2TabFlags {
    bool fSelected = false;
    bool fPaged = false;  // the sheet on show
};

// nullopt when the payload is too short to hold the flags.
std::optional<Window2TabFlags> readWindow2TabFlags(std::span<const std::uint8_t> payload);
// Sets the two flags, keeping the others.
void writeWindow2TabFlags(std::span<std::uint8_t> payload, Window2TabFlags flags);

}  // namespace xls::model::records
