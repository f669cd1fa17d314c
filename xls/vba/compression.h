// The compression of a VBA project's streams ([MS-OVBA] 2.4.1): a signature
// byte, then chunks of at most 4096 decompressed bytes, each stored raw or as
// flag bytes with literal bytes and copy tokens that repeat earlier bytes of
// the same chunk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace xls::vba {

// The decompressed bytes of a compressed container. Raises Error
// CorruptWorkbook for a bad signature, a chunk that runs past the end, a copy
// token reaching before its chunk, or output beyond maxSize.
std::vector<std::uint8_t> decompressContainer(std::span<const std::uint8_t> container,
                                              std::size_t maxSize = std::size_t{64} << 20);

// The compressed container of bytes, as the application writes it: each
// chunk's tokens take the longest earlier match (the nearest of equals), and
// a chunk that would not shrink to 4096 bytes is stored raw (the last one
// padded with zeros to its full size).
std::vector<std::uint8_t> compressContainer(std::span<const std::uint8_t> bytes);

}  // namespace xls::vba
