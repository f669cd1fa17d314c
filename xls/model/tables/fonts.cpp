#include "model/tables/fonts.h"

#include <algorithm>

namespace xls::model::tables {

FontTable FontTable::read(const Substream& globals) {
    FontTable table;
    for (const Record& record : globals.records)
        if (!record.isStoredRun() && record.type == biff::RecordType::Font)
            table.fonts_.push_back(records::readFont(record.payload));
    return table;
}

const records::Font* FontTable::find(std::uint16_t fontIndex) const {
    if (fontIndex == records::kMissingFontIndex) return nullptr;
    const std::size_t record = records::fontRecordOf(fontIndex);
    return record < fonts_.size() ? &fonts_[record] : nullptr;
}

std::optional<std::uint16_t> FontTable::indexOf(const records::Font& font) const {
    const auto found = std::find(fonts_.begin(), fonts_.end(), font);
    if (found == fonts_.end()) return std::nullopt;
    return records::fontIndexOf(static_cast<std::size_t>(found - fonts_.begin()));
}

std::uint16_t FontTable::append(records::Font font) {
    fonts_.push_back(std::move(font));
    return records::fontIndexOf(fonts_.size() - 1);
}

}  // namespace xls::model::tables
