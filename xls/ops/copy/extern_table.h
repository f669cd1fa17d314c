// The destination's external-reference table as a copy adds to it: SupBook
// records with their ExternName, XCT and CRN records, then the ExternSheet of
// XTIs ([MS-XLS] 2.4.271, 2.4.106). New SupBooks go after the last one and new
// XTIs at the end, so no ixti or SupBook index of the workbook moves.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "model/workbook_stream.h"

namespace xls::ops::copy {

struct Xti {
    std::uint16_t supBook = 0;
    std::uint16_t itabFirst = 0;
    std::uint16_t itabLast = 0;
    bool operator==(const Xti&) const = default;
};

// A payload as model records: the record, then Continue records for what
// does not fit in one.
std::vector<model::Record> continuedRecords(biff::RecordType type,
                                            std::span<const std::uint8_t> payload);

class ExternTable {
  public:
    // Reads the table of globals; raises CorruptWorkbook for an ExternSheet
    // shorter than it declares.
    explicit ExternTable(const model::Substream& globals);

    const std::vector<Xti>& xtis() const { return xtis_; }
    // The SupBook block (the SupBook with its ExternName, XCT and CRN records)
    // at a SupBook index, records as held.
    std::vector<model::Record> supBookBlock(std::uint16_t index) const;
    std::optional<std::uint16_t> selfSupBook() const { return self_; }

    // The index of an XTI equal to xti, added when there is none.
    std::uint16_t xtiFor(const Xti& xti);
    // The SupBook index of this workbook itself, added when there is none.
    std::uint16_t selfSupBookFor(std::uint16_t sheetCount);
    // The index of a SupBook block whose records equal block, added when there is none.
    std::uint16_t supBookFor(const std::vector<model::Record>& block);

    // Writes the table back into globals (the one read, or its copy): SupBook
    // blocks and the ExternSheet in place of the old ones, or where the
    // workbook's globals keep them when it had none.
    void writeTo(model::Substream& globals) const;

  private:
    std::vector<std::vector<model::Record>> blocks_;  // one per SupBook, in order
    std::vector<Xti> xtis_;
    std::optional<std::uint16_t> self_;
    bool changed_ = false;
};

}  // namespace xls::ops::copy
