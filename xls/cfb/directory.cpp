#include "cfb/directory.h"

#include <string>

#include "cfb/cfb_format.h"
#include "io/byte_reader.h"
#include "xls/error.h"

namespace xls::cfb {

namespace {

DirectoryEntry parseEntry(io::ByteReader reader, std::uint16_t majorVersion) {
    DirectoryEntry entry;
    std::u16string name;
    for (std::uint32_t i = 0; i < 32; ++i) name += static_cast<char16_t>(reader.u16());
    const std::uint16_t nameBytes = reader.u16();
    // The length counts the terminator; cut at it and at any earlier NUL.
    std::size_t units =
        nameBytes >= 2 ? std::min<std::size_t>(nameBytes / 2 - 1, kMaxNameUnits) : 0;
    name.resize(units);
    if (const auto nul = name.find(u'\0'); nul != std::u16string::npos) name.resize(nul);
    entry.name = std::move(name);
    entry.type = static_cast<EntryType>(reader.u8());
    entry.color = reader.u8();
    entry.left = reader.u32();
    entry.right = reader.u32();
    entry.child = reader.u32();
    const auto clsid = reader.bytes(16);
    std::copy(clsid.begin(), clsid.end(), entry.clsid.begin());
    entry.stateBits = reader.u32();
    entry.created = reader.u64();
    entry.modified = reader.u64();
    entry.startSector = reader.u32();
    const std::uint64_t size = reader.u64();
    entry.size = majorVersion == 3 ? (size & 0xFFFFFFFFu) : size;
    return entry;
}

bool isKnownType(EntryType type) {
    return type == EntryType::Storage || type == EntryType::Stream || type == EntryType::Root;
}

[[noreturn]] void failTree(std::uint32_t id, const std::string& what) {
    fail(ErrorCode::CorruptContainer, "directory entry " + std::to_string(id) + ": " + what);
}

}  // namespace

std::vector<DirectoryEntry> parseDirectory(std::span<const std::uint8_t> bytes,
                                           std::uint16_t majorVersion) {
    std::vector<DirectoryEntry> entries;
    entries.reserve(bytes.size() / kDirectoryEntrySize);
    io::ByteReader reader(bytes, ErrorCode::CorruptContainer, "directory");
    while (reader.remaining() >= kDirectoryEntrySize) {
        entries.push_back(parseEntry(reader.sub(kDirectoryEntrySize), majorVersion));
    }
    if (entries.empty() || entries[0].type != EntryType::Root) {
        fail(ErrorCode::CorruptContainer, "directory entry 0 is not the root storage");
    }
    return entries;
}

std::vector<std::vector<std::uint32_t>> buildChildLists(
    const std::vector<DirectoryEntry>& entries) {
    const auto count = static_cast<std::uint32_t>(entries.size());
    std::vector<std::vector<std::uint32_t>> children(entries.size());
    std::vector<bool> reached(entries.size(), false);
    reached[0] = true;

    std::vector<std::uint32_t> storages{0};
    while (!storages.empty()) {
        const std::uint32_t storage = storages.back();
        storages.pop_back();
        // In-order walk of the storage's child tree with an explicit stack: a
        // degenerate tree of thousands of entries must not exhaust the call stack.
        std::vector<std::uint32_t> stack;
        std::uint32_t node = entries[storage].child;
        while (node != kNoStream || !stack.empty()) {
            while (node != kNoStream) {
                if (node >= count)
                    failTree(storage, "link to missing entry " + std::to_string(node));
                if (reached[node]) failTree(node, "reached twice (the directory tree loops)");
                reached[node] = true;
                const EntryType type = entries[node].type;
                if (!isKnownType(type) || type == EntryType::Root) {
                    failTree(node,
                             "unexpected entry type " + std::to_string(static_cast<int>(type)));
                }
                stack.push_back(node);
                node = entries[node].left;
            }
            node = stack.back();
            stack.pop_back();
            children[storage].push_back(node);
            if (entries[node].type == EntryType::Storage) storages.push_back(node);
            node = entries[node].right;
        }
    }
    return children;
}

}  // namespace xls::cfb
