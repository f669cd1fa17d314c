// A byte source that counts the bytes read through it, to show what a reader touches.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "io/byte_source.h"

namespace tarnvale::testing {

class CountingSource final : public xls::io::ByteSource {
  public:
    explicit CountingSource(std::vector<std::uint8_t> bytes) : inner_(std::move(bytes)) {}
    std::uint64_t size() const override { return inner_.size(); }
    void readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override {
        bytesRead += out.size();
        inner_.readAt(offset, out);
    }
    mutable std::uint64_t bytesRead = 0;

  private:
    xls::io::MemorySource inner_;
};

}  // namespace tarnvale::testing
