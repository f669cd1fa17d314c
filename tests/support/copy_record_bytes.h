// Payloads written piece by piece for the tests of a copy's records: little-
// endian values, pieces joined with +, and records of a type.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "model/workbook_stream.h"

namespace tarnvale::testing {

inline std::vector<std::uint8_t> u16s(std::initializer_list<std::uint32_t> values) {
    std::vector<std::uint8_t> out;
    for (auto v : values) out.insert(out.end(), {std::uint8_t(v), std::uint8_t(v >> 8)});
    return out;
}

inline std::vector<std::uint8_t> u32s(std::initializer_list<std::uint32_t> values) {
    std::vector<std::uint8_t> out;
    for (auto v : values)
        out.insert(out.end(), {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16),
                               std::uint8_t(v >> 24)});
    return out;
}

inline std::vector<std::uint8_t> operator+(std::vector<std::uint8_t> a,
                                           const std::vector<std::uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline xls::model::Record rec(xls::biff::RecordType type, std::vector<std::uint8_t> payload = {}) {
    return {type, std::move(payload)};
}

}  // namespace tarnvale::testing
