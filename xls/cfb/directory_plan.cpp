#include "cfb/directory_plan.h"

#include <algorithm>
#include <span>
#include <stdexcept>
#include <string>

#include "cfb/cfb_format.h"
#include "cfb/entry_name.h"

namespace xls::cfb {

namespace {

std::vector<bool> reachableEntries(const CompoundFile& original) {
    std::vector<bool> reached(original.entries().size(), false);
    std::vector<std::uint32_t> pending{0};
    reached[0] = true;
    while (!pending.empty()) {
        const std::uint32_t id = pending.back();
        pending.pop_back();
        for (std::uint32_t child : original.children(id)) {
            reached[child] = true;
            pending.push_back(child);
        }
    }
    return reached;
}

void checkArguments(const CompoundFile& original,
                    const std::map<std::uint32_t, io::ByteRope>& replacements,
                    const std::set<std::uint32_t>& removals) {
    const auto reached = reachableEntries(original);
    auto reachable = [&](std::uint32_t id) { return id < reached.size() && reached[id]; };
    for (const auto& entry : replacements) {
        const std::uint32_t id = entry.first;
        if (!reachable(id) || original.entries()[id].type != EntryType::Stream) {
            throw std::invalid_argument("writeCompoundFile: entry " + std::to_string(id) +
                                        " is not a stream");
        }
    }
    for (std::uint32_t id : removals) {
        if (id == 0 || !reachable(id)) {
            throw std::invalid_argument("writeCompoundFile: cannot remove entry " +
                                        std::to_string(id));
        }
    }
}

// Each addition: a name the root does not hold yet, and an entry of its file
// that the file's tree reaches (a storage or a stream), or bytes.
void checkAdditions(const std::vector<std::u16string>& rootNames,
                    const std::vector<Addition>& additions) {
    std::vector<std::u16string> names = rootNames;
    for (const Addition& addition : additions) {
        const bool named = !addition.name.empty() && addition.name.size() <= kMaxNameUnits;
        const bool clash = std::any_of(names.begin(), names.end(), [&](const std::u16string& n) {
            return namesEqual(n, addition.name);
        });
        if (!named || clash)
            throw std::invalid_argument("writeCompoundFile: an addition's name is taken or unfit");
        names.push_back(addition.name);
        if (!addition.file) continue;
        const auto reached = reachableEntries(*addition.file);
        const std::uint32_t id = addition.id;
        if (id == 0 || id >= reached.size() || !reached[id])
            throw std::invalid_argument("writeCompoundFile: added entry " + std::to_string(id) +
                                        " is not in its file");
    }
}

// Links the sorted ids into a balanced binary tree and returns its root.
std::uint32_t linkBalanced(std::vector<PlannedEntry>& entries,
                           std::span<const std::uint32_t> sorted) {
    if (sorted.empty()) return kNoStream;
    const std::size_t middle = sorted.size() / 2;
    const std::uint32_t id = sorted[middle];
    entries[id].left = linkBalanced(entries, sorted.first(middle));
    entries[id].right = linkBalanced(entries, sorted.subspan(middle + 1));
    return id;
}

}  // namespace

std::vector<PlannedEntry> planDirectory(const CompoundFile& original,
                                        const std::map<std::uint32_t, io::ByteRope>& replacements,
                                        const std::set<std::uint32_t>& removals,
                                        const std::vector<Addition>& additions) {
    checkArguments(original, replacements, removals);
    std::vector<PlannedEntry> entries(1);
    entries[0].file = &original;
    entries[0].name = original.entries()[0].name;
    // Breadth-first, so the loop visits entries as they are appended.
    for (std::uint32_t next = 0; next < entries.size(); ++next) {
        const CompoundFile* file = entries[next].file;
        if (!file) continue;  // a new stream: its size is set
        const std::uint32_t originalId = entries[next].originalId;
        const auto& source = file->entries();
        if (source[originalId].type == EntryType::Stream) {
            const auto found = replacements.find(originalId);
            if (file == &original && found != replacements.end()) {
                entries[next].replacement = &found->second;
                entries[next].size = found->second.size();
            } else {
                entries[next].size = source[originalId].size;
            }
            continue;
        }
        std::vector<PlannedEntry> kept;
        for (std::uint32_t child : file->children(originalId)) {
            if (file == &original && removals.contains(child)) continue;
            PlannedEntry planned;
            planned.file = file;
            planned.originalId = child;
            planned.name = source[child].name;
            kept.push_back(std::move(planned));
        }
        if (next == 0) {
            std::vector<std::u16string> rootNames;
            for (const PlannedEntry& child : kept) rootNames.push_back(child.name);
            checkAdditions(rootNames, additions);
            for (const Addition& addition : additions) {
                PlannedEntry planned;
                planned.file = addition.file.get();
                planned.originalId = addition.id;
                planned.name = addition.name;
                if (!addition.file) {
                    planned.replacement = &addition.bytes;
                    planned.size = addition.bytes.size();
                }
                kept.push_back(std::move(planned));
            }
        }
        std::stable_sort(kept.begin(), kept.end(),
                         [](const PlannedEntry& a, const PlannedEntry& b) {
                             return compareNames(a.name, b.name) < 0;
                         });
        for (PlannedEntry& child : kept) {
            entries[next].children.push_back(static_cast<std::uint32_t>(entries.size()));
            entries.push_back(std::move(child));
        }
    }
    for (std::size_t id = 0; id < entries.size(); ++id) {
        const std::vector<std::uint32_t> children = entries[id].children;
        entries[id].child = linkBalanced(entries, children);
    }
    return entries;
}

}  // namespace xls::cfb
