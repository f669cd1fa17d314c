#include "ops/drawing_records.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "biff/record_reader.h"
#include "biff/record_type.h"

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

std::vector<DrawingPieces> drawingPieces(const std::vector<model::Record>& records) {
    std::vector<DrawingPieces> drawings;
    std::map<std::size_t, std::size_t> open;  // depth -> its drawing in drawings
    std::size_t depth = 0;
    bool inDrawing = false;  // the record before was part of a drawing
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
        inDrawing = false;
        if (type == RecordType::EOF_ && depth > 0) open.erase(depth--);
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
