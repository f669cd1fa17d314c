#include "ops/copy/copied_sheet.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "biff/record_reader.h"
#include "io/byte_reader.h"
#include "ops/copy/cell_fields.h"
#include "xls/error.h"

namespace xls::ops::copy {

using biff::RecordType;

namespace {

// Records visited per chunk: enough to make a call cheap, few enough that
// the chunk's payloads stay small.
constexpr std::size_t kChunkRecords = 4096;

// The records of a worksheet's cell table ([MS-XLS] 2.1.7.20.6, CELLTABLE):
// rows and cells (the records holding a format index, but for the columns'),
// what their formulas carry, and the DBCell index blocks.
bool inCellTable(RecordType type) {
    switch (type) {
        case RecordType::ColInfo:
            return false;
        case RecordType::String:
        case RecordType::ShrFmla:
        case RecordType::Array:
        case RecordType::Table:
        case RecordType::DBCell:
            return true;
        default:
            return holdsCellIndices(type);
    }
}

bool isCellStandIn(const model::Record& r) {
    return r.isStoredRun() && !r.stored->source;
}

struct Header {
    RecordType type{};
    std::size_t at = 0;  // of the header, in the buffer
    std::size_t size = 0;
    std::size_t body() const { return at + biff::kRecordHeaderSize; }
    std::size_t end() const { return body() + size; }
};

Header headerAt(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    if (bytes.size() - at < biff::kRecordHeaderSize)
        fail(ErrorCode::CorruptWorkbook, "stored records end in the middle of a record");
    const Header h{static_cast<RecordType>(bytes[at] | bytes[at + 1] << 8), at,
                   std::size_t{bytes[at + 2]} | std::size_t{bytes[at + 3]} << 8};
    if (bytes.size() - h.body() < h.size)
        fail(ErrorCode::CorruptWorkbook, "stored records end in the middle of a record");
    return h;
}

}  // namespace

CopiedSheet::CopiedSheet(const model::Substream& sheet) {
    sheet_.offset = sheet.offset;
    sheet_.closed = sheet.closed;
    // The depth of nested substreams (embedded charts): only the sheet's own
    // level holds its cell table.
    int depth = 0;
    const auto track = [&depth](RecordType type) {
        if (type == RecordType::BOF) ++depth;
        if (type == RecordType::EOF_ && depth > 0) --depth;
    };
    for (const model::Record& record : sheet.records) {
        if (!record.isStoredRun()) {
            track(record.type);
            records_.push_back(record);
            continue;
        }
        const std::size_t from = cells_.size();
        cells_.resize(from + static_cast<std::size_t>(record.stored->size));
        record.stored->readInto(std::span(cells_).subspan(from));
        bool cellRun = false;  // the record before is the cell table's (its Continue records too)
        for (std::size_t at = from; at < cells_.size();) {
            const Header h = headerAt(cells_, at);
            cellRun =
                depth == 1 && (inCellTable(h.type) || (cellRun && h.type == RecordType::Continue));
            if (cellRun) {
                model::appendStoredRange(records_, {h.at, h.end() - h.at, h.type, nullptr});
            } else {
                track(h.type);
                records_.emplace_back(h.type, std::vector<std::uint8_t>(cells_.begin() + h.body(),
                                                                        cells_.begin() + h.end()));
            }
            at = h.end();
        }
    }
}

template <typename Visit>
void CopiedSheet::forEachChunk(Visit&& visit) const {
    std::vector<model::Record> chunk;
    std::vector<Header> headers;
    const auto flush = [&] {
        chunk.resize(headers.size());
        for (std::size_t k = 0; k < headers.size(); ++k) {
            chunk[k].type = headers[k].type;
            chunk[k].stored.reset();
            chunk[k].payload.assign(cells_.begin() + headers[k].body(),
                                    cells_.begin() + headers[k].end());
        }
        visit(chunk, headers);
        headers.clear();
    };
    for (const model::Record& r : records_) {
        if (!isCellStandIn(r)) continue;
        const auto end = static_cast<std::size_t>(r.stored->offset + r.stored->size);
        for (auto at = static_cast<std::size_t>(r.stored->offset); at < end;) {
            const Header h = headerAt(cells_, at);
            if (headers.size() >= kChunkRecords && h.type != RecordType::Continue) flush();
            headers.push_back(h);
            at = h.end();
        }
        if (!headers.empty()) flush();
    }
}

void CopiedSheet::editCells(const ChunkEdit& visit) {
    forEachChunk([&](std::vector<model::Record>& chunk, const std::vector<Header>& headers) {
        visit(chunk);
        if (chunk.size() != headers.size())
            throw std::logic_error("CopiedSheet::editCells: records added or removed");
        for (std::size_t k = 0; k < headers.size(); ++k) {
            if (chunk[k].type != headers[k].type || chunk[k].payload.size() != headers[k].size ||
                chunk[k].isStoredRun())
                throw std::logic_error("CopiedSheet::editCells: a record changed its size");
            if (headers[k].size > 0)
                std::memcpy(cells_.data() + headers[k].body(), chunk[k].payload.data(),
                            headers[k].size);
        }
    });
}

void CopiedSheet::readCells(const ChunkRead& visit) const {
    forEachChunk(
        [&](const std::vector<model::Record>& chunk, const std::vector<Header>&) { visit(chunk); });
}

void CopiedSheet::readAll(const ChunkRead& visit) const {
    visit(records_);
    readCells(visit);
}

model::Substream CopiedSheet::take() && {
    const auto bytes = std::make_shared<io::MemorySource>(std::move(cells_));
    model::Substream sheet = std::move(sheet_);
    sheet.records = std::move(records_);
    sheet.loaded = true;
    for (model::Record& r : sheet.records) {
        if (!isCellStandIn(r)) continue;
        r.stored->source = bytes;
        sheet.loaded = false;
    }
    return sheet;
}

}  // namespace xls::ops::copy
