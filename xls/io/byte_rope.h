// A byte sequence made of pieces: buffers it owns and ranges of byte sources
// (a stored stream, say) read only when the sequence is written out. Saving a
// workbook builds its new streams this way, so the cell data an edit leaves
// alone goes from the original file to the new one in large reads, never held
// whole in memory.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "io/byte_source.h"

namespace xls::io {

// Where written bytes go: a file being saved, or memory.
class ByteSink {
  public:
    virtual ~ByteSink() = default;
    virtual void write(std::span<const std::uint8_t> bytes) = 0;
    // Writes count zero bytes (sector padding).
    void writeZeros(std::uint64_t count);
};

class VectorSink final : public ByteSink {
  public:
    void write(std::span<const std::uint8_t> bytes) override;
    std::vector<std::uint8_t>& bytes() { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
};

// Copies size bytes of source from offset into sink, in reads of at most
// kCopyChunk bytes.
inline constexpr std::size_t kCopyChunk = std::size_t{1} << 20;
void copyRange(const ByteSource& source, std::uint64_t offset, std::uint64_t size, ByteSink& sink);

class ByteRope {
  public:
    ByteRope() = default;
    // One owned piece.
    explicit ByteRope(std::vector<std::uint8_t> bytes) { append(std::move(bytes)); }

    void append(std::vector<std::uint8_t> bytes);
    // size bytes of source from offset, read when written. Raises
    // Error(TruncatedContainer) when the range is not inside the source.
    void append(std::shared_ptr<const ByteSource> source, std::uint64_t offset, std::uint64_t size);

    std::uint64_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    // Writes every piece in order. Raises what reading a source raises.
    void writeTo(ByteSink& sink) const;
    std::vector<std::uint8_t> toVector() const;

  private:
    struct Piece {
        std::shared_ptr<const ByteSource> source;
        std::uint64_t offset = 0;
        std::uint64_t size = 0;
    };
    std::vector<Piece> pieces_;
    std::uint64_t size_ = 0;
};

}  // namespace xls::io
