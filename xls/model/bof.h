// The BOF record ([MS-XLS] 2.4.21) that opens every substream: the BIFF version
// and the kind of substream.
#pragma once

#include <cstdint>
#include <span>

namespace xls::model {

enum class BiffVersion { Biff5, Biff8 };

// BOF.dt
enum class SubstreamType : std::uint16_t {
    Globals = 0x0005,
    VbModule = 0x0006,
    Worksheet = 0x0010,  // worksheet or dialog sheet
    Chart = 0x0020,
    MacroSheet = 0x0040,
    Workspace = 0x0100,
};

struct Bof {
    std::uint16_t version = 0;  // vers: 0x0600 BIFF8, 0x0500 BIFF5
    SubstreamType type{};
};

// Raises CorruptWorkbook when the body is too short for vers and dt.
Bof parseBof(std::span<const std::uint8_t> body);

// Checks the first record of a workbook stream: OldExcelFormat for the BOF of an
// Excel 2.x-4.x stream (BIFF2-4), CorruptWorkbook for anything else but a BOF.
void checkFirstRecordIsBof(std::uint16_t recordId);

// The BIFF version of a workbook from its first BOF: UnsupportedVersion for
// versions other than BIFF5 and BIFF8.
BiffVersion biffVersionOf(const Bof& bof);

}  // namespace xls::model
