#include "cfb/compound_file_writer.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <stdexcept>
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
    std::uint32_t firstLargeStream = 0;  // where the in-memory part of the file ends
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
    layout.firstLargeStream = next;
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

void writeDirectory(std::span<std::uint8_t> out, const Layout& layout,
                    const std::vector<PlannedEntry>& entries) {
    namespace at = entry_offset;
    const std::size_t base = layout.offsetOf(layout.firstDirectory);
    const std::size_t slots =
        std::size_t{layout.directorySectors} * layout.sectorSize / kDirectoryEntrySize;
    DirectoryEntry newStream;
    newStream.type = EntryType::Stream;
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
        const DirectoryEntry& source =
            planned.file ? planned.file->entries()[planned.originalId] : newStream;
        const std::size_t units = std::min<std::size_t>(planned.name.size(), kMaxNameUnits);
        for (std::size_t k = 0; k < units; ++k) {
            storeU16(out, e + at::kName + 2 * k, static_cast<std::uint16_t>(planned.name[k]));
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

// Counts what one stream writes and refuses any byte past its planned size, so
// a source that turns out longer or shorter than planned raises instead of
// shifting every later sector of the file.
class PlannedStreamSink final : public io::ByteSink {
  public:
    PlannedStreamSink(io::ByteSink& out, std::uint64_t planned, std::uint32_t id)
        : out_(out), planned_(planned), id_(id) {}

    void write(std::span<const std::uint8_t> bytes) override {
        if (bytes.size() > planned_ - written_) mismatch(written_ + bytes.size());
        out_.write(bytes);
        written_ += bytes.size();
    }
    void finish() const {
        if (written_ != planned_) mismatch(written_);
    }

  private:
    [[noreturn]] void mismatch(std::uint64_t actual) const {
        fail(ErrorCode::WriteFailed, "stream " + std::to_string(id_) + " gave " +
                                         std::to_string(actual) + " bytes where " +
                                         std::to_string(planned_) + " were planned");
    }

    io::ByteSink& out_;
    std::uint64_t planned_;
    std::uint64_t written_ = 0;
    std::uint32_t id_;
};

// Fills a region of the in-memory part of the file (the mini stream).
class RegionSink final : public io::ByteSink {
  public:
    explicit RegionSink(std::span<std::uint8_t> region) : region_(region) {}
    void write(std::span<const std::uint8_t> bytes) override {
        if (bytes.size() > region_.size()) {
            throw std::logic_error("compound file writer: region overrun");
        }
        std::copy(bytes.begin(), bytes.end(), region_.begin());
        region_ = region_.subspan(bytes.size());
    }

  private:
    std::span<std::uint8_t> region_;
};

// Bytes the caller keeps alive, seen as a source without copying them.
class BorrowedSource final : public io::ByteSource {
  public:
    explicit BorrowedSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    void readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override {
        if (offset > bytes_.size() || out.size() > bytes_.size() - offset) {
            fail(ErrorCode::TruncatedContainer, "read past the end of a replacement stream");
        }
        std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
    }
    std::span<const std::uint8_t> view() const override { return bytes_; }

  private:
    std::span<const std::uint8_t> bytes_;
};

// Everything decided before the first byte is written.
struct WritePlan {
    std::vector<PlannedEntry> entries;
    // Per entry: the original stream, opened, when it is copied unchanged.
    std::vector<std::shared_ptr<const io::ByteSource>> originals;
    Layout layout;
    std::uint16_t majorVersion = 3;

    std::uint64_t fileSize() const {
        return (std::uint64_t{layout.totalSectors} + 1) * layout.sectorSize;
    }
};

WritePlan planWrite(const CompoundFile& original,
                    const std::map<std::uint32_t, io::ByteRope>& replacements,
                    const std::set<std::uint32_t>& removals,
                    const std::vector<Addition>& additions) {
    WritePlan plan;
    plan.entries = planDirectory(original, replacements, removals, additions);
    const std::uint32_t sectorSize = original.sectorSize();
    plan.majorVersion = sectorSize == 512 ? 3 : 4;
    if (plan.majorVersion == 3) {
        for (const auto& entry : plan.entries) {
            if (entry.size > std::numeric_limits<std::uint32_t>::max()) {
                fail(ErrorCode::WriteFailed, "a stream of 4 GB or more needs 4096-byte sectors");
            }
        }
    }
    // Every original stream must fit the file before its declared size is trusted
    // to lay out the new one: opening it checks its chain against the file.
    plan.originals.resize(plan.entries.size());
    for (std::size_t id = 0; id < plan.entries.size(); ++id) {
        const PlannedEntry& entry = plan.entries[id];
        if (!entry.replacement &&
            entry.file->entries()[entry.originalId].type == EntryType::Stream) {
            plan.originals[id] = entry.file->openStream(entry.originalId);
        }
    }
    plan.layout = planLayout(plan.entries, sectorSize);
    return plan;
}

void writeStream(const WritePlan& plan, std::size_t id, io::ByteSink& out) {
    const PlannedEntry& planned = plan.entries[id];
    PlannedStreamSink counted(out, planned.size, static_cast<std::uint32_t>(id));
    if (planned.replacement != nullptr) {
        planned.replacement->writeTo(counted);
    } else {
        io::copyRange(*plan.originals[id], 0, planned.size, counted);
    }
    counted.finish();
}

// Header, FAT, DIFAT, directory, MiniFAT and mini stream: the small part of the
// file before the first larger stream, built in memory.
std::vector<std::uint8_t> buildHead(const WritePlan& plan) {
    const Layout& layout = plan.layout;
    std::vector<std::uint8_t> head(layout.offsetOf(layout.firstLargeStream), 0);
    const std::span<std::uint8_t> out(head);
    writeHeader(out, layout, plan.majorVersion);
    writeFat(out, layout, plan.entries);
    writeDifatSectors(out, layout);
    writeDirectory(out, layout, plan.entries);
    writeMiniFat(out, layout, plan.entries);
    for (std::size_t id = 1; id < plan.entries.size(); ++id) {
        const std::uint64_t size = plan.entries[id].size;
        if (size == 0 || !layout.inMiniStream[id]) continue;
        const std::size_t offset = layout.offsetOf(layout.firstMiniStream) +
                                   std::size_t{layout.start[id]} * kMiniSectorSize;
        RegionSink region(out.subspan(offset, static_cast<std::size_t>(size)));
        writeStream(plan, id, region);
    }
    return head;
}

void writePlanned(const WritePlan& plan, io::ByteSink& out) {
    out.write(buildHead(plan));
    // The larger streams follow in entry order, each in one run of sectors.
    for (std::size_t id = 1; id < plan.entries.size(); ++id) {
        const std::uint64_t size = plan.entries[id].size;
        if (size == 0 || plan.layout.inMiniStream[id]) continue;
        writeStream(plan, id, out);
        out.writeZeros(unitsFor(size, plan.layout.sectorSize) * plan.layout.sectorSize - size);
    }
}

}  // namespace

void writeCompoundFile(const CompoundFile& original,
                       const std::map<std::uint32_t, io::ByteRope>& replacements,
                       const std::set<std::uint32_t>& removals, io::ByteSink& out) {
    writeCompoundFile(original, replacements, removals, {}, out);
}

void writeCompoundFile(const CompoundFile& original,
                       const std::map<std::uint32_t, io::ByteRope>& replacements,
                       const std::set<std::uint32_t>& removals,
                       const std::vector<Addition>& additions, io::ByteSink& out) {
    writePlanned(planWrite(original, replacements, removals, additions), out);
}

std::vector<std::uint8_t> rewriteCompoundFile(
    const CompoundFile& original,
    const std::map<std::uint32_t, std::vector<std::uint8_t>>& replacements,
    const std::set<std::uint32_t>& removals, const std::vector<Addition>& additions) {
    std::map<std::uint32_t, io::ByteRope> ropes;
    for (const auto& [id, bytes] : replacements) {
        ropes[id].append(std::make_shared<BorrowedSource>(bytes), 0, bytes.size());
    }
    const WritePlan plan = planWrite(original, ropes, removals, additions);
    io::VectorSink sink;
    sink.bytes().reserve(static_cast<std::size_t>(plan.fileSize()));
    writePlanned(plan, sink);
    return std::move(sink.bytes());
}

}  // namespace xls::cfb
