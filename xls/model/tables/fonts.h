// The workbook's font table: its Font records in order, looked up by
// FontIndex (which skips 4), found by value, appended to.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "model/records/font.h"
#include "model/workbook_stream.h"

namespace xls::model::tables {

class FontTable {
  public:
    // Raises CorruptWorkbook for a Font record shorter than its fields.
    static FontTable read(const Substream& globals);

    std::size_t size() const { return fonts_.size(); }
    const std::vector<records::Font>& fonts() const { return fonts_; }
    // The font a FontIndex names, or nullptr for 4 or an index past the table.
    const records::Font* find(std::uint16_t fontIndex) const;
    // The FontIndex of the first font equal to this one.
    std::optional<std::uint16_t> indexOf(const records::Font& font) const;
    // Adds a font at the end; returns its FontIndex.
    std::uint16_t append(records::Font font);

  private:
    std::vector<records::Font> fonts_;
};

}  // namespace xls::model::tables
