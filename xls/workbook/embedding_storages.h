// The embedding storages ("MBD" and eight hex digits) of a deleted sheet's OLE
// objects and ActiveX controls: those no other sheet's objects use leave the
// file with the sheet, whether the file holds them or a copy added them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>

#include "cfb/compound_file.h"
#include "model/edit_state.h"
#include "model/workbook_stream.h"

namespace xls {

// The ids of the embedding storages only the sheet at tab uses, read before
// its records go. An Obj that cannot be read keeps every storage: a storage
// left behind costs space, one taken from an object that still needs it
// loses the object.
std::set<std::uint32_t> embeddingStoragesOnlyOfSheet(const cfb::CompoundFile& container,
                                                     const model::EditState& edits,
                                                     const model::WorkbookStream& stream,
                                                     std::size_t tab);

// Records in edits that those storages go: the file's among the removals, a
// copy's taken back from the additions.
void dropEmbeddingStorages(const cfb::CompoundFile& container, const std::set<std::uint32_t>& ids,
                           model::EditState& edits);

}  // namespace xls
