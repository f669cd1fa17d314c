#include "ops/copy/shared_string_table.h"

#include <algorithm>

#include "biff/continued_writer.h"
#include "biff/record_reader.h"
#include "io/byte_reader.h"
#include "xls/error.h"

namespace xls::ops {

using biff::RecordType;

namespace {

constexpr std::size_t kSstCountsSize = 8;  // cstTotal, cstUnique

bool isStoredSst(const model::Record& record) {
    return record.isStoredRun() && record.stored->first == RecordType::SST;
}

// The records the globals keep after the shared strings ([MS-XLS] 2.1.7.20.3):
// an SST added to a workbook without one goes before the first of them.
bool followsSharedStrings(RecordType type) {
    switch (type) {
        case RecordType::ExtSST:
        case RecordType::WebPub:
        case RecordType::WOpt:
        case RecordType::CrErr:
        case RecordType::BookExt:
        case RecordType::FeatHdr:
        case RecordType::DConn:
        case RecordType::Theme:
        case RecordType::CompressPictures:
        case RecordType::Compat12:
        case RecordType::GUIDTypeLib:
        case RecordType::EOF_:
            return true;
        default:
            return false;
    }
}

// The writer rebuilds the ExtSST in buckets of the stored dsst strings; a
// table grown by a copy could then need more buckets than the record holds,
// so the bucket size grows with the table as the application chooses it.
void fitExtSst(std::vector<model::Record>& records, std::uint16_t dsst) {
    for (model::Record& r : records) {
        if (r.type != RecordType::ExtSST || r.payload.size() < 2) continue;
        io::ByteReader reader(r.payload);
        if (reader.u16() < dsst) io::storeU16(r.payload, 0, dsst);
        return;
    }
}

// The globals stay loaded lazily only while a stand-in is left in them.
void noteLoaded(model::Substream& globals) {
    globals.loaded = std::none_of(globals.records.begin(), globals.records.end(),
                                  [](const auto& r) { return r.isStoredRun(); });
}

// Gives a workbook without a table an SST holding the strings (cstUnique their
// number), and an ExtSST for the writer to fill, where the globals keep them.
// The ExtSST's bucket size (dsst) grows with the table, so the index the
// writer rebuilds fits its record.
void insertSharedStrings(model::WorkbookStream& stream, std::uint32_t cstTotal,
                         const std::vector<model::SstString>& strings) {
    auto& records = stream.globals.records;
    model::SstLayout layout = model::layoutSst(cstTotal, strings);
    std::vector<model::Record> laidOut;
    for (std::size_t i = 0; i < layout.payloads.size(); ++i)
        laidOut.emplace_back(i == 0 ? RecordType::SST : RecordType::Continue,
                             std::move(layout.payloads[i]));
    const bool hasExtSst = std::any_of(records.begin(), records.end(),
                                       [](const auto& r) { return r.type == RecordType::ExtSST; });
    if (!hasExtSst) laidOut.emplace_back(RecordType::ExtSST, std::vector<std::uint8_t>(2));
    const auto anchor = std::find_if(records.begin(), records.end(),
                                     [](const auto& r) { return followsSharedStrings(r.type); });
    records.insert(anchor, std::make_move_iterator(laidOut.begin()),
                   std::make_move_iterator(laidOut.end()));
    fitExtSst(records, model::extSstBucketSize(strings.size()));
    noteLoaded(stream.globals);
}

}  // namespace

std::optional<RecordRun> findSharedStrings(const model::Substream& globals) {
    const auto& records = globals.records;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (isStoredSst(records[i])) return RecordRun{i, i + 1};
        if (records[i].type == RecordType::SST) return runAt(records, i);
    }
    return std::nullopt;
}

void appendSharedStrings(model::WorkbookStream& stream, std::uint32_t cstTotal,
                         std::size_t existing, const std::vector<model::SstString>& strings) {
    auto& globals = stream.globals;
    auto run = findSharedStrings(globals);
    if (!run) {
        insertSharedStrings(stream, cstTotal, strings);
        return;
    }
    // The stored table's records are held from here on, as they were stored.
    if (isStoredSst(globals.records[run->first])) {
        model::loadRecords(globals);
        run = findSharedStrings(globals);
    }
    auto& records = globals.records;
    std::vector<std::uint8_t>& head = records[run->first].payload;
    if (head.size() < kSstCountsSize) fail(ErrorCode::CorruptWorkbook, "SST too short");
    const std::size_t unique = existing + strings.size();
    io::storeU32(head, 0, cstTotal);
    io::storeU32(head, 4, static_cast<std::uint32_t>(std::min<std::size_t>(unique, 0xFFFFFFFF)));

    // The new strings go on where the table ends, filling its last record
    // first, as the application lays a table out.
    std::vector<std::uint8_t>& last = records[run->end - 1].payload;
    const bool fillLast = last.size() < biff::kMaxRecordPayload;
    biff::ContinuedWriter writer;
    if (fillLast) writer.current().bytes(last);
    for (const model::SstString& s : strings)
        biff::writeString(writer, s, biff::StringForm::RichExtended);
    std::vector<std::vector<std::uint8_t>> payloads = writer.take();
    std::vector<model::Record> added;
    for (std::size_t i = 0; i < payloads.size(); ++i) {
        if (i == 0 && fillLast) {
            last = std::move(payloads[0]);
        } else if (!payloads[i].empty()) {
            added.emplace_back(RecordType::Continue, std::move(payloads[i]));
        }
    }
    records.insert(records.begin() + static_cast<std::ptrdiff_t>(run->end),
                   std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
    fitExtSst(records, model::extSstBucketSize(unique));
    noteLoaded(globals);
}

}  // namespace xls::ops
