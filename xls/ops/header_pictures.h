// Header and footer pictures ([MS-XLS] HFPicture): the globals' HFPicture
// records hold a drawing group of their own (clusters, totals and a picture
// store apart from the MsoDrawingGroup's), and a sheet's HFPicture records
// hold its one drawing in that group. Each record carries part of the
// OfficeArt bytes behind a fixed head; the parts after the first say they
// continue it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "model/workbook_stream.h"

namespace xls::ops {

// The HFPicture records (indices) of the globals' drawing group
// (drawingGroup) or of a sheet's own drawing, not those of its embedded charts.
std::vector<std::size_t> headerPictureRecords(const std::vector<model::Record>& records,
                                              bool drawingGroup);

// The OfficeArt bytes of the records, joined. Raises CorruptWorkbook for a
// record shorter than its head.
std::vector<std::uint8_t> joinedHeaderPictures(const std::vector<model::Record>& records,
                                               std::span<const std::size_t> pieces);
// Writes bytes (as long as the pieces' OfficeArt bytes together) back over them.
void spreadHeaderPictures(std::vector<model::Record>& records, std::span<const std::size_t> pieces,
                          std::span<const std::uint8_t> bytes);

// Puts container in place of the globals' header picture drawing group (or,
// when there is none, ahead of the MsoDrawingGroup, else of the shared
// strings), cut into HFPicture records.
void replaceHeaderPictureGroup(model::Substream& globals, std::span<const std::uint8_t> container);

// The globals' header picture drawing group to write once the sheet is gone:
// its drawing's clusters freed and its pictures counted once less; nullopt
// when nothing changes. A drawing that cannot be read leaves the group as it is.
std::optional<std::vector<std::uint8_t>> planHeaderPictureRemoval(const model::Substream& globals,
                                                                  const model::Substream& sheet);

}  // namespace xls::ops
