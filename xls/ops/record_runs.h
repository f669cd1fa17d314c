// A record together with the Continue records that carry the rest of its
// payload, as the workbook model holds them (each Continue a record of its
// own). Edits that keep the size read the joined payload and spread it back
// over the same records, so every record keeps its length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "model/workbook_stream.h"

namespace xls::ops {

struct RecordRun {
    std::size_t first = 0;  // the record itself
    std::size_t end = 0;    // one past its last Continue
};

// The run starting at records[first].
RecordRun runAt(const std::vector<model::Record>& records, std::size_t first);

std::vector<std::uint8_t> joinedPayload(const std::vector<model::Record>& records, RecordRun run);
// The same into joined, whose buffer is reused.
void joinedInto(const std::vector<model::Record>& records, RecordRun run,
                std::vector<std::uint8_t>& joined);

// Writes joined (as long as the run's payloads together) back over the run.
void spreadPayload(std::vector<model::Record>& records, RecordRun run,
                   std::span<const std::uint8_t> joined);

// Little-endian fields of a payload; the reads are bounds-checked and raise
// CorruptWorkbook naming the record.
std::uint16_t readU16(std::span<const std::uint8_t> payload, std::size_t at, const char* record);
std::uint32_t readU32(std::span<const std::uint8_t> payload, std::size_t at, const char* record);
void writeU16(std::span<std::uint8_t> payload, std::size_t at, std::uint16_t value,
              const char* record);

}  // namespace xls::ops
