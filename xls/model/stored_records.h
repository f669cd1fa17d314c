// Goes through the records a lazily held substream keeps in the stored stream,
// a chunk at a time, so an edit that must read every formula of a sheet never
// holds the whole sheet: only the records it changed stay held afterwards, and
// the rest become stand-ins again.
#pragma once

#include <functional>
#include <vector>

#include "model/workbook_stream.h"

namespace xls::model {

// Stored bytes read per chunk; a chunk ends before a record that is not a
// Continue, so a record comes with all its Continue records.
inline constexpr std::size_t kStoredChunkBytes = std::size_t{1} << 20;

using StoredRecordsVisit = std::function<void(std::vector<Record>& chunk)>;
// Which records a visit reads. The others come in their place with an empty
// payload and `stored` set to their own bytes: left as they are, never copied.
using RecordFilter = std::function<bool(biff::RecordType type)>;

// Calls visit with the records of the substream's stand-ins, chunk by chunk
// in stream order (records already held are not visited). visit may change
// payloads but neither adds nor removes records. Records it changed are held
// from then on. Raises CorruptWorkbook when the stored bytes are not whole
// records, std::logic_error when visit changed the number of records.
void editStoredRecords(Substream& substream, const StoredRecordsVisit& visit,
                       const RecordFilter& wanted = {}, std::size_t chunkBytes = kStoredChunkBytes);

// The same without changes: visit sees the records only.
void readStoredRecords(const Substream& substream,
                       const std::function<void(const std::vector<Record>& chunk)>& visit,
                       const RecordFilter& wanted = {}, std::size_t chunkBytes = kStoredChunkBytes);

// Calls visit with the type and payload of every record of the substream in
// stream order, held or stored, without making a Record of each: a pass that
// reads a few fields of many records allocates nothing per record. The
// payload is valid during the call only. Raises as readStoredRecords does.
using PayloadVisit = std::function<void(biff::RecordType type, std::span<const std::uint8_t>)>;
void scanPayloads(const Substream& substream, const PayloadVisit& visit,
                  std::size_t chunkBytes = kStoredChunkBytes);

}  // namespace xls::model
