#include "model/stored_records.h"

#include <algorithm>
#include <stdexcept>

#include "biff/record_reader.h"
#include "xls/error.h"

namespace xls::model {

namespace {

using biff::RecordHeader;
using biff::RecordType;

struct Chunk {
    std::uint64_t offset = 0;  // stream position of bytes[0]
    std::vector<std::uint8_t> bytes;
    std::vector<RecordHeader> headers;  // offsets relative to bytes
    std::uint64_t used = 0;             // bytes the headers cover
};

// Reads whole records of [at, end) starting at at into chunk (its buffer
// reused): about chunkBytes, cut before a record that is not a Continue.
void readChunk(const std::shared_ptr<const io::ByteSource>& source, std::uint64_t at,
               std::uint64_t end, std::size_t chunkBytes, Chunk& chunk) {
    std::uint64_t want = std::min<std::uint64_t>(std::max<std::size_t>(chunkBytes, 1), end - at);
    while (true) {
        chunk.offset = at;
        chunk.bytes.resize(static_cast<std::size_t>(want));
        source->readAt(at, chunk.bytes);
        std::uint64_t tail = 0;
        chunk.headers = biff::scanRecordHeaders(chunk.bytes, &tail);
        if (at + want == end) {
            if (tail != chunk.bytes.size())
                fail(ErrorCode::CorruptWorkbook, "stored records end in the middle of a record");
            chunk.used = tail;
            return;
        }
        std::size_t keep = chunk.headers.size();
        while (keep > 0 && chunk.headers[keep - 1].type == RecordType::Continue) --keep;
        // The last record kept (keep - 1) may have its Continue records cut off:
        // end before it, unless it is the only one.
        if (keep > 1) {
            chunk.headers.resize(keep - 1);
            chunk.used = chunk.headers.back().end();
            return;
        }
        want = std::min<std::uint64_t>(want * 2, end - at);
    }
}

std::vector<Record> recordsOf(const Chunk& chunk, const StoredRange& range,
                              const RecordFilter& wanted) {
    std::vector<Record> records;
    records.reserve(chunk.headers.size());
    for (const RecordHeader& h : chunk.headers) {
        if (wanted && !wanted(h.type)) {
            records.emplace_back(h.type, std::vector<std::uint8_t>{});
            records.back().stored =
                StoredRange{chunk.offset + h.offset, h.end() - h.offset, h.type, range.source};
            continue;
        }
        const auto body =
            std::span(chunk.bytes).subspan(static_cast<std::size_t>(h.bodyOffset()), h.size);
        records.emplace_back(h.type, std::vector<std::uint8_t>(body.begin(), body.end()));
    }
    return records;
}

template <typename Visit>
void forEachChunk(const StoredRange& range, std::size_t chunkBytes, Visit&& visit) {
    Chunk chunk;
    for (std::uint64_t at = range.offset, end = range.offset + range.size; at < end;) {
        readChunk(range.source, at, end, chunkBytes, chunk);
        visit(chunk);
        at += chunk.used;
    }
}

}  // namespace

void editStoredRecords(Substream& substream, const StoredRecordsVisit& visit,
                       const RecordFilter& wanted, std::size_t chunkBytes) {
    std::vector<Record> result;
    for (Record& held : substream.records) {
        if (!held.isStoredRun()) {
            result.push_back(std::move(held));
            continue;
        }
        const StoredRange range = *held.stored;
        forEachChunk(range, chunkBytes, [&](const Chunk& chunk) {
            std::vector<Record> records = recordsOf(chunk, range, wanted);
            visit(records);
            if (records.size() != chunk.headers.size())
                throw std::logic_error("editStoredRecords: records added or removed");
            for (std::size_t i = 0; i < records.size(); ++i) {
                const RecordHeader& h = chunk.headers[i];
                const auto stored = std::span(chunk.bytes)
                                        .subspan(static_cast<std::size_t>(h.bodyOffset()), h.size);
                if (records[i].isStoredRun() ||
                    (records[i].type == h.type &&
                     std::equal(stored.begin(), stored.end(), records[i].payload.begin(),
                                records[i].payload.end()))) {
                    appendStoredRange(result, {chunk.offset + h.offset, h.end() - h.offset, h.type,
                                               range.source});
                } else {
                    result.push_back(std::move(records[i]));
                }
            }
        });
    }
    substream.records = std::move(result);
    substream.loaded = std::none_of(substream.records.begin(), substream.records.end(),
                                    [](const Record& r) { return r.isStoredRun(); });
}

void readStoredRecords(const Substream& substream,
                       const std::function<void(const std::vector<Record>& chunk)>& visit,
                       const RecordFilter& wanted, std::size_t chunkBytes) {
    for (const Record& held : substream.records) {
        if (!held.isStoredRun()) continue;
        forEachChunk(*held.stored, chunkBytes,
                     [&](const Chunk& chunk) { visit(recordsOf(chunk, *held.stored, wanted)); });
    }
}

void scanPayloads(const Substream& substream, const PayloadVisit& visit, std::size_t chunkBytes) {
    for (const Record& record : substream.records) {
        if (!record.isStoredRun()) {
            visit(record.type, record.payload);
            continue;
        }
        forEachChunk(*record.stored, chunkBytes, [&](const Chunk& chunk) {
            for (const RecordHeader& h : chunk.headers)
                visit(h.type, std::span(chunk.bytes)
                                  .subspan(static_cast<std::size_t>(h.bodyOffset()), h.size));
        });
    }
}

}  // namespace xls::model
