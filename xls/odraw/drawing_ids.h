// The ids inside one drawing (an OfficeArtDgContainer, possibly with other
// drawings' bytes around it left alone): the drawing's own id and shape
// count, every shape id (shapes, rules, master shapes), and every picture
// index a shape property holds. Read them, or rewrite them in place: each
// id keeps its size, so the bytes keep their length.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <vector>

namespace xls::odraw {

struct DrawingFacts {
    bool hasFdg = false;
    std::uint16_t dgid = 0;
    std::uint32_t csp = 0;             // shapes the drawing says it holds
    std::uint32_t spidCur = 0;         // the last shape id it gave out
    std::vector<std::uint32_t> spids;  // of every shape, in order
    // Picture index (1-based in the picture store) -> properties naming it.
    std::map<std::uint32_t, std::uint32_t> pictureRefs;
};

struct DrawingRenumbering {
    std::uint16_t dgid = 0;
    std::function<std::uint32_t(std::uint32_t)> spid;  // old shape id -> new
    std::function<std::uint32_t(std::uint32_t)> pib;   // old picture index -> new; unset: kept
    // A fresh id for each shape that repeats an earlier shape's id (references
    // to that id keep reaching the first); unset: the repeat is mapped as the first.
    std::function<std::uint32_t()> repeatSpid;
};

// Raises CorruptWorkbook for records that run past their container or the
// bytes, or an FDG or shape record too short for its fields.
DrawingFacts readDrawing(std::span<const std::uint8_t> bytes);
void renumberDrawing(std::span<std::uint8_t> bytes, const DrawingRenumbering& renumbering);

}  // namespace xls::odraw
