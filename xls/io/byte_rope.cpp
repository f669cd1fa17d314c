#include "io/byte_rope.h"

#include <algorithm>
#include <string>

#include "xls/error.h"

namespace xls::io {

void ByteSink::writeZeros(std::uint64_t count) {
    static constexpr std::uint8_t kZeros[4096] = {};
    while (count > 0) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, sizeof kZeros));
        write(std::span(kZeros, n));
        count -= n;
    }
}

void VectorSink::write(std::span<const std::uint8_t> bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
}

void copyRange(const ByteSource& source, std::uint64_t offset, std::uint64_t size, ByteSink& sink) {
    if (const auto whole = source.view(); whole.data() != nullptr) {
        if (offset > whole.size() || size > whole.size() - offset)
            fail(ErrorCode::TruncatedContainer,
                 std::to_string(size) + " bytes wanted at offset " + std::to_string(offset));
        sink.write(whole.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(size)));
        return;
    }
    std::vector<std::uint8_t> chunk(
        static_cast<std::size_t>(std::min<std::uint64_t>(size, kCopyChunk)));
    while (size > 0) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(size, chunk.size()));
        const std::span<std::uint8_t> part(chunk.data(), n);
        source.readAt(offset, part);
        sink.write(part);
        offset += n;
        size -= n;
    }
}

void ByteRope::append(std::vector<std::uint8_t> bytes) {
    if (bytes.empty()) return;
    const std::uint64_t n = bytes.size();
    pieces_.push_back({std::make_shared<MemorySource>(std::move(bytes)), 0, n});
    size_ += n;
}

void ByteRope::append(std::shared_ptr<const ByteSource> source, std::uint64_t offset,
                      std::uint64_t size) {
    if (offset > source->size() || size > source->size() - offset)
        fail(ErrorCode::TruncatedContainer, std::to_string(size) + " bytes wanted at offset " +
                                                std::to_string(offset) + " of a " +
                                                std::to_string(source->size()) + "-byte stream");
    if (size == 0) return;
    // A range that continues the previous one is read in the same copy.
    if (!pieces_.empty() && pieces_.back().source == source &&
        pieces_.back().offset + pieces_.back().size == offset) {
        pieces_.back().size += size;
    } else {
        pieces_.push_back({std::move(source), offset, size});
    }
    size_ += size;
}

void ByteRope::writeTo(ByteSink& sink) const {
    for (const Piece& p : pieces_) copyRange(*p.source, p.offset, p.size, sink);
}

std::vector<std::uint8_t> ByteRope::toVector() const {
    VectorSink sink;
    sink.bytes().reserve(static_cast<std::size_t>(size_));
    writeTo(sink);
    return std::move(sink.bytes());
}

}  // namespace xls::io
