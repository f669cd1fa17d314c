// The workbook's cell formats: its XF records in order with the XFExt records
// that extend them, the Style records naming the style XFs, and the colours
// its palette gives each Icv.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "model/records/palette.h"
#include "model/records/style.h"
#include "model/records/xf.h"
#include "model/records/xf_ext.h"
#include "model/workbook_stream.h"

namespace xls::model::tables {

// XFCRC.cxfs at most: the most XF records a workbook may hold.
inline constexpr std::size_t kMaxXfs = 4050;

class CellFormatTable {
  public:
    // Raises CorruptWorkbook for a record shorter than its fields.
    static CellFormatTable read(const Substream& globals);

    const std::vector<records::XF>& xfs() const { return xfs_; }
    const std::vector<records::Style>& styles() const { return styles_; }
    const records::Palette& palette() const { return palette_; }
    bool hasPalette() const { return hasPalette_; }
    const std::optional<records::XFCRC>& xfcrc() const { return xfcrc_; }

    // The XFExt of an XF, or nullptr.
    const records::XFExt* extOf(std::size_t ixfe) const;
    // Whether the XFExt records were written for these XFs: XFCRC counts them
    // and its checksum matches. Otherwise readers ignore every XFExt.
    bool extensionsValid() const;
    // The Style record naming a style XF, or nullptr.
    const records::Style* styleOf(std::size_t ixfe) const;
    // The style XF of the destination that carries the same style, or nothing.
    std::optional<std::uint16_t> styleXfOf(const records::Style& style) const;

    // Adds an XF (and its XFExt, ixfe set here) at the end; returns its index.
    std::size_t append(records::XF xf, std::optional<records::XFExt> ext);
    void setPalette(const records::Palette& palette);

  private:
    std::vector<records::XF> xfs_;
    std::map<std::size_t, records::XFExt> exts_;
    std::vector<records::Style> styles_;
    records::Palette palette_ = records::defaultPalette();
    bool hasPalette_ = false;
    std::optional<records::XFCRC> xfcrc_;
};

}  // namespace xls::model::tables
