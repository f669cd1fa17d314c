#include "ops/copy/copy_header_pictures.h"

#include <algorithm>

#include "odraw/drawing_group.h"
#include "odraw/drawing_ids.h"
#include "ops/copy/copy_drawing.h"
#include "ops/header_pictures.h"
#include "xls/error.h"

namespace xls::ops::copy {

namespace {

std::optional<odraw::DrawingGroup> groupOf(const model::Substream& globals) {
    const auto pieces = headerPictureRecords(globals.records, true);
    if (pieces.empty()) return std::nullopt;
    return odraw::readDrawingGroup(joinedHeaderPictures(globals.records, pieces));
}

}  // namespace

HeaderPictureCopyPlan planHeaderPictureCopy(const model::Substream& sourceGlobals,
                                            const std::vector<model::Record>& sheet,
                                            const model::Substream& destinationGlobals,
                                            bool sameWorkbook) {
    HeaderPictureCopyPlan plan;
    const auto pieces = headerPictureRecords(sheet, false);
    // Header pictures of an embedded chart, or a second drawing, would keep
    // indices into the source's store: refused rather than shown wrong.
    const auto all = std::count_if(sheet.begin(), sheet.end(), [](const model::Record& r) {
        return r.type == biff::RecordType::HFPicture;
    });
    if (static_cast<std::size_t>(all) != pieces.size())
        fail(ErrorCode::CopyUnsupported, "header or footer pictures outside the sheet's drawing");
    if (pieces.empty()) return plan;
    const auto source = groupOf(sourceGlobals);
    if (!source)
        fail(ErrorCode::CorruptWorkbook,
             "the sheet's header or footer pictures lack the workbook's drawing group");
    odraw::DrawingGroup group =
        sameWorkbook ? *source : groupOf(destinationGlobals).value_or(odraw::emptyDrawingGroup());
    plan.drawing = joinedHeaderPictures(sheet, pieces);
    placeCopiedDrawing(group, sameWorkbook ? nullptr : &*source, plan.drawing);
    plan.group = odraw::writeDrawingGroup(group);
    return plan;
}

void applyHeaderPictureCopy(const HeaderPictureCopyPlan& plan, std::vector<model::Record>& sheet,
                            model::Substream& destinationGlobals) {
    if (!plan.group) return;
    spreadHeaderPictures(sheet, headerPictureRecords(sheet, false), plan.drawing);
    replaceHeaderPictureGroup(destinationGlobals, *plan.group);
}

}  // namespace xls::ops::copy
