// A copied sheet's header and footer pictures made the destination's: its
// HFPicture drawing gets a free drawing id and fresh clusters in the
// destination's header picture drawing group (made when it has none), and
// the pictures it shows join that group's picture store. Planned before the
// destination changes.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "model/workbook_stream.h"

namespace xls::ops::copy {

struct HeaderPictureCopyPlan {
    std::vector<std::uint8_t> drawing;  // the sheet's drawing renumbered
    // The destination's header picture drawing group after the copy; unset
    // when the sheet has no header or footer pictures.
    std::optional<std::vector<std::uint8_t>> group;
};

// Raises CorruptWorkbook for a drawing that cannot be read or a source
// without the drawing group it names, and CopyUnsupported for HFPicture
// records besides the sheet's one drawing (an embedded chart's), when the
// destination has no ids left or a picture lives outside the store.
HeaderPictureCopyPlan planHeaderPictureCopy(const model::Substream& sourceGlobals,
                                            const std::vector<model::Record>& sheet,
                                            const model::Substream& destinationGlobals,
                                            bool sameWorkbook);

void applyHeaderPictureCopy(const HeaderPictureCopyPlan& plan, std::vector<model::Record>& sheet,
                            model::Substream& destinationGlobals);

}  // namespace xls::ops::copy
