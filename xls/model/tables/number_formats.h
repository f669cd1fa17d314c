// The workbook's number formats: the Format records it stores, by identifier
// and by string, and the next free identifier for a custom format.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/records/number_format.h"
#include "model/workbook_stream.h"

namespace xls::model::tables {

class NumberFormatTable {
  public:
    // Raises CorruptWorkbook for a Format record shorter than its fields.
    static NumberFormatTable read(const Substream& globals);

    std::size_t size() const { return formats_.size(); }
    const std::vector<records::NumberFormat>& formats() const { return formats_; }
    // The string stored for an identifier (none for a built-in format not stored).
    std::optional<std::u16string_view> stringOf(std::uint16_t ifmt) const;
    // The identifier of the first stored format with this string.
    std::optional<std::uint16_t> idOf(std::u16string_view format) const;
    // The lowest custom identifier (164 on) no stored format has, or nothing
    // when every identifier up to 382 is taken.
    std::optional<std::uint16_t> freeCustomId() const;
    void append(records::NumberFormat format);

  private:
    std::vector<records::NumberFormat> formats_;
};

}  // namespace xls::model::tables
