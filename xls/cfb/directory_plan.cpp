#include "cfb/directory_plan.h"

#include <algorithm>
#include <span>
#include <stdexcept>
#include <string>

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
                                        const std::set<std::uint32_t>& removals) {
    checkArguments(original, replacements, removals);
    const auto& originals = original.entries();
    std::vector<PlannedEntry> entries(1);
    // Breadth-first, so the loop visits entries as they are appended.
    for (std::uint32_t next = 0; next < entries.size(); ++next) {
        const std::uint32_t originalId = entries[next].originalId;
        if (originals[originalId].type == EntryType::Stream) {
            const auto found = replacements.find(originalId);
            if (found != replacements.end()) {
                entries[next].replacement = &found->second;
                entries[next].size = found->second.size();
            } else {
                entries[next].size = originals[originalId].size;
            }
            continue;
        }
        std::vector<std::uint32_t> kept;
        for (std::uint32_t child : original.children(originalId)) {
            if (!removals.contains(child)) kept.push_back(child);
        }
        std::stable_sort(kept.begin(), kept.end(), [&](std::uint32_t a, std::uint32_t b) {
            return compareNames(originals[a].name, originals[b].name) < 0;
        });
        for (std::uint32_t child : kept) {
            entries[next].children.push_back(static_cast<std::uint32_t>(entries.size()));
            PlannedEntry planned;
            planned.originalId = child;
            entries.push_back(std::move(planned));
        }
    }
    for (std::size_t id = 0; id < entries.size(); ++id) {
        const std::vector<std::uint32_t> children = entries[id].children;
        entries[id].child = linkBalanced(entries, children);
    }
    return entries;
}

}  // namespace xls::cfb
