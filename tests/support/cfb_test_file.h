// Builds tiny compound files in memory for the container tests, with a fixed
// layout so a test can damage one field and know what it damaged:
//   sector 0: the one FAT sector; then the directory; then the MiniFAT (one
//   sector) and the mini stream, if any stream is under 4096 bytes; then each
//   larger stream in consecutive sectors.
// Streams sit directly under the root, linked as a right-leaning sorted tree.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cfb/compound_file.h"

namespace xls::cfb::testing {

struct TestStream {
    std::u16string name;
    std::vector<std::uint8_t> data;
};

struct TestCompoundFile {
    std::vector<std::uint8_t> bytes;
    std::uint32_t sectorSize = 512;
    std::vector<std::uint32_t> startSectors;  // per stream, in the order given
    std::uint32_t firstDirectorySector = 1;
    std::uint32_t miniFatSector = 0;  // 0 when there is no mini stream
    std::uint32_t miniStreamSector = 0;

    std::size_t sectorOffset(std::uint32_t sector) const { return (sector + 1ull) * sectorSize; }
    std::size_t fatEntryOffset(std::uint32_t sector) const {
        return sectorOffset(0) + 4ull * sector;
    }
    std::size_t miniFatEntryOffset(std::uint32_t miniSector) const {
        return sectorOffset(miniFatSector) + 4ull * miniSector;
    }
    // Directory entry id: 0 is the root, stream i is entry i + 1.
    std::size_t entryOffset(std::uint32_t id) const {
        return sectorOffset(firstDirectorySector) + 128ull * id;
    }
    void put16(std::size_t offset, std::uint16_t value);
    void put32(std::size_t offset, std::uint32_t value);
};

TestCompoundFile buildTestCompoundFile(const std::vector<TestStream>& streams,
                                       std::uint32_t sectorSize = 512);

// Opens compound-file bytes held in memory.
CompoundFile openInMemory(std::vector<std::uint8_t> bytes);

// size bytes of a pattern that differs from sector to sector.
std::vector<std::uint8_t> patternBytes(std::size_t size, std::uint8_t seed = 1);

}  // namespace xls::cfb::testing
