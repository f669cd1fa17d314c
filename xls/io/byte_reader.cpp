#include "io/byte_reader.h"

#include <string>

namespace xls::io {

void ByteReader::require(std::size_t count) const {
    if (count > bytes_.size() - pos_) {
        std::string where(context_.empty() ? std::string_view("data") : context_);
        fail(overrunCode_, where + ": " + std::to_string(count) + " bytes needed at offset " +
                               std::to_string(pos_) + " of " + std::to_string(bytes_.size()));
    }
}

std::uint8_t ByteReader::u8() {
    require(1);
    return bytes_[pos_++];
}

std::uint16_t ByteReader::u16() {
    require(2);
    auto value = static_cast<std::uint16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
    pos_ += 2;
    return value;
}

std::uint32_t ByteReader::u32() {
    require(4);
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | bytes_[pos_ + static_cast<std::size_t>(i)];
    pos_ += 4;
    return value;
}

std::uint64_t ByteReader::u64() {
    std::uint64_t low = u32();
    std::uint64_t high = u32();
    return low | (high << 32);
}

void ByteReader::skip(std::size_t count) {
    require(count);
    pos_ += count;
}

void ByteReader::seek(std::size_t position) {
    if (position > bytes_.size()) {
        std::string where(context_.empty() ? std::string_view("data") : context_);
        fail(overrunCode_, where + ": seek to offset " + std::to_string(position) + " of " +
                               std::to_string(bytes_.size()));
    }
    pos_ = position;
}

std::span<const std::uint8_t> ByteReader::bytes(std::size_t count) {
    require(count);
    auto view = bytes_.subspan(pos_, count);
    pos_ += count;
    return view;
}

ByteReader ByteReader::sub(std::size_t count, std::string_view context) {
    return ByteReader(bytes(count), overrunCode_, context.empty() ? context_ : context);
}

void storeU16(std::span<std::uint8_t> out, std::size_t offset, std::uint16_t value) {
    out[offset] = static_cast<std::uint8_t>(value);
    out[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void storeU32(std::span<std::uint8_t> out, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i)
        out[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void storeU64(std::span<std::uint8_t> out, std::size_t offset, std::uint64_t value) {
    storeU32(out, offset, static_cast<std::uint32_t>(value));
    storeU32(out, offset + 4, static_cast<std::uint32_t>(value >> 32));
}

}  // namespace xls::io
