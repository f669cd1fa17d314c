// OfficeArt records: the eight-byte header every drawing record starts with
// (version, instance, type, length) and a walk over a byte run that finds
// every record, containers before their children. Blind to the workbook
// records the bytes travel in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace xls::odraw {

inline constexpr std::size_t kHeaderSize = 8;
inline constexpr std::uint16_t kContainerVersion = 0xF;

// Record types the engine reads or rewrites.
enum ArtType : std::uint16_t {
    kDggContainer = 0xF000,
    kBStoreContainer = 0xF001,
    kDgContainer = 0xF002,
    kSolverContainer = 0xF005,
    kFdgg = 0xF006,
    kFbse = 0xF007,
    kFdg = 0xF008,
    kFsp = 0xF00A,
    kFopt = 0xF00B,
    kConnectorRule = 0xF012,
    kArcRule = 0xF014,
    kCalloutRule = 0xF017,
    kSelection = 0xF119,
    kSecondaryFopt = 0xF121,
    kTertiaryFopt = 0xF122,
};

struct ArtHeader {
    std::uint16_t version = 0;
    std::uint16_t instance = 0;
    std::uint16_t type = 0;
    std::uint32_t length = 0;
};

struct ArtRecord {
    ArtHeader header;
    std::size_t offset = 0;  // of its header in the bytes walked

    std::size_t body() const { return offset + kHeaderSize; }
    std::size_t end() const { return body() + header.length; }
    bool isContainer() const { return header.version == kContainerVersion; }
};

// Raises CorruptWorkbook when fewer than eight bytes are left at offset.
ArtHeader readHeader(std::span<const std::uint8_t> bytes, std::size_t offset);
void appendHeader(std::vector<std::uint8_t>& out, const ArtHeader& header);

// Every record of bytes, in order, the children of a container after it. A
// container that says it is longer than the bytes around it ends with them.
// Raises CorruptWorkbook for any other record that runs past its container.
std::vector<ArtRecord> walkArt(std::span<const std::uint8_t> bytes);
// The records of bytes at its top level only, their children stepped over;
// every one must fit.
std::vector<ArtRecord> topLevelArt(std::span<const std::uint8_t> bytes);

}  // namespace xls::odraw
