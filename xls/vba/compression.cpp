#include "vba/compression.h"

#include <algorithm>
#include <string>

#include "xls/error.h"

namespace xls::vba {

namespace {

constexpr std::uint8_t kContainerSignature = 0x01;
constexpr std::uint16_t kChunkSignature = 0b011;
constexpr std::size_t kChunkMax = 4096;

[[noreturn]] void corrupt(const char* what) {
    fail(ErrorCode::CorruptWorkbook, std::string("VBA compressed container: ") + what);
}

// The bits a copy token gives its offset grow with the bytes already out in
// the chunk, from 4 up to 12; the rest hold the length.
unsigned offsetBits(std::size_t decompressedInChunk) {
    unsigned bits = 4;
    while (bits < 12 && (std::size_t{1} << bits) < decompressedInChunk) ++bits;
    return bits;
}

void decompressChunk(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& out,
                     std::size_t maxSize) {
    const std::size_t chunkStart = out.size();
    std::size_t at = 0;
    while (at < data.size()) {
        const std::uint8_t flags = data[at++];
        for (unsigned token = 0; token < 8 && at < data.size(); ++token) {
            if ((flags >> token & 1) == 0) {
                out.push_back(data[at++]);
            } else {
                if (at + 2 > data.size()) corrupt("a copy token is cut off");
                const auto copy = static_cast<std::uint16_t>(data[at] | data[at + 1] << 8);
                at += 2;
                const unsigned bits = offsetBits(out.size() - chunkStart);
                const std::size_t length = (copy & (0xFFFFu >> bits)) + 3u;
                const std::size_t offset = (copy >> (16 - bits)) + 1u;
                if (offset > out.size() - chunkStart)
                    corrupt("a copy token reaches before its chunk");
                for (std::size_t i = 0; i < length; ++i) out.push_back(out[out.size() - offset]);
            }
            if (out.size() - chunkStart > kChunkMax || out.size() > maxSize)
                corrupt("more bytes than a chunk or the stream may hold");
        }
    }
}

}  // namespace

std::vector<std::uint8_t> decompressContainer(std::span<const std::uint8_t> container,
                                              std::size_t maxSize) {
    if (container.empty() || container[0] != kContainerSignature) corrupt("bad signature");
    std::vector<std::uint8_t> out;
    std::size_t at = 1;
    while (at < container.size()) {
        if (at + 2 > container.size()) corrupt("a chunk header is cut off");
        const auto header = static_cast<std::uint16_t>(container[at] | container[at + 1] << 8);
        if ((header >> 12 & 0b111) != kChunkSignature) corrupt("bad chunk signature");
        const bool compressed = (header & 0x8000) != 0;
        // The size counts the header; the last chunk may end with the stream.
        const std::size_t size = std::size_t{header & 0x0FFFu} + 3;
        const std::size_t end = std::min(at + size, container.size());
        const auto data = container.subspan(at + 2, end - (at + 2));
        if (compressed) {
            decompressChunk(data, out, maxSize);
        } else {
            if (data.size() < kChunkMax) corrupt("a raw chunk is cut off");
            out.insert(out.end(), data.begin(), data.begin() + kChunkMax);
            if (out.size() > maxSize) corrupt("more bytes than the stream may hold");
        }
        at = end;
    }
    return out;
}

}  // namespace xls::vba
