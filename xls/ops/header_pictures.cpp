#include "ops/header_pictures.h"

#include <algorithm>
#include <stdexcept>

#include "biff/record_reader.h"
#include "odraw/drawing_group.h"
#include "odraw/drawing_ids.h"
#include "ops/drawing_removal.h"
#include "xls/error.h"

namespace xls::ops {

using biff::RecordType;

namespace {

// frtHeader (rt, grbitFrt, eight reserved bytes), then the flags.
constexpr std::size_t kFrtHeaderSize = 12;
constexpr std::size_t kHeadSize = 14;
constexpr std::uint8_t kFIsDrawing = 0x01;
constexpr std::uint8_t kFIsDrawingGroup = 0x02;
constexpr std::uint8_t kFContinue = 0x04;

std::uint8_t flagsOf(const model::Record& record) {
    return record.payload.size() >= kHeadSize ? record.payload[kFrtHeaderSize] : 0;
}

// Where a new group goes: ahead of the drawing group, else of the shared
// strings, else of EOF.
std::size_t newGroupPlace(const std::vector<model::Record>& records) {
    for (std::size_t i = 0; i < records.size(); ++i) {
        const RecordType type =
            records[i].isStoredRun() ? records[i].stored->first : records[i].type;
        if (type == RecordType::MsoDrawingGroup || type == RecordType::SST ||
            type == RecordType::ExtSST || type == RecordType::EOF_)
            return i;
    }
    return records.size();
}

}  // namespace

std::vector<std::size_t> headerPictureRecords(const std::vector<model::Record>& records,
                                              bool drawingGroup) {
    std::vector<std::size_t> found;
    const std::uint8_t kind = drawingGroup ? kFIsDrawingGroup : kFIsDrawing;
    std::size_t depth = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const model::Record& r = records[i];
        if (r.type == RecordType::BOF) ++depth;
        if (r.type == RecordType::EOF_ && depth > 0) --depth;
        if (r.type != RecordType::HFPicture || depth > 1) continue;
        const std::uint8_t flags = flagsOf(r);
        if (flags & kFContinue) {
            if (!found.empty() && found.back() + 1 == i) found.push_back(i);
        } else if (flags & kind) {
            if (!found.empty()) break;  // one drawing only: a second is left alone
            found.push_back(i);
        }
    }
    return found;
}

std::vector<std::uint8_t> joinedHeaderPictures(const std::vector<model::Record>& records,
                                               std::span<const std::size_t> pieces) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i : pieces) {
        const auto& payload = records[i].payload;
        if (payload.size() < kHeadSize)
            fail(ErrorCode::CorruptWorkbook, "an HFPicture record is shorter than its head");
        bytes.insert(bytes.end(), payload.begin() + kHeadSize, payload.end());
    }
    return bytes;
}

void spreadHeaderPictures(std::vector<model::Record>& records, std::span<const std::size_t> pieces,
                          std::span<const std::uint8_t> bytes) {
    std::size_t at = 0;
    for (std::size_t i : pieces) {
        auto& payload = records[i].payload;
        const std::size_t size = payload.size() - kHeadSize;
        if (bytes.size() - at < size)
            throw std::logic_error("spreadHeaderPictures: fewer bytes than the pieces hold");
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), size,
                    payload.begin() + kHeadSize);
        at += size;
    }
}

void replaceHeaderPictureGroup(model::Substream& globals, std::span<const std::uint8_t> container) {
    auto& records = globals.records;
    const std::vector<std::size_t> old = headerPictureRecords(records, true);
    const std::size_t begin = old.empty() ? newGroupPlace(records) : old.front();
    const std::size_t end = old.empty() ? begin : old.back() + 1;
    std::vector<model::Record> cut;
    constexpr std::size_t kPart = biff::kMaxRecordPayload - kHeadSize;
    for (std::size_t at = 0; at < container.size() || at == 0; at += kPart) {
        const auto part = container.subspan(at, std::min(kPart, container.size() - at));
        std::vector<std::uint8_t> payload(kHeadSize, 0);
        payload[0] = static_cast<std::uint8_t>(RecordType::HFPicture);
        payload[1] =
            static_cast<std::uint8_t>(static_cast<std::uint16_t>(RecordType::HFPicture) >> 8);
        payload[kFrtHeaderSize] = at == 0 ? kFIsDrawingGroup : kFIsDrawingGroup | kFContinue;
        payload.insert(payload.end(), part.begin(), part.end());
        cut.emplace_back(RecordType::HFPicture, std::move(payload));
    }
    records.erase(records.begin() + static_cast<std::ptrdiff_t>(begin),
                  records.begin() + static_cast<std::ptrdiff_t>(end));
    records.insert(records.begin() + static_cast<std::ptrdiff_t>(begin), cut.begin(), cut.end());
}

std::optional<std::vector<std::uint8_t>> planHeaderPictureRemoval(const model::Substream& globals,
                                                                  const model::Substream& sheet) {
    const std::vector<std::size_t> groupPieces = headerPictureRecords(globals.records, true);
    if (groupPieces.empty()) return std::nullopt;
    try {
        model::Substream whole = sheet;
        if (!whole.loaded) model::loadRecords(whole);
        const std::vector<std::size_t> pieces = headerPictureRecords(whole.records, false);
        if (pieces.empty()) return std::nullopt;
        odraw::DrawingGroup group =
            odraw::readDrawingGroup(joinedHeaderPictures(globals.records, groupPieces));
        freeDrawing(group, odraw::readDrawing(joinedHeaderPictures(whole.records, pieces)));
        return odraw::writeDrawingGroup(group);
    } catch (const Error&) {
        return std::nullopt;  // left as it was
    }
}

}  // namespace xls::ops
