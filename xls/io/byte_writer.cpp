#include "io/byte_writer.h"

#include <bit>
#include <stdexcept>

#include "io/byte_reader.h"

namespace xls::io {

ByteWriter& ByteWriter::u8(std::uint8_t value) {
    bytes_.push_back(value);
    return *this;
}

ByteWriter& ByteWriter::u16(std::uint16_t value) {
    bytes_.push_back(static_cast<std::uint8_t>(value & 0xFF));
    bytes_.push_back(static_cast<std::uint8_t>(value >> 8));
    return *this;
}

ByteWriter& ByteWriter::u32(std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        bytes_.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
    return *this;
}

ByteWriter& ByteWriter::u64(std::uint64_t value) {
    for (int shift = 0; shift < 64; shift += 8)
        bytes_.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
    return *this;
}

ByteWriter& ByteWriter::f64(double value) {
    return u64(std::bit_cast<std::uint64_t>(value));
}

ByteWriter& ByteWriter::bytes(std::span<const std::uint8_t> data) {
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    return *this;
}

ByteWriter& ByteWriter::zeros(std::size_t count) {
    bytes_.resize(bytes_.size() + count, 0);
    return *this;
}

void ByteWriter::patchU16(std::size_t offset, std::uint16_t value) {
    if (offset + 2 > bytes_.size()) throw std::out_of_range("ByteWriter::patchU16");
    storeU16(bytes_, offset, value);
}

void ByteWriter::patchU32(std::size_t offset, std::uint32_t value) {
    if (offset + 4 > bytes_.size()) throw std::out_of_range("ByteWriter::patchU32");
    storeU32(bytes_, offset, value);
}

}  // namespace xls::io
