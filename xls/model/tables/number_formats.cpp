#include "model/tables/number_formats.h"

#include <algorithm>

namespace xls::model::tables {

NumberFormatTable NumberFormatTable::read(const Substream& globals) {
    NumberFormatTable table;
    for (const Record& record : globals.records)
        if (!record.isStoredRun() && record.type == biff::RecordType::Format)
            table.formats_.push_back(records::readNumberFormat(record.payload));
    return table;
}

std::optional<std::u16string_view> NumberFormatTable::stringOf(std::uint16_t ifmt) const {
    for (const records::NumberFormat& format : formats_)
        if (format.ifmt == ifmt) return format.stFormat;
    return std::nullopt;
}

std::optional<std::uint16_t> NumberFormatTable::idOf(std::u16string_view format) const {
    for (const records::NumberFormat& stored : formats_)
        if (stored.stFormat == format) return stored.ifmt;
    return std::nullopt;
}

std::optional<std::uint16_t> NumberFormatTable::freeCustomId() const {
    for (std::uint16_t id = records::kFirstCustomFormat; id <= records::kLastCustomFormat; ++id)
        if (!stringOf(id)) return id;
    return std::nullopt;
}

void NumberFormatTable::append(records::NumberFormat format) {
    formats_.push_back(std::move(format));
}

}  // namespace xls::model::tables
