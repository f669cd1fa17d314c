// A little-endian writer that appends to a buffer it owns: the one way the
// engine lays out bytes it builds (record payloads, strings, containers).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace xls::io {

class ByteWriter {
  public:
    ByteWriter() = default;
    explicit ByteWriter(std::vector<std::uint8_t> start) : bytes_(std::move(start)) {}

    std::size_t size() const { return bytes_.size(); }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    // The bytes written, moved out; the writer is empty afterwards.
    std::vector<std::uint8_t> take() { return std::move(bytes_); }

    ByteWriter& u8(std::uint8_t value);
    ByteWriter& u16(std::uint16_t value);
    ByteWriter& u32(std::uint32_t value);
    ByteWriter& u64(std::uint64_t value);
    ByteWriter& f64(double value);
    ByteWriter& bytes(std::span<const std::uint8_t> data);
    ByteWriter& zeros(std::size_t count);

    // Overwrites bytes already written (a length or offset known only later).
    void patchU16(std::size_t offset, std::uint16_t value);
    void patchU32(std::size_t offset, std::uint32_t value);

  private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace xls::io
