#include "model/tables/cell_formats.h"

namespace xls::model::tables {

CellFormatTable CellFormatTable::read(const Substream& globals) {
    CellFormatTable table;
    for (const Record& record : globals.records) {
        if (record.isStoredRun()) continue;
        switch (record.type) {
            case biff::RecordType::XF:
                table.xfs_.push_back(records::readXF(record.payload));
                break;
            case biff::RecordType::XFExt: {
                records::XFExt ext = records::readXFExt(record.payload);
                table.exts_.insert_or_assign(ext.ixfe, std::move(ext));
                break;
            }
            case biff::RecordType::XFCRC:
                table.xfcrc_ = records::readXFCRC(record.payload);
                break;
            case biff::RecordType::Style:
                table.styles_.push_back(records::readStyle(record.payload));
                break;
            case biff::RecordType::Palette:
                table.palette_ = records::readPalette(record.payload);
                table.hasPalette_ = true;
                break;
            default:
                break;
        }
    }
    return table;
}

const records::XFExt* CellFormatTable::extOf(std::size_t ixfe) const {
    const auto found = exts_.find(ixfe);
    return found == exts_.end() ? nullptr : &found->second;
}

bool CellFormatTable::extensionsValid() const {
    return xfcrc_ && xfcrc_->cxfs == xfs_.size() && xfcrc_->crc == records::xfChecksum(xfs_);
}

const records::Style* CellFormatTable::styleOf(std::size_t ixfe) const {
    for (const records::Style& style : styles_)
        if (style.ixfe == ixfe) return &style;
    return nullptr;
}

std::optional<std::uint16_t> CellFormatTable::styleXfOf(const records::Style& style) const {
    for (const records::Style& candidate : styles_)
        if (records::sameStyle(candidate, style) && candidate.ixfe < xfs_.size() &&
            xfs_[candidate.ixfe].fStyle())
            return candidate.ixfe;
    return std::nullopt;
}

std::size_t CellFormatTable::append(records::XF xf, std::optional<records::XFExt> ext) {
    xfs_.push_back(xf);
    const std::size_t index = xfs_.size() - 1;
    if (ext) {
        ext->ixfe = static_cast<std::uint16_t>(index);
        exts_.insert_or_assign(index, std::move(*ext));
    }
    return index;
}

void CellFormatTable::setPalette(const records::Palette& palette) {
    palette_ = palette;
    hasPalette_ = true;
}

}  // namespace xls::model::tables
