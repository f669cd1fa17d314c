// Arithmetic on sizes taken from a file.
#pragma once

#include <cstdint>

namespace xls::io {

// Rounds up to a whole number of units (unit > 0): the units needed to hold size bytes.
inline std::uint64_t unitsFor(std::uint64_t size, std::uint64_t unit) {
    return size / unit + (size % unit != 0 ? 1 : 0);
}

}  // namespace xls::io
