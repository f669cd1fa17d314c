#include "support/cfb_test_file.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "io/byte_source.h"
#include "support/copy_record_bytes.h"

namespace xls::cfb::testing {

namespace {

using tarnvale::testing::operator+;
using tarnvale::testing::u16s;
using tarnvale::testing::u32s;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kEnd = 0xFFFFFFFE;
constexpr std::uint32_t kFree = 0xFFFFFFFF;  // also "no entry" in the directory

std::uint32_t unitsFor(std::size_t size, std::size_t unit) {
    return static_cast<std::uint32_t>((size + unit - 1) / unit);
}

// Appends a chain of count units to a FAT or MiniFAT; its first unit.
std::uint32_t chain(std::vector<std::uint32_t>& table, std::uint32_t count) {
    const auto first = static_cast<std::uint32_t>(table.size());
    for (std::uint32_t i = 1; i <= count; ++i) table.push_back(i < count ? first + i : kEnd);
    return count == 0 ? kEnd : first;
}

// One sector's worth of a table, free past its end.
Bytes tableSector(const std::vector<std::uint32_t>& table, std::uint32_t sectorSize) {
    Bytes out;
    for (std::uint32_t i = 0; i < sectorSize / 4; ++i)
        out = out + u32s({i < table.size() ? table[i] : kFree});
    return out;
}

// A 128-byte directory entry; an unused one when type is 0, black when used.
Bytes entry(const std::u16string& name, std::uint8_t type, std::uint32_t child, std::uint32_t right,
            std::uint32_t start, std::uint32_t size) {
    Bytes out(64, 0);
    for (std::size_t k = 0; k < name.size(); ++k) {
        out[2 * k] = static_cast<std::uint8_t>(name[k]);
        out[2 * k + 1] = static_cast<std::uint8_t>(name[k] >> 8);
    }
    const auto nameSize = static_cast<std::uint32_t>(name.empty() ? 0 : (name.size() + 1) * 2);
    const std::uint32_t typeAndColour = type ? type | 0x100u : 0u;
    return out + u16s({nameSize, typeAndColour}) + u32s({kFree, right, child}) + Bytes(36, 0) +
           u32s({start, size, 0});
}

}  // namespace

void TestCompoundFile::put16(std::size_t offset, std::uint16_t value) {
    bytes.at(offset) = static_cast<std::uint8_t>(value);
    bytes.at(offset + 1) = static_cast<std::uint8_t>(value >> 8);
}

void TestCompoundFile::put32(std::size_t offset, std::uint32_t value) {
    put16(offset, static_cast<std::uint16_t>(value));
    put16(offset + 2, static_cast<std::uint16_t>(value >> 16));
}

CompoundFile openInMemory(std::vector<std::uint8_t> bytes) {
    return CompoundFile::open(std::make_shared<io::MemorySource>(std::move(bytes)));
}

std::vector<std::uint8_t> patternBytes(std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>((i * 7 + (i >> 9) * 13 + seed) & 0xFF);
    return bytes;
}

TestCompoundFile buildTestCompoundFile(const std::vector<TestStream>& streams,
                                       std::uint32_t sectorSize) {
    TestCompoundFile file;
    file.sectorSize = sectorSize;
    const auto isSmall = [](const Bytes& data) { return !data.empty() && data.size() < 4096; };

    // The directory: the root, then the streams in the order given; the root's
    // child tree links them in sorted order through right links.
    std::vector<std::uint32_t> order(streams.size());
    for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::uint32_t x, std::uint32_t y) {
        const auto& a = streams[x].name;
        const auto& b = streams[y].name;
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    const auto entryCount = static_cast<std::uint32_t>(streams.size()) + 1;
    const std::uint32_t directorySectors = unitsFor(entryCount * 128, sectorSize);

    // Sector 0 is the FAT; then the directory, the MiniFAT and mini stream, the large streams.
    std::vector<std::uint32_t> fat{0xFFFFFFFD}, miniFat;  // the FAT sector's own mark
    file.firstDirectorySector = chain(fat, directorySectors);
    Bytes miniStream;
    file.startSectors.assign(streams.size(), kEnd);
    for (std::size_t i = 0; i < streams.size(); ++i) {
        if (!isSmall(streams[i].data)) continue;
        file.startSectors[i] = chain(miniFat, unitsFor(streams[i].data.size(), 64));
        miniStream = miniStream + streams[i].data;
        miniStream.resize(miniFat.size() * 64, 0);
    }
    if (!miniStream.empty()) {
        file.miniFatSector = chain(fat, 1);
        file.miniStreamSector = chain(fat, unitsFor(miniStream.size(), sectorSize));
    }
    for (std::size_t i = 0; i < streams.size(); ++i) {
        if (streams[i].data.size() >= 4096)
            file.startSectors[i] = chain(fat, unitsFor(streams[i].data.size(), sectorSize));
    }
    if (fat.size() > sectorSize / 4 || miniFat.size() > sectorSize / 4)
        throw std::length_error("test compound file too large for one FAT sector");

    Bytes difat = u32s({0});
    for (int i = 1; i < 109; ++i) difat = difat + u32s({kFree});
    const std::uint16_t shift = sectorSize == 512 ? 9 : 12;
    file.bytes = Bytes{0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1} + Bytes(16, 0) +
                 u16s({0x3E, shift == 9 ? 3u : 4u, 0xFFFE, shift, 6}) + Bytes(6, 0) +
                 u32s({shift == 9 ? 0 : directorySectors, 1, file.firstDirectorySector, 0, 4096,
                       miniStream.empty() ? kEnd : file.miniFatSector, miniStream.empty() ? 0u : 1u,
                       kEnd, 0}) +
                 difat;
    file.bytes.resize((fat.size() + 1) * sectorSize, 0);
    const auto place = [&](std::uint32_t sector, const Bytes& data) {
        std::copy(data.begin(), data.end(),
                  file.bytes.begin() + static_cast<std::ptrdiff_t>(file.sectorOffset(sector)));
    };
    place(0, tableSector(fat, sectorSize));
    Bytes directory = entry(u"Root Entry", 5, order.empty() ? kFree : order[0] + 1, kFree,
                            miniStream.empty() ? kEnd : file.miniStreamSector,
                            static_cast<std::uint32_t>(miniStream.size()));
    for (std::size_t i = 0; i < streams.size(); ++i) {
        const auto at = std::find(order.begin(), order.end(), i) - order.begin();
        const std::uint32_t right =
            at + 1 < static_cast<std::ptrdiff_t>(order.size()) ? order[at + 1] + 1 : kFree;
        directory = directory + entry(streams[i].name, 2, kFree, right, file.startSectors[i],
                                      static_cast<std::uint32_t>(streams[i].data.size()));
    }
    // Unused entries fill the last directory sector.
    while (directory.size() < directorySectors * sectorSize)
        directory = directory + entry(u"", 0, kFree, kFree, 0, 0);
    place(file.firstDirectorySector, directory);
    if (!miniStream.empty()) {
        place(file.miniFatSector, tableSector(miniFat, sectorSize));
        place(file.miniStreamSector, miniStream);
    }
    for (std::size_t i = 0; i < streams.size(); ++i) {
        if (streams[i].data.size() >= 4096) place(file.startSectors[i], streams[i].data);
    }
    return file;
}

}  // namespace xls::cfb::testing
