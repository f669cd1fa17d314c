#include "io/byte_reader.h"

#include <string>

namespace xls::io {

void ByteReader::failOverrun(std::size_t count) const {
    std::string where(context_.empty() ? std::string_view("data") : context_);
    fail(overrunCode_, where + ": " + std::to_string(count) + " bytes needed at offset " +
                           std::to_string(pos_) + " of " + std::to_string(bytes_.size()));
}

void ByteReader::failSeek(std::size_t position) const {
    std::string where(context_.empty() ? std::string_view("data") : context_);
    fail(overrunCode_, where + ": seek to offset " + std::to_string(position) + " of " +
                           std::to_string(bytes_.size()));
}

std::uint64_t ByteReader::u64() {
    std::uint64_t low = u32();
    std::uint64_t high = u32();
    return low | (high << 32);
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
