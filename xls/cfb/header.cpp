#include "cfb/header.h"

#include <string>

#include "cfb/cfb_format.h"
#include "io/byte_reader.h"
#include "xls/error.h"

namespace xls::cfb {

Header parseHeader(std::span<const std::uint8_t> first512) {
    namespace at = header_offset;
    io::ByteReader reader(first512, ErrorCode::TruncatedContainer, "header");
    Header header;
    reader.seek(at::kMinorVersion);
    header.minorVersion = reader.u16();
    header.majorVersion = reader.u16();
    const std::uint16_t byteOrder = reader.u16();
    if (byteOrder != kByteOrderMark && byteOrder != kByteOrderMarkSap) {
        fail(ErrorCode::CorruptContainer, "header: byte order mark " + std::to_string(byteOrder));
    }
    const std::uint16_t sectorShift = reader.u16();
    if (sectorShift != kSectorShiftV3 && sectorShift != kSectorShiftV4) {
        fail(ErrorCode::CorruptContainer, "header: sector shift " + std::to_string(sectorShift));
    }
    if (header.majorVersion != 3 && header.majorVersion != 4) {
        fail(ErrorCode::CorruptContainer,
             "header: major version " + std::to_string(header.majorVersion));
    }
    header.sectorSize = 1u << sectorShift;
    const std::uint16_t miniShift = reader.u16();
    if (miniShift != kMiniSectorShift) {
        fail(ErrorCode::CorruptContainer, "header: mini sector shift " + std::to_string(miniShift));
    }
    reader.seek(at::kDirectorySectorCount);
    header.directorySectorCount = reader.u32();
    header.fatSectorCount = reader.u32();
    header.firstDirectorySector = reader.u32();
    reader.u32();  // transaction signature: unused
    const std::uint32_t cutoff = reader.u32();
    if (cutoff != kMiniStreamCutoff) {
        fail(ErrorCode::CorruptContainer, "header: mini stream cutoff " + std::to_string(cutoff));
    }
    header.firstMiniFatSector = reader.u32();
    header.miniFatSectorCount = reader.u32();
    header.firstDifatSector = reader.u32();
    header.difatSectorCount = reader.u32();
    header.headerDifat.reserve(kHeaderDifatCount);
    for (std::uint32_t i = 0; i < kHeaderDifatCount; ++i)
        header.headerDifat.push_back(reader.u32());
    return header;
}

}  // namespace xls::cfb
