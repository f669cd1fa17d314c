// Lays out a payload that may go on into Continue records: the mirror of
// ContinuedReader. Each record holds at most maxPayload bytes; callers that
// must not cut a value (a string header, a UTF-16 character, a formatting
// run) ask for room first and start a Continue themselves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "biff/record_reader.h"
#include "io/byte_writer.h"

namespace xls::biff {

class ContinuedWriter {
  public:
    explicit ContinuedWriter(std::size_t maxPayload = kMaxRecordPayload);

    // The record being written: the first one, or the latest Continue.
    io::ByteWriter& current() { return records_.back(); }
    std::size_t recordIndex() const { return records_.size() - 1; }
    std::size_t offsetInRecord() const { return records_.back().size(); }
    // Bytes the current record can still take.
    std::size_t space() const { return maxPayload_ - records_.back().size(); }
    void startContinue() { records_.emplace_back(); }
    // Starts a Continue when fewer than count bytes are left.
    void reserve(std::size_t count) {
        if (space() < count) startContinue();
    }
    // Bytes that may be cut anywhere between whole units of unit bytes.
    void splittable(std::span<const std::uint8_t> bytes, std::size_t unit);

    // The payloads: the record's, then each Continue's. The writer is empty afterwards.
    std::vector<std::vector<std::uint8_t>> take();

  private:
    std::size_t maxPayload_;
    std::vector<io::ByteWriter> records_;
};

}  // namespace xls::biff
