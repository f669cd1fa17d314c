#include "workbook/embedding_storages.h"

#include <algorithm>
#include <set>
#include <string_view>

#include "cfb/entry_name.h"
#include "ops/embedded_objects.h"
#include "ops/pict_fmla.h"
#include "xls/error.h"

namespace xls {

namespace {

bool isEmbeddingStorageName(std::u16string_view name) {
    return name.starts_with(u"MBD");
}

// Whether the saved file would hold any embedding storage: most files hold
// none, and their deletes need not read the sheet's objects.
bool holdsEmbeddingStorages(const cfb::CompoundFile& container, const model::EditState& edits) {
    const auto& entries = container.entries();
    const auto children = container.children(0);
    return std::any_of(
               children.begin(), children.end(),
               [&](std::uint32_t id) { return isEmbeddingStorageName(entries[id].name); }) ||
           std::any_of(edits.additions.begin(), edits.additions.end(),
                       [](const cfb::Addition& a) { return isEmbeddingStorageName(a.name); });
}

// The storages the sheet's objects use and no other substream's do.
std::set<std::uint32_t> storagesOnlyOf(const model::WorkbookStream& stream, std::size_t sheet) {
    std::set<std::uint32_t> ids = ops::embeddingStorageIds(stream.substreams.at(sheet));
    for (std::size_t i = 0; i < stream.substreams.size() && !ids.empty(); ++i) {
        if (i == sheet) continue;
        for (std::uint32_t used : ops::embeddingStorageIds(stream.substreams[i])) ids.erase(used);
    }
    return ids;
}

}  // namespace

std::set<std::uint32_t> embeddingStoragesOnlyOfSheet(const cfb::CompoundFile& container,
                                                     const model::EditState& edits,
                                                     const model::WorkbookStream& stream,
                                                     std::size_t tab) {
    if (!holdsEmbeddingStorages(container, edits)) return {};
    try {
        return storagesOnlyOf(stream, stream.sheetSubstream.at(tab));
    } catch (const Error&) {
        return {};
    }
}

void dropEmbeddingStorages(const cfb::CompoundFile& container, const std::set<std::uint32_t>& ids,
                           model::EditState& edits) {
    for (std::uint32_t id : ids) {
        const std::u16string name = ops::embeddingStorageName(id);
        const auto added =
            std::remove_if(edits.additions.begin(), edits.additions.end(),
                           [&](const cfb::Addition& a) { return cfb::namesEqual(a.name, name); });
        if (added != edits.additions.end()) {
            edits.additions.erase(added, edits.additions.end());
            continue;
        }
        const auto entry = container.find(name);
        if (entry && container.entries()[*entry].type == cfb::EntryType::Storage)
            edits.containerRemovals.insert(*entry);
    }
}

}  // namespace xls
