// A bounds-checked little-endian reader over bytes in memory. Every read of
// untrusted bytes goes through one of these: reading past the end raises
// Error(overrunCode) naming the context and the offset, never reads out of bounds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "xls/error.h"

namespace xls::io {

class ByteReader {
  public:
    // context names what is being read ("directory entry 3"); it must outlive the reader.
    explicit ByteReader(std::span<const std::uint8_t> bytes,
                        ErrorCode overrunCode = ErrorCode::CorruptWorkbook,
                        std::string_view context = {})
        : bytes_(bytes), overrunCode_(overrunCode), context_(context) {}

    std::size_t size() const { return bytes_.size(); }
    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return bytes_.size() - pos_; }
    bool atEnd() const { return pos_ == bytes_.size(); }

    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();
    std::uint64_t u64();
    void skip(std::size_t count);
    // Moves to an absolute position (at most size()).
    void seek(std::size_t position);
    // The next count bytes, consumed.
    std::span<const std::uint8_t> bytes(std::size_t count);
    // A reader over the next count bytes, consumed here; it raises the same code.
    ByteReader sub(std::size_t count, std::string_view context = {});

  private:
    void require(std::size_t count) const;

    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
    ErrorCode overrunCode_;
    std::string_view context_;
};

// Little-endian stores into a buffer the caller has sized (writers use these).
void storeU16(std::span<std::uint8_t> out, std::size_t offset, std::uint16_t value);
void storeU32(std::span<std::uint8_t> out, std::size_t offset, std::uint32_t value);
void storeU64(std::span<std::uint8_t> out, std::size_t offset, std::uint64_t value);

}  // namespace xls::io
