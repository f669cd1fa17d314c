#include "ops/drawing_records.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "biff/record_reader.h"
#include "biff/record_type.h"
#include "ops/record_runs.h"
#include "xls/error.h"

namespace xls::ops {

using biff::RecordType;

namespace {

// The records of the globals' drawing group: [first, end).
std::pair<std::size_t, std::size_t> groupRun(const std::vector<model::Record>& records) {
    const auto first = std::ranges::find_if(
        records, [](const model::Record& r) { return r.type == RecordType::MsoDrawingGroup; });
    std::size_t begin = static_cast<std::size_t>(first - records.begin());
    std::size_t end = begin;
    while (end < records.size() && (records[end].type == RecordType::MsoDrawingGroup ||
                                    (end > begin && records[end].type == RecordType::Continue)))
        ++end;
    return {begin, end};
}

// Where a new drawing group goes: ahead of the shared strings, else of EOF.
std::size_t newGroupPlace(const std::vector<model::Record>& records) {
    for (std::size_t i = 0; i < records.size(); ++i) {
        const model::Record& r = records[i];
        const RecordType type = r.isStoredRun() ? r.stored->first : r.type;
        if (type == RecordType::SST || type == RecordType::ExtSST || type == RecordType::EOF_)
            return i;
    }
    return records.size();
}

}  // namespace

TextObjectParts textObjectParts(const std::vector<model::Record>& records, std::size_t txo) {
    constexpr std::size_t kCchText = 10;
    constexpr std::size_t kCbRuns = 12;
    const auto& payload = records.at(txo).payload;
    std::size_t cch = readU16(payload, kCchText, "TxO");
    std::size_t runBytes = readU16(payload, kCbRuns, "TxO");
    const auto continues = [&](std::size_t at) {
        return at < records.size() && records[at].type == RecordType::Continue &&
               !records[at].isStoredRun();
    };
    TextObjectParts parts{txo + 1, txo + 1};
    for (; cch > 0; ++parts.runs) {
        if (!continues(parts.runs) || records[parts.runs].payload.empty())
            fail(ErrorCode::CorruptWorkbook, "a text object's text is cut short");
        const auto& text = records[parts.runs].payload;
        const std::size_t width = (text[0] & 0x01) ? 2 : 1;
        cch -= std::min(cch, (text.size() - 1) / width);
    }
    for (parts.end = parts.runs; runBytes > 0; ++parts.end) {
        if (!continues(parts.end))
            fail(ErrorCode::CorruptWorkbook, "a text object's formatting runs are cut short");
        runBytes -= std::min(runBytes, records[parts.end].payload.size());
    }
    return parts;
}

std::vector<DrawingPieces> drawingPieces(const std::vector<model::Record>& records) {
    std::vector<DrawingPieces> drawings;
    std::map<std::size_t, std::size_t> open;  // depth -> its drawing in drawings
    std::size_t depth = 0;
    bool inDrawing = false;  // a Continue record here would be part of a drawing
    for (std::size_t i = 0; i < records.size(); ++i) {
        const RecordType type = records[i].type;
        if (type == RecordType::BOF) ++depth;
        if (type == RecordType::MsoDrawing || (inDrawing && type == RecordType::Continue)) {
            auto found = open.find(depth);
            if (found == open.end()) {
                found = open.emplace(depth, drawings.size()).first;
                drawings.push_back({{}, depth});
            }
            drawings[found->second].records.push_back(i);
            inDrawing = true;
            continue;
        }
        // After an object of a drawing, a Continue record carries the drawing
        // on; after a text object, once its own text and runs are past.
        inDrawing = type == RecordType::Obj && open.count(depth) > 0;
        if (type == RecordType::TxO && open.count(depth) > 0 && !records[i].isStoredRun()) {
            try {
                i = textObjectParts(records, i).end - 1;
                inDrawing = true;
            } catch (const Error&) {
                // A text object that cannot be measured keeps every Continue after it.
            }
        }
        // After an embedded chart's substream (the object the drawing's shape
        // before it shows), the sheet's drawing goes on the same way.
        if (type == RecordType::EOF_ && depth > 0) {
            open.erase(depth--);
            inDrawing = open.count(depth) > 0;
        }
    }
    return drawings;
}

std::vector<std::uint8_t> joinedDrawing(const std::vector<model::Record>& records,
                                        const DrawingPieces& pieces) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i : pieces.records)
        bytes.insert(bytes.end(), records[i].payload.begin(), records[i].payload.end());
    return bytes;
}

void spreadDrawing(std::vector<model::Record>& records, const DrawingPieces& pieces,
                   std::span<const std::uint8_t> bytes) {
    std::size_t at = 0;
    for (std::size_t i : pieces.records) {
        auto& payload = records[i].payload;
        if (bytes.size() - at < payload.size())
            throw std::logic_error("spreadDrawing: fewer bytes than the pieces hold");
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), payload.size(),
                    payload.begin());
        at += payload.size();
    }
}

std::vector<std::uint8_t> drawingGroupBytes(const model::Substream& globals) {
    const auto [begin, end] = groupRun(globals.records);
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = begin; i < end; ++i)
        bytes.insert(bytes.end(), globals.records[i].payload.begin(),
                     globals.records[i].payload.end());
    return bytes;
}

void replaceDrawingGroup(model::Substream& globals, std::span<const std::uint8_t> container) {
    auto& records = globals.records;
    auto [begin, end] = groupRun(records);
    if (begin == records.size()) begin = end = newGroupPlace(records);
    std::vector<model::Record> cut;
    for (std::size_t at = 0; at < container.size() || at == 0; at += biff::kMaxRecordPayload) {
        const auto part =
            container.subspan(at, std::min(biff::kMaxRecordPayload, container.size() - at));
        cut.emplace_back(at == 0 ? RecordType::MsoDrawingGroup : RecordType::Continue,
                         std::vector<std::uint8_t>(part.begin(), part.end()));
    }
    records.erase(records.begin() + static_cast<std::ptrdiff_t>(begin),
                  records.begin() + static_cast<std::ptrdiff_t>(end));
    records.insert(records.begin() + static_cast<std::ptrdiff_t>(begin), cut.begin(), cut.end());
}

}  // namespace xls::ops
