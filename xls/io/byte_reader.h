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

    // The reads are inline: the record loops call them for every field.
    std::uint8_t u8() {
        require(1);
        return bytes_[pos_++];
    }
    std::uint16_t u16() {
        require(2);
        const auto value = static_cast<std::uint16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
        pos_ += 2;
        return value;
    }
    std::uint32_t u32() {
        require(4);
        const std::uint32_t value =
            std::uint32_t{bytes_[pos_]} | std::uint32_t{bytes_[pos_ + 1]} << 8 |
            std::uint32_t{bytes_[pos_ + 2]} << 16 | std::uint32_t{bytes_[pos_ + 3]} << 24;
        pos_ += 4;
        return value;
    }
    std::uint64_t u64();
    void skip(std::size_t count) {
        require(count);
        pos_ += count;
    }
    // Moves to an absolute position (at most size()).
    void seek(std::size_t position) {
        if (position > bytes_.size()) failSeek(position);
        pos_ = position;
    }
    // The next count bytes, consumed.
    std::span<const std::uint8_t> bytes(std::size_t count) {
        require(count);
        const auto view = bytes_.subspan(pos_, count);
        pos_ += count;
        return view;
    }
    // A reader over the next count bytes, consumed here; it raises the same code.
    ByteReader sub(std::size_t count, std::string_view context = {});

  private:
    void require(std::size_t count) const {
        if (count > bytes_.size() - pos_) failOverrun(count);
    }
    [[noreturn]] void failOverrun(std::size_t count) const;
    [[noreturn]] void failSeek(std::size_t position) const;

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
