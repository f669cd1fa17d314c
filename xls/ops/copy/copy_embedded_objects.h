// The OLE objects and ActiveX controls of a copied sheet brought into the
// destination's compound file: each embedding storage ("MBD" and eight hex
// digits) copied under a name the destination does not use, each control's
// data in the Ctls stream appended to the destination's, and the copy's Obj
// records pointed at them. Planned on the source sheet before anything
// changes; applied to the copy once it is in the destination.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "cfb/compound_file.h"
#include "cfb/compound_file_writer.h"
#include "model/edit_state.h"
#include "model/workbook_stream.h"

namespace xls::ops::copy {

// A workbook's compound file with what its edits added and are still to save.
struct ContainerState {
    const cfb::CompoundFile& container;
    const model::EditState& edits;
};

struct EmbeddedCopyPlan {
    // Each object's lPosInCtlStm in the source and in the copy: the id of its
    // embedding storage, or (with its size) its offset in the Ctls stream.
    std::map<std::uint32_t, std::uint32_t> storages;
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint32_t> controlData;
    std::vector<cfb::Addition> additions;
    // The destination's Ctls stream after the copy; unset when it does not change.
    std::optional<std::vector<std::uint8_t>> controls;
};

// Raises CopyUnsupported naming an object whose data is not where its Obj
// says, and CorruptWorkbook for an Obj that cannot be read. Changes nothing.
EmbeddedCopyPlan planEmbeddedCopy(const ContainerState& source,
                                  const model::WorkbookStream& sourceStream, std::size_t sourceTab,
                                  const ContainerState& destination);

// Points the Obj records of the copy (at tab in destination) at the planned
// places and leaves the storages and the Ctls stream to the save.
void applyEmbeddedCopy(EmbeddedCopyPlan plan, model::WorkbookStream& destination, std::size_t tab,
                       model::EditState& state);

}  // namespace xls::ops::copy
