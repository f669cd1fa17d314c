#include "ops/copy/merge_cell_formats.h"

#include <algorithm>
#include <map>
#include <string>

#include "model/tables/cell_formats.h"
#include "model/tables/fonts.h"
#include "model/tables/number_formats.h"
#include "ops/copy/merge_fonts.h"
#include "ops/copy/merge_number_formats.h"
#include "xls/error.h"

namespace xls::ops::copy {

namespace {

using model::records::XF;
using model::records::XfColour;
using model::records::XFExt;
using model::tables::CellFormatTable;
using model::tables::FontTable;

// XF 0-14 are the built-in styles every workbook holds; XF 15 the default cell format.
constexpr std::size_t kBuiltInStyleXfs = 15;
constexpr std::uint32_t kDefaultCellXf = 15;

void flag(std::vector<bool>& flags, std::size_t index) {
    if (index >= flags.size()) flags.resize(index + 1);
    flags[index] = true;
}

void flagColour(std::vector<bool>& icvs, std::uint16_t icv) {
    if (icv < model::records::kPaletteEnd) flag(icvs, icv);
}

void flagColoursOf(std::vector<bool>& icvs, const XF& xf, const XFExt* ext) {
    for (XfColour which : model::records::kXfColours) flagColour(icvs, xf.icv(which));
    if (!ext) return;
    for (const auto& prop : ext->rgExt)
        if (const auto icv = model::records::indexedColourOf(prop)) flagColour(icvs, *icv);
}

// The destination slots the destination's own formats refer to.
std::vector<bool> destinationColoursInUse(const CellFormatTable& cells, const FontTable& fonts,
                                          const std::vector<std::uint16_t>& elsewhere) {
    std::vector<bool> icvs;
    for (std::size_t i = 0; i < cells.xfs().size(); ++i)
        flagColoursOf(icvs, cells.xfs()[i], cells.extOf(i));
    for (const auto& font : fonts.fonts()) flagColour(icvs, font.icv);
    for (std::uint16_t icv : elsewhere) flagColour(icvs, icv);
    return icvs;
}

// The destination style XF standing for a source style XF: the style of the
// same name, the same built-in outline style, else Normal.
std::uint32_t mapStyleXf(const CellFormatTable& source, const CellFormatTable& destination,
                         std::size_t ixfe) {
    if (const auto* style = source.styleOf(ixfe)) return destination.styleXfOf(*style).value_or(0);
    if (ixfe < kBuiltInStyleXfs && ixfe < destination.xfs().size() &&
        destination.xfs()[ixfe].fStyle())
        return static_cast<std::uint32_t>(ixfe);
    return 0;
}

std::optional<XFExt> translateExt(const XFExt* ext, const ColourMerge& colours) {
    if (!ext) return std::nullopt;
    XFExt translated = *ext;
    for (auto& prop : translated.rgExt)
        if (const auto icv = model::records::indexedColourOf(prop))
            model::records::setIndexedColour(prop, translateColour(colours, *icv));
    return translated;
}

bool sameExtensions(const XFExt* a, const std::optional<XFExt>& b) {
    if (!a || !b) return !a && !b;
    return a->rgExt == b->rgExt;
}

// The destination's XFs by their bytes, to find an equal one quickly.
class XfIndex {
  public:
    explicit XfIndex(const CellFormatTable& table) {
        for (std::size_t i = 0; i < table.xfs().size(); ++i) add(table.xfs()[i], i);
    }
    void add(const XF& xf, std::size_t index) { byBytes_.emplace(xf.bytes, index); }
    std::optional<std::size_t> find(const CellFormatTable& table, const XF& xf,
                                    const std::optional<XFExt>& ext) const {
        const auto [first, last] = byBytes_.equal_range(xf.bytes);
        for (auto it = first; it != last; ++it)
            if (sameExtensions(table.extOf(it->second), ext)) return it->second;
        return std::nullopt;
    }

  private:
    std::multimap<std::array<std::uint8_t, model::records::kXfSize>, std::size_t> byBytes_;
};

// The source XFs the copy needs: those used and the style XFs they inherit from.
std::vector<bool> neededXfs(const CellFormatTable& source, const std::vector<bool>& used) {
    const auto& xfs = source.xfs();
    std::vector<bool> needed(xfs.size());
    for (std::size_t i = 0; i < std::min(used.size(), xfs.size()); ++i) {
        if (!used[i]) continue;
        needed[i] = true;
        const std::size_t parent = xfs[i].ixfParent();
        if (!xfs[i].fStyle() && parent < xfs.size() && xfs[parent].fStyle()) needed[parent] = true;
    }
    return needed;
}

}  // namespace

FormatMergePlan planFormatMerge(const model::Substream& sourceGlobals,
                                const model::Substream& destinationGlobals, const FormatUse& use) {
    const auto sourceFonts = FontTable::read(sourceGlobals);
    const auto destinationFonts = FontTable::read(destinationGlobals);
    const auto sourceFormats = model::tables::NumberFormatTable::read(sourceGlobals);
    const auto destinationFormats = model::tables::NumberFormatTable::read(destinationGlobals);
    const auto source = CellFormatTable::read(sourceGlobals);
    const auto destination = CellFormatTable::read(destinationGlobals);
    const bool carryExtensions = source.extensionsValid();
    const auto extOf = [&](std::size_t i) { return carryExtensions ? source.extOf(i) : nullptr; };

    // What the needed XFs refer to.
    const std::vector<bool> xfs = neededXfs(source, use.xfs);
    std::vector<bool> fonts = use.fonts, ifmts = use.ifmts, icvs;
    for (std::size_t i = 0; i < xfs.size(); ++i) {
        if (!xfs[i]) continue;
        flag(fonts, source.xfs()[i].ifnt());
        flag(ifmts, source.xfs()[i].ifmt());
        flagColoursOf(icvs, source.xfs()[i], extOf(i));
    }
    for (std::size_t i = 0; i < fonts.size(); ++i)
        if (const auto* font = fonts[i] ? sourceFonts.find(static_cast<std::uint16_t>(i)) : nullptr)
            flagColour(icvs, font->icv);
    for (std::uint16_t icv : use.sourceColours) flagColour(icvs, icv);

    FormatMergePlan plan;
    plan.colours = planColourMerge(
        source.palette(), destination.palette(), icvs,
        destinationColoursInUse(destination, destinationFonts, use.destinationColours));
    FontMerge fontMerge = planFontMerge(sourceFonts, destinationFonts, fonts, plan.colours);
    NumberFormatMerge formatMerge = planNumberFormatMerge(sourceFormats, destinationFormats, ifmts);
    plan.fonts = std::move(fontMerge.fonts);
    plan.addedFonts = std::move(fontMerge.added);
    plan.ifmts = std::move(formatMerge.ifmts);
    plan.addedNumberFormats = std::move(formatMerge.added);
    plan.destinationXfs = destination.xfs().size();

    // An index past the source's XFs (a damaged cell record) gets the default cell format.
    plan.xfs.assign(std::max(use.xfs.size(), xfs.size()), kUnmapped);
    for (std::size_t i = xfs.size(); i < use.xfs.size(); ++i)
        if (use.xfs[i]) plan.xfs[i] = kDefaultCellXf;
    // Style XFs stand for the destination's style of the same name. A cell
    // that names a style XF itself (some producers write that) keeps its look:
    // it gets a cell XF with the style's attributes under that style.
    IndexMap styles(xfs.size(), kUnmapped);
    const auto namedByCells = [&](std::size_t i) { return i < use.xfs.size() && use.xfs[i]; };
    for (std::size_t i = 0; i < xfs.size(); ++i) {
        if (!xfs[i] || !source.xfs()[i].fStyle()) continue;
        styles[i] = mapStyleXf(source, destination, i);
        if (!namedByCells(i)) plan.xfs[i] = styles[i];
    }

    CellFormatTable merged = destination;
    XfIndex index(merged);
    for (std::size_t i = 0; i < xfs.size(); ++i) {
        const bool style = source.xfs()[i].fStyle();
        if (!xfs[i] || (style && !namedByCells(i))) continue;
        XF xf = source.xfs()[i];
        xf.setIfnt(static_cast<std::uint16_t>(plan.fonts[xf.ifnt()]));
        xf.setIfmt(static_cast<std::uint16_t>(plan.ifmts[xf.ifmt()]));
        const std::size_t parent = style ? i : xf.ixfParent();
        const auto parentNow = static_cast<std::uint16_t>(
            parent < styles.size() && isMapped(styles, parent) ? styles[parent] : 0);
        if (style) {
            xf.makeCellFormat(parentNow);
        } else {
            xf.setIxfParent(parentNow);
        }
        for (XfColour which : model::records::kXfColours)
            xf.setIcv(which,
                      static_cast<std::uint8_t>(translateColour(plan.colours, xf.icv(which))));
        std::optional<XFExt> ext = translateExt(extOf(i), plan.colours);
        xf.setFHasXFExt(ext.has_value());

        if (const auto found = index.find(merged, xf, ext)) {
            plan.xfs[i] = static_cast<std::uint32_t>(*found);
            continue;
        }
        if (merged.xfs().size() >= model::tables::kMaxXfs)
            fail(ErrorCode::TooManyFormats, "the cell formats would exceed " +
                                                std::to_string(model::tables::kMaxXfs) +
                                                " in the destination");
        const std::size_t added = merged.append(xf, ext);
        index.add(xf, added);
        plan.xfs[i] = static_cast<std::uint32_t>(added);
        plan.addedXfs.push_back(xf);
        if (ext) plan.addedXfExts.push_back(*merged.extOf(added));
    }
    plan.refreshXfcrc =
        !plan.addedXfs.empty() &&
        (destination.extensionsValid() || (!destination.xfcrc() && !plan.addedXfExts.empty()));
    return plan;
}

FormatMergePlan planFormatMerge(const model::Substream& sourceGlobals,
                                const model::Substream& destinationGlobals,
                                const std::vector<bool>& usedSourceXfs) {
    return planFormatMerge(sourceGlobals, destinationGlobals,
                           FormatUse{usedSourceXfs, {}, {}, {}, {}});
}

}  // namespace xls::ops::copy
