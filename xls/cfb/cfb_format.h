// Fixed facts of the compound-file layout ([MS-CFB] 2.1-2.6) shared by the
// reader and the writer.
#pragma once

#include <array>
#include <cstdint>

namespace xls::cfb {

inline constexpr std::array<std::uint8_t, 8> kSignature = {0xD0, 0xCF, 0x11, 0xE0,
                                                           0xA1, 0xB1, 0x1A, 0xE1};

// Special sector numbers ([MS-CFB] 2.1).
inline constexpr std::uint32_t kMaxRegularSector = 0xFFFFFFFA;  // MAXREGSECT
inline constexpr std::uint32_t kDifatSector = 0xFFFFFFFC;       // DIFSECT
inline constexpr std::uint32_t kFatSector = 0xFFFFFFFD;         // FATSECT
inline constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;        // ENDOFCHAIN
inline constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;        // FREESECT

inline constexpr std::uint32_t kHeaderSize = 512;  // the header's own fields
inline constexpr std::uint32_t kHeaderDifatCount = 109;
inline constexpr std::uint32_t kDirectoryEntrySize = 128;
inline constexpr std::uint32_t kMiniSectorSize = 64;
inline constexpr std::uint32_t kMiniStreamCutoff = 4096;
inline constexpr std::uint16_t kByteOrderMark = 0xFFFE;
inline constexpr std::uint16_t kByteOrderMarkSap = 0xFFFF;  // written by some SAP exports
inline constexpr std::uint16_t kMinorVersion = 0x003E;
inline constexpr std::uint16_t kSectorShiftV3 = 9;
inline constexpr std::uint16_t kSectorShiftV4 = 12;
inline constexpr std::uint16_t kMiniSectorShift = 6;
inline constexpr std::uint32_t kMaxNameUnits = 31;  // UTF-16 units, terminator not counted

// Byte offsets of the header fields ([MS-CFB] 2.2).
namespace header_offset {
inline constexpr std::size_t kMinorVersion = 0x18;
inline constexpr std::size_t kMajorVersion = 0x1A;
inline constexpr std::size_t kByteOrder = 0x1C;
inline constexpr std::size_t kSectorShift = 0x1E;
inline constexpr std::size_t kMiniSectorShift = 0x20;
inline constexpr std::size_t kDirectorySectorCount = 0x28;
inline constexpr std::size_t kFatSectorCount = 0x2C;
inline constexpr std::size_t kFirstDirectorySector = 0x30;
inline constexpr std::size_t kTransactionSignature = 0x34;
inline constexpr std::size_t kMiniStreamCutoff = 0x38;
inline constexpr std::size_t kFirstMiniFatSector = 0x3C;
inline constexpr std::size_t kMiniFatSectorCount = 0x40;
inline constexpr std::size_t kFirstDifatSector = 0x44;
inline constexpr std::size_t kDifatSectorCount = 0x48;
inline constexpr std::size_t kDifat = 0x4C;
}  // namespace header_offset

// Byte offsets inside a 128-byte directory entry ([MS-CFB] 2.6.1).
namespace entry_offset {
inline constexpr std::size_t kName = 0;
inline constexpr std::size_t kNameLength = 64;
inline constexpr std::size_t kType = 66;
inline constexpr std::size_t kColor = 67;
inline constexpr std::size_t kLeft = 68;
inline constexpr std::size_t kRight = 72;
inline constexpr std::size_t kChild = 76;
inline constexpr std::size_t kClsid = 80;
inline constexpr std::size_t kStateBits = 96;
inline constexpr std::size_t kCreated = 100;
inline constexpr std::size_t kModified = 108;
inline constexpr std::size_t kStartSector = 116;
inline constexpr std::size_t kSize = 120;
}  // namespace entry_offset

inline constexpr std::uint8_t kColorBlack = 1;

}  // namespace xls::cfb
