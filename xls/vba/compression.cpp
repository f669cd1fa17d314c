#include "vba/compression.h"

#include <algorithm>
#include <array>
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

struct Match {
    std::size_t length = 0;
    std::size_t offset = 0;
};

// The earlier places of a chunk where the same three bytes begin, nearest
// first: a chain per three-byte key, as deflate keeps them.
class MatchChains {
  public:
    explicit MatchChains(std::span<const std::uint8_t> chunk)
        : chunk_(chunk), previous_(chunk.size(), kNone) {
        heads_.fill(kNone);
    }

    // Adds the places before at that are not in yet.
    void addUpTo(std::size_t at) {
        for (; added_ < at; ++added_) {
            if (added_ + 3 > chunk_.size()) continue;
            std::uint16_t& head = heads_[key(added_)];
            previous_[added_] = head;
            head = static_cast<std::uint16_t>(added_);
        }
    }
    std::uint16_t first(std::size_t at) const {
        return at + 3 > chunk_.size() ? kNone : heads_[key(at)];
    }
    std::uint16_t next(std::uint16_t place) const { return previous_[place]; }

    static constexpr std::uint16_t kNone = 0xFFFF;

  private:
    std::size_t key(std::size_t at) const {
        return (chunk_[at] << 4 ^ chunk_[at + 1] << 2 ^ chunk_[at + 2]) & (kKeys - 1);
    }
    static constexpr std::size_t kKeys = 4096;
    std::span<const std::uint8_t> chunk_;
    std::array<std::uint16_t, kKeys> heads_{};
    std::vector<std::uint16_t> previous_;
    std::size_t added_ = 0;
};

// How many earlier places a match is looked for at, nearest first: past
// that, a longer match is rare and the time grows with the square of the chunk.
constexpr unsigned kMaxCandidates = 256;

// The longest match for the bytes at `at` among the earlier bytes of its
// chunk, capped at what a copy token can say, the nearest of equal ones;
// length 0 when under three.
Match longestMatch(std::span<const std::uint8_t> chunk, MatchChains& chains, std::size_t at) {
    const std::size_t maxLength = (0xFFFFu >> offsetBits(at)) + 3u;
    chains.addUpTo(at);
    Match best;
    unsigned tried = 0;
    for (std::uint16_t candidate = chains.first(at);
         candidate != MatchChains::kNone && tried < kMaxCandidates && best.length < maxLength;
         candidate = chains.next(candidate), ++tried) {
        std::size_t length = 0;
        while (length < maxLength && at + length < chunk.size() &&
               chunk[candidate + length] == chunk[at + length])
            ++length;
        if (length > best.length) best = {length, at - candidate};
    }
    return best.length < 3 ? Match{} : best;
}

// The tokens of one chunk: flag bytes, each for the eight literals or copy
// tokens after it.
std::vector<std::uint8_t> compressChunk(std::span<const std::uint8_t> chunk) {
    std::vector<std::uint8_t> out;
    MatchChains chains(chunk);
    std::size_t at = 0;
    while (at < chunk.size()) {
        const std::size_t flagAt = out.size();
        out.push_back(0);
        for (unsigned token = 0; token < 8 && at < chunk.size(); ++token) {
            const Match match = longestMatch(chunk, chains, at);
            if (match.length == 0) {
                out.push_back(chunk[at++]);
                continue;
            }
            const unsigned bits = offsetBits(at);
            const auto copy =
                static_cast<std::uint16_t>((match.offset - 1) << (16 - bits) | (match.length - 3));
            out.push_back(static_cast<std::uint8_t>(copy));
            out.push_back(static_cast<std::uint8_t>(copy >> 8));
            out[flagAt] = static_cast<std::uint8_t>(out[flagAt] | 1u << token);
            at += match.length;
        }
    }
    return out;
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

std::vector<std::uint8_t> compressContainer(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> out{kContainerSignature};
    for (std::size_t start = 0; start < bytes.size(); start += kChunkMax) {
        const auto chunk = bytes.subspan(start, std::min(kChunkMax, bytes.size() - start));
        const std::vector<std::uint8_t> tokens = compressChunk(chunk);
        const bool compressed = tokens.size() <= kChunkMax;
        const std::size_t size = compressed ? tokens.size() : kChunkMax;
        // The size field counts the chunk with its two-byte header, less three.
        const auto header = static_cast<std::uint16_t>((size - 1) | kChunkSignature << 12 |
                                                       (compressed ? 0x8000u : 0u));
        out.push_back(static_cast<std::uint8_t>(header));
        out.push_back(static_cast<std::uint8_t>(header >> 8));
        if (compressed) {
            out.insert(out.end(), tokens.begin(), tokens.end());
        } else {
            out.insert(out.end(), chunk.begin(), chunk.end());
            out.resize(out.size() + (kChunkMax - chunk.size()), 0);
        }
    }
    return out;
}

}  // namespace xls::vba
