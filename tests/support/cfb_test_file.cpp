#include "support/cfb_test_file.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "io/byte_source.h"

namespace xls::cfb::testing {

namespace {

constexpr std::uint32_t kEnd = 0xFFFFFFFE;
constexpr std::uint32_t kFree = 0xFFFFFFFF;
constexpr std::uint32_t kFatMark = 0xFFFFFFFD;
constexpr std::uint32_t kNone = 0xFFFFFFFF;

std::uint32_t unitsFor(std::size_t size, std::size_t unit) {
    return static_cast<std::uint32_t>((size + unit - 1) / unit);
}

}  // namespace

void TestCompoundFile::put16(std::size_t offset, std::uint16_t value) {
    bytes.at(offset) = static_cast<std::uint8_t>(value);
    bytes.at(offset + 1) = static_cast<std::uint8_t>(value >> 8);
}

void TestCompoundFile::put32(std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i)
        bytes.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

CompoundFile openInMemory(std::vector<std::uint8_t> bytes) {
    return CompoundFile::open(std::make_shared<io::MemorySource>(std::move(bytes)));
}

std::vector<std::uint8_t> patternBytes(std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>((i * 7 + (i >> 9) * 13 + seed) & 0xFF);
    }
    return bytes;
}

TestCompoundFile buildTestCompoundFile(const std::vector<TestStream>& streams,
                                       std::uint32_t sectorSize) {
    TestCompoundFile file;
    file.sectorSize = sectorSize;
    const std::uint32_t perSector = sectorSize / 4;

    std::vector<std::uint32_t> sectorChains;  // FAT, built as sectors are placed
    auto placeChain = [&](std::uint32_t count) {
        const auto first = static_cast<std::uint32_t>(sectorChains.size());
        for (std::uint32_t i = 0; i < count; ++i) {
            sectorChains.push_back(i + 1 < count ? first + i + 1 : kEnd);
        }
        return count == 0 ? kEnd : first;
    };
    sectorChains.push_back(kFatMark);
    const std::uint32_t entryCount = static_cast<std::uint32_t>(streams.size()) + 1;
    file.firstDirectorySector = placeChain(unitsFor(entryCount * 128, sectorSize));

    std::vector<std::uint8_t> miniStream;
    std::vector<std::uint32_t> miniFat;
    file.startSectors.assign(streams.size(), kEnd);
    for (std::size_t i = 0; i < streams.size(); ++i) {
        const auto& data = streams[i].data;
        if (data.empty() || data.size() >= 4096) continue;
        const std::uint32_t count = unitsFor(data.size(), 64);
        const auto first = static_cast<std::uint32_t>(miniFat.size());
        for (std::uint32_t k = 0; k < count; ++k)
            miniFat.push_back(k + 1 < count ? first + k + 1 : kEnd);
        file.startSectors[i] = first;
        miniStream.insert(miniStream.end(), data.begin(), data.end());
        miniStream.resize(miniFat.size() * 64, 0);
    }
    if (!miniStream.empty()) {
        file.miniFatSector = placeChain(1);
        file.miniStreamSector = placeChain(unitsFor(miniStream.size(), sectorSize));
    }
    for (std::size_t i = 0; i < streams.size(); ++i) {
        if (streams[i].data.size() >= 4096) {
            file.startSectors[i] = placeChain(unitsFor(streams[i].data.size(), sectorSize));
        }
    }
    if (sectorChains.size() > perSector || miniFat.size() > perSector) {
        throw std::length_error("test compound file too large for one FAT sector");
    }

    file.bytes.assign((sectorChains.size() + 1) * sectorSize, 0);
    auto& b = file.bytes;
    const std::uint8_t signature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::copy(std::begin(signature), std::end(signature), b.begin());
    file.put16(0x18, 0x3E);
    file.put16(0x1A, sectorSize == 512 ? 3 : 4);
    file.put16(0x1C, 0xFFFE);
    file.put16(0x1E, sectorSize == 512 ? 9 : 12);
    file.put16(0x20, 6);
    if (sectorSize == 4096) file.put32(0x28, unitsFor(entryCount * 128, sectorSize));
    file.put32(0x2C, 1);
    file.put32(0x30, file.firstDirectorySector);
    file.put32(0x38, 4096);
    file.put32(0x3C, miniStream.empty() ? kEnd : file.miniFatSector);
    file.put32(0x40, miniStream.empty() ? 0 : 1);
    file.put32(0x44, kEnd);
    file.put32(0x48, 0);
    for (std::uint32_t i = 0; i < 109; ++i) file.put32(0x4C + 4 * i, i == 0 ? 0 : kFree);

    for (std::uint32_t s = 0; s < perSector; ++s) {
        file.put32(file.fatEntryOffset(s), s < sectorChains.size() ? sectorChains[s] : kFree);
    }
    if (!miniStream.empty()) {
        for (std::uint32_t s = 0; s < perSector; ++s) {
            file.put32(file.miniFatEntryOffset(s), s < miniFat.size() ? miniFat[s] : kFree);
        }
        std::copy(
            miniStream.begin(), miniStream.end(),
            b.begin() + static_cast<std::ptrdiff_t>(file.sectorOffset(file.miniStreamSector)));
    }
    for (std::size_t i = 0; i < streams.size(); ++i) {
        if (streams[i].data.size() >= 4096) {
            std::copy(
                streams[i].data.begin(), streams[i].data.end(),
                b.begin() + static_cast<std::ptrdiff_t>(file.sectorOffset(file.startSectors[i])));
        }
    }

    // Directory: the root, then the streams in the order given; the root's
    // child tree links them in sorted order through right links.
    std::vector<std::uint32_t> order(streams.size());
    for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::uint32_t x, std::uint32_t y) {
        const auto& a = streams[x].name;
        const auto& c = streams[y].name;
        if (a.size() != c.size()) return a.size() < c.size();
        return a < c;
    });
    auto writeEntry = [&](std::uint32_t id, const std::u16string& name, std::uint8_t type,
                          std::uint32_t child, std::uint32_t right, std::uint32_t start,
                          std::uint32_t size) {
        const std::size_t at = file.entryOffset(id);
        for (std::size_t k = 0; k < name.size(); ++k) file.put16(at + 2 * k, name[k]);
        file.put16(at + 64, static_cast<std::uint16_t>((name.size() + 1) * 2));
        b[at + 66] = type;
        b[at + 67] = 1;
        file.put32(at + 68, kNone);
        file.put32(at + 72, right);
        file.put32(at + 76, child);
        file.put32(at + 116, start);
        file.put32(at + 120, size);
    };
    writeEntry(0, u"Root Entry", 5, order.empty() ? kNone : order[0] + 1, kNone,
               miniStream.empty() ? kEnd : file.miniStreamSector,
               static_cast<std::uint32_t>(miniStream.size()));
    for (std::size_t k = 0; k < order.size(); ++k) {
        const std::uint32_t i = order[k];
        const std::uint32_t right = k + 1 < order.size() ? order[k + 1] + 1 : kNone;
        writeEntry(i + 1, streams[i].name, 2, kNone, right, file.startSectors[i],
                   static_cast<std::uint32_t>(streams[i].data.size()));
    }
    // Unused entries in the last directory sector.
    for (std::uint32_t id = entryCount;
         id < unitsFor(entryCount * 128, sectorSize) * sectorSize / 128; ++id) {
        const std::size_t at = file.entryOffset(id);
        file.put32(at + 68, kNone);
        file.put32(at + 72, kNone);
        file.put32(at + 76, kNone);
    }
    return file;
}

}  // namespace xls::cfb::testing
