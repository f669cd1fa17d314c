// Reader of compound files ([MS-CFB]): header, DIFAT, FAT, MiniFAT, mini stream
// and directory. Sectors are read on demand through a ByteSource; every sector
// number, chain and size is checked, and chains are bounded so a cycle is an
// error, never a hang. Knows nothing of spreadsheets.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cfb/damage.h"
#include "io/byte_source.h"

namespace xls::cfb {

enum class EntryType : std::uint8_t { Unknown = 0, Storage = 1, Stream = 2, Root = 5 };

inline constexpr std::uint32_t kNoStream = 0xFFFFFFFF;  // NOSTREAM in tree links

struct DirectoryEntry {
    std::u16string name;
    EntryType type = EntryType::Unknown;
    std::uint8_t color = 0;
    std::uint32_t left = kNoStream, right = kNoStream, child = kNoStream;
    std::array<std::uint8_t, 16> clsid{};
    std::uint32_t stateBits = 0;
    std::uint64_t created = 0, modified = 0;
    std::uint32_t startSector = 0;
    std::uint64_t size = 0;
};

class CompoundFile {
  public:
    // Reads the header and the directory. Raises Error: NotCompoundFile (with the
    // kind of file where it is easy to tell: ZipBasedWorkbook, WebPage, ...),
    // CorruptContainer, TruncatedContainer. With Damage::Tolerate, a FAT that
    // runs past the end of the file and streams larger than the file are let
    // be: a stream's missing sectors raise when they are read.
    static CompoundFile open(std::shared_ptr<const io::ByteSource> source,
                             Damage damage = Damage::Refuse);

    std::uint32_t sectorSize() const;
    std::uint16_t majorVersion() const;
    // Directory entries by id; id 0 is the root storage.
    const std::vector<DirectoryEntry>& entries() const;
    // Ids of the direct children of a storage, in tree (sorted) order.
    std::vector<std::uint32_t> children(std::uint32_t storageId) const;
    // A child of the storage by name, compared without regard to letter case.
    std::optional<std::uint32_t> find(std::u16string_view name, std::uint32_t storageId = 0) const;

    // A stream's bytes, read lazily sector by sector as asked for.
    std::shared_ptr<const io::ByteSource> openStream(std::uint32_t id) const;
    // A stream's bytes, all of them.
    std::vector<std::uint8_t> readStream(std::uint32_t id) const;
    // openStream and readStream raise CorruptContainer or TruncatedContainer for a
    // stream whose chain or size does not fit the file, and std::out_of_range for
    // an id that is not a stream.

    // How many FAT sectors have been read so far, and in how many reads: the FAT
    // is read as chains need it.
    std::size_t fatSectorsRead() const;
    std::size_t fatReads() const;

    // A copy shares the opened file and what has been read of it.
    CompoundFile(const CompoundFile&);
    CompoundFile& operator=(const CompoundFile&);
    CompoundFile(CompoundFile&&) noexcept;
    CompoundFile& operator=(CompoundFile&&) noexcept;
    ~CompoundFile();

  private:
    struct Impl;
    explicit CompoundFile(std::shared_ptr<Impl> impl);
    std::shared_ptr<Impl> impl_;
};

}  // namespace xls::cfb
