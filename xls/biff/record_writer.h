// Writes records: the four-byte header (id, size) and the payload, a payload
// longer than one record may hold going on in Continue records. Records whose
// Continue boundaries carry meaning (the SST's strings, text objects) are cut
// by their own writers and handed over one record at a time.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "biff/record_type.h"

namespace xls::biff {

// Appends one record; raises UnsupportedOperation for a payload over 65,535
// bytes (a header cannot say its size).
void writeRecord(std::vector<std::uint8_t>& out, RecordType type,
                 std::span<const std::uint8_t> payload);

// Appends the record, cutting a payload longer than kMaxRecordPayload into the
// record and Continue records of at most that size each.
void writeRecordContinued(std::vector<std::uint8_t>& out, RecordType type,
                          std::span<const std::uint8_t> payload);

}  // namespace xls::biff
