// The records through which formulas reach sheets: SupBook ([MS-XLS] 2.4.271),
// one per workbook referred to (this one included, as the self-reference),
// and ExternSheet (2.4.106), whose XTIs name a SupBook and a range of its
// sheets. Formulas hold an index into the XTIs (ixti).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace xls::model::records {

struct SupBookHeader {
    std::uint16_t ctab = 0;  // sheets in the workbook referred to
    std::uint16_t cch = 0;   // virtPath length, or one of the markers below

    static constexpr std::uint16_t kSelfReference = 0x0401;
    static constexpr std::uint16_t kAddIn = 0x3A01;
    bool isSelfReference() const { return cch == kSelfReference; }
};

// nullopt when the payload is too short to hold the header.
std::optional<SupBookHeader> readSupBookHeader(std::span<const std::uint8_t> payload);
void writeSupBookHeader(std::span<std::uint8_t> payload, const SupBookHeader& header);

// XTI (2.5.328): itabFirst and itabLast are tab indices in the SupBook's
// workbook; -1 (or -2) marks a sheet that is gone or a workbook-level reference.
struct Xti {
    std::uint16_t iSupBook = 0;
    std::int16_t itabFirst = 0;
    std::int16_t itabLast = 0;
    bool operator==(const Xti&) const = default;
};

inline constexpr std::int16_t kNoSheet = -1;

// The XTIs of an ExternSheet payload (Continue payloads joined on); raises
// CorruptWorkbook when it holds fewer than cXTI declares.
std::vector<Xti> readExternSheet(std::span<const std::uint8_t> payload);
// Writes cXTI and the XTIs over the payload's first bytes; bytes after them stay.
void writeExternSheet(std::span<std::uint8_t> payload, const std::vector<Xti>& xtis);

}  // namespace xls::model::records
