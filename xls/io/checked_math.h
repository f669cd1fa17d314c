// Overflow-checked arithmetic for sizes and offsets taken from a file. A file
// can declare any number; an overflow means the file is damaged, so it raises
// the caller's error code instead of wrapping around.
#pragma once

#include <concepts>
#include <cstdint>
#include <limits>
#include <string>

#include "xls/error.h"

namespace xls::io {

template <std::unsigned_integral T>
T checkedAdd(T a, T b, ErrorCode code, const char* what) {
    T sum{};
    if (__builtin_add_overflow(a, b, &sum)) fail(code, std::string(what) + ": size overflow");
    return sum;
}

template <std::unsigned_integral T>
T checkedMul(T a, T b, ErrorCode code, const char* what) {
    T product{};
    if (__builtin_mul_overflow(a, b, &product)) {
        fail(code, std::string(what) + ": size overflow");
    }
    return product;
}

// Narrows a file-derived value to a smaller type, raising when it does not fit.
template <std::unsigned_integral To, std::unsigned_integral From>
To checkedNarrow(From value, ErrorCode code, const char* what) {
    if (value > std::numeric_limits<To>::max()) fail(code, std::string(what) + ": value too large");
    return static_cast<To>(value);
}

// Rounds up to a whole number of units (unit > 0): the units needed to hold size bytes.
inline std::uint64_t unitsFor(std::uint64_t size, std::uint64_t unit) {
    return size / unit + (size % unit != 0 ? 1 : 0);
}

}  // namespace xls::io
