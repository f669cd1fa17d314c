#include "ops/copy/copy_drawing.h"

#include "odraw/drawing_group.h"
#include "odraw/drawing_ids.h"
#include "odraw/picture_store.h"
#include "odraw/place_drawing.h"
#include "xls/error.h"

namespace xls::ops::copy {

using biff::RecordType;

namespace {

odraw::DrawingGroup groupOf(const model::Substream& globals) {
    const std::vector<std::uint8_t> bytes = drawingGroupBytes(globals);
    return bytes.empty() ? odraw::emptyDrawingGroup() : odraw::readDrawingGroup(bytes);
}

// The MsoDrawingSelection records of the sheet itself, not of its charts.
std::vector<std::size_t> sheetSelections(const std::vector<model::Record>& sheet) {
    std::vector<std::size_t> found;
    std::size_t depth = 0;
    for (std::size_t i = 0; i < sheet.size(); ++i) {
        if (sheet[i].type == RecordType::BOF) ++depth;
        if (sheet[i].type == RecordType::EOF_ && depth > 0) --depth;
        if (sheet[i].type == RecordType::MsoDrawingSelection && depth == 1) found.push_back(i);
    }
    return found;
}

}  // namespace

odraw::DrawingRenumbering placeCopiedDrawing(odraw::DrawingGroup& group,
                                             const odraw::DrawingGroup* source,
                                             std::vector<std::uint8_t>& bytes) {
    const odraw::DrawingFacts facts = odraw::readDrawing(bytes);
    if (!facts.hasFdg)
        fail(ErrorCode::CorruptWorkbook, "a drawing of the sheet lacks its drawing record");
    const odraw::DrawingPlace place = odraw::placeDrawing(group, facts);
    odraw::DrawingRenumbering renumbering;
    renumbering.dgid = place.dgid;
    renumbering.spid = [place](std::uint32_t spid) { return place.spid(spid); };
    if (place.firstSpare != 0)
        renumbering.repeatSpid = [next = place.firstSpare]() mutable { return next++; };
    if (!source) {
        odraw::countPictures(group, facts.pictureRefs);
    } else {
        const auto pictures = odraw::mergePictures(group, source->pictures, facts.pictureRefs);
        renumbering.pib = [pictures](std::uint32_t pib) { return pictures.at(pib); };
    }
    odraw::renumberDrawing(bytes, renumbering);
    return renumbering;
}

DrawingCopyPlan planDrawingCopy(const model::Substream& sourceGlobals,
                                const std::vector<model::Record>& sheet,
                                const model::Substream& destinationGlobals, bool sameWorkbook) {
    DrawingCopyPlan plan;
    plan.headerPictures =
        planHeaderPictureCopy(sourceGlobals, sheet, destinationGlobals, sameWorkbook);
    const std::vector<DrawingPieces> drawings = drawingPieces(sheet);
    if (drawings.empty()) return plan;
    odraw::DrawingGroup group = groupOf(destinationGlobals);
    const odraw::DrawingGroup source = sameWorkbook ? group : groupOf(sourceGlobals);
    for (const DrawingPieces& pieces : drawings) {
        std::vector<std::uint8_t> bytes = joinedDrawing(sheet, pieces);
        const odraw::DrawingRenumbering renumbering =
            placeCopiedDrawing(group, sameWorkbook ? nullptr : &source, bytes);
        if (pieces.depth == 1) {
            for (std::size_t at : sheetSelections(sheet)) {
                std::vector<std::uint8_t> selection = sheet[at].payload;
                odraw::renumberDrawing(selection, renumbering);
                plan.selections.emplace_back(at, std::move(selection));
            }
        }
        plan.drawings.emplace_back(pieces, std::move(bytes));
    }
    plan.group = odraw::writeDrawingGroup(group);
    return plan;
}

void applyDrawingCopy(const DrawingCopyPlan& plan, std::vector<model::Record>& sheet,
                      model::Substream& destinationGlobals) {
    applyHeaderPictureCopy(plan.headerPictures, sheet, destinationGlobals);
    if (!plan.group) return;
    for (const auto& [pieces, bytes] : plan.drawings) spreadDrawing(sheet, pieces, bytes);
    for (const auto& [at, payload] : plan.selections) sheet[at].payload = payload;
    replaceDrawingGroup(destinationGlobals, *plan.group);
}

}  // namespace xls::ops::copy
