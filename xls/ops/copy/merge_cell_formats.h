// The cell formats of a copied sheet merged into the destination workbook's
// format tables, planned before anything changes: every XF the sheet's cells,
// rows and columns use, with its font, number format, colours, XFExt and
// parent style, maps to an equal destination XF or to one appended for it.
// A parent style maps to the destination's style of the same name, else to
// Normal: style XFs sit ahead of every cell XF, so none can be added without
// renumbering the destination's cells. The cell XF itself carries the whole
// look, so the copy looks the same either way.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "model/records/font.h"
#include "model/records/number_format.h"
#include "model/records/palette.h"
#include "model/records/xf.h"
#include "model/records/xf_ext.h"
#include "model/workbook_stream.h"
#include "ops/copy/index_map.h"
#include "ops/copy/merge_palette.h"

namespace xls::ops::copy {

// What a copy needs besides its XFs: fonts that rich text runs name, colours
// that other records of the sheet hold (tab colour, conditional formats), and
// the destination colours its sheets hold outside the globals.
struct FormatUse {
    std::vector<bool> xfs;                          // by source XF index
    std::vector<bool> fonts;                        // by source FontIndex
    std::vector<std::uint16_t> sourceColours;       // Icvs
    std::vector<std::uint16_t> destinationColours;  // Icvs
    std::vector<bool> ifmts;                        // number formats besides the XFs'
};

struct FormatMergePlan {
    IndexMap xfs;    // source XF -> destination XF; kUnmapped where not needed
    IndexMap fonts;  // source FontIndex -> destination FontIndex
    IndexMap ifmts;  // source ifmt -> destination ifmt
    ColourMerge colours;

    std::vector<model::records::Font> addedFonts;
    std::vector<model::records::NumberFormat> addedNumberFormats;
    std::vector<model::records::XF> addedXfs;
    std::vector<model::records::XFExt> addedXfExts;  // ixfe set to their destination XF
    std::size_t destinationXfs = 0;  // the destination's XF count the plan was made for
    bool refreshXfcrc = false;       // XFCRC to count and checksum the XFs anew
};

// Raises TooManyFormats when the destination's tables would pass what the
// format allows (4050 XFs, 510 fonts, 218 number formats or custom formats
// past 382), and CorruptWorkbook for a format record shorter than its fields.
// Changes nothing.
FormatMergePlan planFormatMerge(const model::Substream& sourceGlobals,
                                const model::Substream& destinationGlobals, const FormatUse& use);
FormatMergePlan planFormatMerge(const model::Substream& sourceGlobals,
                                const model::Substream& destinationGlobals,
                                const std::vector<bool>& usedSourceXfs);

// The destination Icv for a source Icv that another record of the sheet holds.
inline std::uint16_t translateColour(const FormatMergePlan& plan, std::uint16_t sourceIcv) {
    return translateColour(plan.colours, sourceIcv);
}

}  // namespace xls::ops::copy
