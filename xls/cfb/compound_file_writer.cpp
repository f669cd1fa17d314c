#include "cfb/compound_file_writer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "cfb/cfb_format.h"
#include "cfb/directory_plan.h"
#include "io/byte_reader.h"
#include "io/checked_math.h"
#include "xls/error.h"

namespace xls::cfb {

namespace {

using io::storeU16;
using io::storeU32;
using io::storeU64;
using io::unitsFor;

// Where everything goes: FAT sectors first, then DIFAT sectors, the directory,
// the MiniFAT, the mini stream, and the larger streams one after another.
struct Layout {
    std::uint32_t sectorSize = 0;
    std::uint32_t perSector = 0;  // 4-byte entries per sector
    std::uint32_t fatSectors = 0, difatSectors = 0, directorySectors = 0;
    std::uint32_t miniFatSectors = 0, miniStreamSectors = 0;
    std::uint32_t firstDirectory = 0, firstMiniFat = 0, firstMiniStream = 0;
    std::uint32_t totalSectors = 0;
    std::uint32_t miniSectors = 0;
    std::vector<std::uint32_t>
        start;  // per entry: first sector (mini sector if in the mini stream)
    std::vector<bool> inMiniStream;

    std::size_t offsetOf(std::uint32_t sector) const {
        return (static_cast<std::size_t>(sector) + 1) * sectorSize;
    }
};

std::uint32_t toSectorCount(std::uint64_t count) {
    if (count > kMaxRegularSector) {
        fail(ErrorCode::WriteFailed, "the new compound file would be too large");
    }
    return static_cast<std::uint32_t>(count);
}

Layout planLayout(const std::vector<PlannedEntry>& entries, std::uint32_t sectorSize) {
    Layout layout;
    layout.sectorSize = sectorSize;
    layout.perSector = sectorSize / 4;
    layout.start.assign(entries.size(), kEndOfChain);
    layout.inMiniStream.assign(entries.size(), false);

    std::uint64_t miniSectors = 0;
    std::uint64_t bigSectors = 0;
    for (std::size_t id = 1; id < entries.size(); ++id) {
        const std::uint64_t size = entries[id].size;
        if (size == 0) continue;
        if (size < kMiniStreamCutoff) {
            layout.inMiniStream[id] = true;
            layout.start[id] = toSectorCount(miniSectors);
            miniSectors += unitsFor(size, kMiniSectorSize);
        } else {
            bigSectors += unitsFor(size, sectorSize);
        }
    }
    layout.miniSectors = toSectorCount(miniSectors);
    layout.directorySectors =
        toSectorCount(unitsFor(entries.size() * std::uint64_t{kDirectoryEntrySize}, sectorSize));
    layout.miniFatSectors = toSectorCount(unitsFor(miniSectors * 4, sectorSize));
    layout.miniStreamSectors = toSectorCount(unitsFor(miniSectors * kMiniSectorSize, sectorSize));
    const std::uint64_t dataSectors = std::uint64_t{layout.directorySectors} +
                                      layout.miniFatSectors + layout.miniStreamSectors + bigSectors;

    // The FAT covers itself and the DIFAT sectors, so grow both until they fit.
    std::uint64_t fat = 0, difat = 0;
    while (true) {
        const std::uint64_t total = dataSectors + fat + difat;
        const std::uint64_t needFat = unitsFor(total, layout.perSector);
        const std::uint64_t needDifat =
            needFat > kHeaderDifatCount
                ? unitsFor(needFat - kHeaderDifatCount, layout.perSector - 1)
                : 0;
        if (needFat == fat && needDifat == difat) break;
        fat = needFat;
        difat = needDifat;
    }
    layout.fatSectors = toSectorCount(fat);
    layout.difatSectors = toSectorCount(difat);
    layout.totalSectors = toSectorCount(dataSectors + fat + difat);
    if ((std::uint64_t{layout.totalSectors} + 1) * sectorSize >
        std::numeric_limits<std::size_t>::max() / 2) {
        fail(ErrorCode::WriteFailed, "the new compound file would be too large");
    }

    std::uint32_t next = layout.fatSectors + layout.difatSectors;
    layout.firstDirectory = next;
    next += layout.directorySectors;
    layout.firstMiniFat = layout.miniFatSectors == 0 ? kEndOfChain : next;
    next += layout.miniFatSectors;
    layout.firstMiniStream = layout.miniStreamSectors == 0 ? kEndOfChain : next;
    next += layout.miniStreamSectors;
    for (std::size_t id = 1; id < entries.size(); ++id) {
        if (entries[id].size == 0 || layout.inMiniStream[id]) continue;
        layout.start[id] = next;
        next += static_cast<std::uint32_t>(unitsFor(entries[id].size, sectorSize));
    }
    return layout;
}

// Chains count table entries from first on, ending the last one.
void chainRun(std::vector<std::uint32_t>& table, std::uint32_t first, std::uint64_t count) {
    for (std::uint64_t i = 0; i < count; ++i) {
        table[first + i] = i + 1 < count ? static_cast<std::uint32_t>(first + i + 1) : kEndOfChain;
    }
}

void writeTable(std::span<std::uint8_t> out, std::size_t offset,
                const std::vector<std::uint32_t>& table) {
    for (std::size_t i = 0; i < table.size(); ++i) storeU32(out, offset + 4 * i, table[i]);
}

void writeHeader(std::span<std::uint8_t> out, const Layout& layout, std::uint16_t majorVersion) {
    namespace at = header_offset;
    std::copy(kSignature.begin(), kSignature.end(), out.begin());
    storeU16(out, at::kMinorVersion, kMinorVersion);
    storeU16(out, at::kMajorVersion, majorVersion);
    storeU16(out, at::kByteOrder, kByteOrderMark);
    storeU16(out, at::kSectorShift, layout.sectorSize == 512 ? kSectorShiftV3 : kSectorShiftV4);
    storeU16(out, at::kMiniSectorShift, kMiniSectorShift);
    // Version 3 files leave the directory sector count zero.
    storeU32(out, at::kDirectorySectorCount, majorVersion == 3 ? 0 : layout.directorySectors);
    storeU32(out, at::kFatSectorCount, layout.fatSectors);
    storeU32(out, at::kFirstDirectorySector, layout.firstDirectory);
    storeU32(out, at::kTransactionSignature, 0);
    storeU32(out, at::kMiniStreamCutoff, kMiniStreamCutoff);
    storeU32(out, at::kFirstMiniFatSector, layout.firstMiniFat);
    storeU32(out, at::kMiniFatSectorCount, layout.miniFatSectors);
    storeU32(out, at::kFirstDifatSector,
             layout.difatSectors == 0 ? kEndOfChain : layout.fatSectors);
    storeU32(out, at::kDifatSectorCount, layout.difatSectors);
    for (std::uint32_t i = 0; i < kHeaderDifatCount; ++i) {
        storeU32(out, at::kDifat + 4 * i, i < layout.fatSectors ? i : kFreeSector);
    }
}

// FAT sector locations past the header's 109, in chained DIFAT sectors.
void writeDifatSectors(std::span<std::uint8_t> out, const Layout& layout) {
    std::uint32_t fatIndex = kHeaderDifatCount;
    for (std::uint32_t d = 0; d < layout.difatSectors; ++d) {
        const std::uint32_t sector = layout.fatSectors + d;
        std::vector<std::uint32_t> entries(layout.perSector, kFreeSector);
        for (std::uint32_t i = 0; i + 1 < layout.perSector && fatIndex < layout.fatSectors; ++i) {
            entries[i] = fatIndex++;
        }
        entries.back() = d + 1 < layout.difatSectors ? sector + 1 : kEndOfChain;
        writeTable(out, layout.offsetOf(sector), entries);
    }
}

void writeFat(std::span<std::uint8_t> out, const Layout& layout,
              const std::vector<PlannedEntry>& entries) {
    std::vector<std::uint32_t> fat(std::size_t{layout.fatSectors} * layout.perSector, kFreeSector);
    for (std::uint32_t i = 0; i < layout.fatSectors; ++i) fat[i] = kFatSector;
    for (std::uint32_t i = 0; i < layout.difatSectors; ++i)
        fat[layout.fatSectors + i] = kDifatSector;
    chainRun(fat, layout.firstDirectory, layout.directorySectors);
    if (layout.miniFatSectors != 0) chainRun(fat, layout.firstMiniFat, layout.miniFatSectors);
    if (layout.miniStreamSectors != 0)
        chainRun(fat, layout.firstMiniStream, layout.miniStreamSectors);
    for (std::size_t id = 1; id < entries.size(); ++id) {
        if (entries[id].size == 0 || layout.inMiniStream[id]) continue;
        chainRun(fat, layout.start[id], unitsFor(entries[id].size, layout.sectorSize));
    }
    for (std::uint32_t i = 0; i < layout.fatSectors; ++i) {
        writeTable(
            out, layout.offsetOf(i),
            std::vector<std::uint32_t>(fat.begin() + std::ptrdiff_t{i} * layout.perSector,
                                       fat.begin() + std::ptrdiff_t{i + 1} * layout.perSector));
    }
}

void writeMiniFat(std::span<std::uint8_t> out, const Layout& layout,
                  const std::vector<PlannedEntry>& entries) {
    if (layout.miniFatSectors == 0) return;
    std::vector<std::uint32_t> miniFat(std::size_t{layout.miniFatSectors} * layout.perSector,
                                       kFreeSector);
    for (std::size_t id = 1; id < entries.size(); ++id) {
        if (!layout.inMiniStream[id]) continue;
        chainRun(miniFat, layout.start[id], unitsFor(entries[id].size, kMiniSectorSize));
    }
    writeTable(out, layout.offsetOf(layout.firstMiniFat), miniFat);
}

void writeDirectory(std::span<std::uint8_t> out, const Layout& layout, const CompoundFile& original,
                    const std::vector<PlannedEntry>& entries) {
    namespace at = entry_offset;
    const std::size_t base = layout.offsetOf(layout.firstDirectory);
    const std::size_t slots =
        std::size_t{layout.directorySectors} * layout.sectorSize / kDirectoryEntrySize;
    for (std::size_t id = 0; id < slots; ++id) {
        const std::size_t e = base + id * kDirectoryEntrySize;
        if (id >= entries.size()) {
            // Unused entry: empty, with no links.
            storeU32(out, e + at::kLeft, kNoStream);
            storeU32(out, e + at::kRight, kNoStream);
            storeU32(out, e + at::kChild, kNoStream);
            continue;
        }
        const PlannedEntry& planned = entries[id];
        const DirectoryEntry& source = original.entries()[planned.originalId];
        const std::size_t units = std::min<std::size_t>(source.name.size(), kMaxNameUnits);
        for (std::size_t k = 0; k < units; ++k) {
            storeU16(out, e + at::kName + 2 * k, static_cast<std::uint16_t>(source.name[k]));
        }
        storeU16(out, e + at::kNameLength,
                 static_cast<std::uint16_t>(units == 0 ? 0 : (units + 1) * 2));
        out[e + at::kType] = static_cast<std::uint8_t>(source.type);
        out[e + at::kColor] = kColorBlack;
        storeU32(out, e + at::kLeft, planned.left);
        storeU32(out, e + at::kRight, planned.right);
        storeU32(out, e + at::kChild, planned.child);
        std::copy(source.clsid.begin(), source.clsid.end(),
                  out.begin() + static_cast<std::ptrdiff_t>(e + at::kClsid));
        storeU32(out, e + at::kStateBits, source.stateBits);
        storeU64(out, e + at::kCreated, source.created);
        storeU64(out, e + at::kModified, source.modified);
        if (source.type == EntryType::Root) {
            storeU32(out, e + at::kStartSector, layout.firstMiniStream);
            storeU64(out, e + at::kSize, std::uint64_t{layout.miniSectors} * kMiniSectorSize);
        } else if (source.type == EntryType::Stream) {
            storeU32(out, e + at::kStartSector, layout.start[id]);
            storeU64(out, e + at::kSize, planned.size);
        }
    }
}

void writeStreams(std::span<std::uint8_t> out, const Layout& layout, const CompoundFile& original,
                  const std::vector<PlannedEntry>& entries) {
    for (std::size_t id = 1; id < entries.size(); ++id) {
        const PlannedEntry& planned = entries[id];
        if (planned.size == 0) continue;
        const std::size_t offset = layout.inMiniStream[id]
                                       ? layout.offsetOf(layout.firstMiniStream) +
                                             std::size_t{layout.start[id]} * kMiniSectorSize
                                       : layout.offsetOf(layout.start[id]);
        const auto target = out.subspan(offset, static_cast<std::size_t>(planned.size));
        if (planned.replacement != nullptr) {
            std::memcpy(target.data(), planned.replacement->data(), target.size());
        } else {
            // Straight from the original into place: no second copy of a large stream.
            original.openStream(planned.originalId)->readAt(0, target);
        }
    }
}

}  // namespace

std::vector<std::uint8_t> rewriteCompoundFile(
    const CompoundFile& original,
    const std::map<std::uint32_t, std::vector<std::uint8_t>>& replacements,
    const std::set<std::uint32_t>& removals) {
    const auto entries = planDirectory(original, replacements, removals);
    const std::uint32_t sectorSize = original.sectorSize();
    const std::uint16_t majorVersion = sectorSize == 512 ? 3 : 4;
    if (majorVersion == 3) {
        for (const auto& entry : entries) {
            if (entry.size > std::numeric_limits<std::uint32_t>::max()) {
                fail(ErrorCode::WriteFailed, "a stream of 4 GB or more needs 4096-byte sectors");
            }
        }
    }
    // Every original stream must fit the file before its declared size is trusted
    // to lay out (and allocate) the new one.
    for (const auto& entry : entries) {
        if (!entry.replacement && original.entries()[entry.originalId].type == EntryType::Stream) {
            (void)original.openStream(entry.originalId);
        }
    }
    const Layout layout = planLayout(entries, sectorSize);
    std::vector<std::uint8_t> bytes((std::size_t{layout.totalSectors} + 1) * sectorSize, 0);
    const std::span<std::uint8_t> out(bytes);
    writeHeader(out, layout, majorVersion);
    writeFat(out, layout, entries);
    writeDifatSectors(out, layout);
    writeDirectory(out, layout, original, entries);
    writeMiniFat(out, layout, entries);
    writeStreams(out, layout, original, entries);
    return bytes;
}

}  // namespace xls::cfb
