#include "cfb/compound_file.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "cfb/cfb_format.h"
#include "cfb/directory.h"
#include "cfb/entry_name.h"
#include "cfb/header.h"
#include "cfb/sector_chain.h"
#include "cfb/sector_table.h"
#include "cfb/stream_source.h"
#include "io/checked_math.h"
#include "io/file_kind.h"
#include "xls/error.h"

namespace xls::cfb {

struct CompoundFile::Impl {
    std::shared_ptr<const io::ByteSource> source;
    Damage damage = Damage::Refuse;
    Header header;
    std::shared_ptr<FatTable> fat;
    std::vector<DirectoryEntry> entries;
    std::vector<std::vector<std::uint32_t>> children;
    // Read when a stream in the mini stream is first opened.
    mutable std::shared_ptr<const io::ByteSource> miniStream;
    mutable std::shared_ptr<const MiniFatTable> miniFat;

    void loadMiniStream() const;
    std::vector<std::uint8_t> readChainWhole(std::uint32_t start, const char* what,
                                             std::uint8_t pad) const;
};

namespace {

void checkSignature(const io::ByteSource& source) {
    const std::uint64_t size = source.size();
    if (size == 0) fail(ErrorCode::EmptyFile);
    std::vector<std::uint8_t> head(
        static_cast<std::size_t>(std::min<std::uint64_t>(size, io::kFileKindProbeSize)));
    source.readAt(0, head);
    const std::size_t compared = std::min(head.size(), kSignature.size());
    if (!std::equal(kSignature.begin(), kSignature.begin() + static_cast<std::ptrdiff_t>(compared),
                    head.begin())) {
        fail(io::classifyNonCompoundFile(head));
    }
    if (size < kHeaderSize) {
        fail(ErrorCode::TruncatedContainer,
             "header: the file holds only " + std::to_string(size) + " bytes");
    }
}

}  // namespace

std::vector<std::uint8_t> CompoundFile::Impl::readChainWhole(std::uint32_t start, const char* what,
                                                             std::uint8_t pad) const {
    SectorChain chain(fat, start, what);
    const auto sectors = chain.all();
    const std::uint32_t sectorSize = header.sectorSize;
    std::vector<std::uint8_t> bytes(sectors.size() * sectorSize);
    // Sectors that lie next to each other in the file come in one read.
    for (std::size_t i = 0, run = 1; i < sectors.size(); i += run) {
        run = 1;
        while (i + run < sectors.size() && sectors[i + run] == sectors[i] + run) ++run;
        readRegularSectors(*source, sectors[i], sectorSize,
                           std::span(bytes).subspan(i * sectorSize, run * sectorSize), pad);
    }
    return bytes;
}

void CompoundFile::Impl::loadMiniStream() const {
    if (miniFat) return;
    const DirectoryEntry& root = entries[0];
    auto stream = std::make_shared<StreamSource>(source, header.sectorSize, header.sectorSize, fat,
                                                 root.startSector, root.size, "mini stream");
    std::vector<std::uint8_t> table =
        header.firstMiniFatSector == kEndOfChain
            ? std::vector<std::uint8_t>{}
            : readChainWhole(header.firstMiniFatSector, "MiniFAT", 0xFF);
    std::vector<std::uint32_t> nexts = tableEntries(table);
    const auto miniSectors = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(io::unitsFor(root.size, kMiniSectorSize), kMaxRegularSector));
    miniStream = std::move(stream);
    miniFat = std::make_shared<MiniFatTable>(std::move(nexts), miniSectors);
}

CompoundFile CompoundFile::open(std::shared_ptr<const io::ByteSource> source, Damage damage) {
    checkSignature(*source);
    auto impl = std::make_shared<Impl>();
    impl->source = source;
    impl->damage = damage;
    std::vector<std::uint8_t> first(kHeaderSize);
    source->readAt(0, first);
    impl->header = parseHeader(first);
    const std::uint32_t sectorSize = impl->header.sectorSize;
    if (source->size() < sectorSize) {
        fail(ErrorCode::TruncatedContainer, "header: a " + std::to_string(sectorSize) +
                                                "-byte header sector in a " +
                                                std::to_string(source->size()) + "-byte file");
    }
    impl->fat = std::make_shared<FatTable>(source, impl->header, damage);

    const auto directory = impl->readChainWhole(impl->header.firstDirectorySector, "directory", 0);
    impl->entries = parseDirectory(directory, impl->header.majorVersion);
    impl->children = buildChildLists(impl->entries);

    const std::uint64_t capacity =
        static_cast<std::uint64_t>(impl->fat->sectorCount()) * sectorSize;
    if (impl->entries[0].size > capacity && damage == Damage::Refuse) {
        fail(ErrorCode::TruncatedContainer, "mini stream of " +
                                                std::to_string(impl->entries[0].size) +
                                                " bytes is larger than the file");
    }
    return CompoundFile(std::move(impl));
}

CompoundFile::CompoundFile(std::shared_ptr<Impl> impl) : impl_(std::move(impl)) {}
CompoundFile::CompoundFile(const CompoundFile&) = default;
CompoundFile& CompoundFile::operator=(const CompoundFile&) = default;
CompoundFile::CompoundFile(CompoundFile&&) noexcept = default;
CompoundFile& CompoundFile::operator=(CompoundFile&&) noexcept = default;
CompoundFile::~CompoundFile() = default;

std::uint32_t CompoundFile::sectorSize() const {
    return impl_->header.sectorSize;
}
std::uint16_t CompoundFile::majorVersion() const {
    return impl_->header.majorVersion;
}
const std::vector<DirectoryEntry>& CompoundFile::entries() const {
    return impl_->entries;
}

std::vector<std::uint32_t> CompoundFile::children(std::uint32_t storageId) const {
    if (storageId >= impl_->children.size()) {
        throw std::out_of_range("CompoundFile::children: no entry " + std::to_string(storageId));
    }
    return impl_->children[storageId];
}

std::optional<std::uint32_t> CompoundFile::find(std::u16string_view name,
                                                std::uint32_t storageId) const {
    if (storageId >= impl_->children.size()) return std::nullopt;
    for (std::uint32_t id : impl_->children[storageId]) {
        if (namesEqual(impl_->entries[id].name, name)) return id;
    }
    return std::nullopt;
}

std::shared_ptr<const io::ByteSource> CompoundFile::openStream(std::uint32_t id) const {
    if (id >= impl_->entries.size() || impl_->entries[id].type != EntryType::Stream) {
        throw std::out_of_range("CompoundFile::openStream: entry " + std::to_string(id) +
                                " is not a stream");
    }
    const DirectoryEntry& entry = impl_->entries[id];
    if (entry.size < kMiniStreamCutoff) {
        impl_->loadMiniStream();
        const std::uint64_t capacity =
            static_cast<std::uint64_t>(impl_->miniFat->sectorCount()) * kMiniSectorSize;
        if (entry.size > impl_->entries[0].size || entry.size > capacity) {
            fail(ErrorCode::CorruptContainer, "stream of " + std::to_string(entry.size) +
                                                  " bytes is larger than the mini stream");
        }
        return std::make_shared<StreamSource>(impl_->miniStream, 0, kMiniSectorSize, impl_->miniFat,
                                              entry.startSector, entry.size,
                                              "stream in the mini stream");
    }
    const std::uint32_t sectorSize = impl_->header.sectorSize;
    // The FAT can claim more sectors than the file holds (FAT sectors listed twice),
    // so the file's own size bounds the stream too.
    const bool fits = io::unitsFor(entry.size, sectorSize) <= impl_->fat->sectorCount() &&
                      entry.size <= impl_->source->size();
    if (!fits && impl_->damage == Damage::Refuse) {
        fail(ErrorCode::TruncatedContainer,
             "stream of " + std::to_string(entry.size) + " bytes is larger than the file");
    }
    return std::make_shared<StreamSource>(impl_->source, sectorSize, sectorSize, impl_->fat,
                                          entry.startSector, entry.size, "stream");
}

std::vector<std::uint8_t> CompoundFile::readStream(std::uint32_t id) const {
    auto stream = openStream(id);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(stream->size()));
    stream->readAt(0, bytes);
    return bytes;
}

std::size_t CompoundFile::fatSectorsRead() const {
    return impl_->fat->loadedFatSectors();
}

std::size_t CompoundFile::fatReads() const {
    return impl_->fat->fatReads();
}

}  // namespace xls::cfb
