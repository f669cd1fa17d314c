// The picture store of a drawing group: entries (OfficeArtFBSE) with the
// image they hold and how many shapes use each. Pictures a copied drawing
// uses join the destination's store: an equal image already there (same
// identifier, same bytes) is shared and counted once more, another is added.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "odraw/drawing_group.h"

namespace xls::odraw {

// The reference count of an entry (record bytes, header included). Raises
// CorruptWorkbook for an entry too short for its fields.
std::uint32_t pictureUses(std::span<const std::uint8_t> entry);
void setPictureUses(std::vector<std::uint8_t>& entry, std::uint32_t uses);

// Adds the pictures that refs names (source picture index, 1-based -> uses)
// from the source store to group; returns source index -> group index.
// Raises CorruptWorkbook for an index the source store lacks, and
// CopyUnsupported for an entry whose image lives outside the store.
std::map<std::uint32_t, std::uint32_t> mergePictures(
    DrawingGroup& group, const std::vector<std::vector<std::uint8_t>>& sourcePictures,
    const std::map<std::uint32_t, std::uint32_t>& refs);

// The same store: each picture counted refs more times, indices kept.
void countPictures(DrawingGroup& group, const std::map<std::uint32_t, std::uint32_t>& refs);

}  // namespace xls::odraw
