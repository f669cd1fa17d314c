#include "ops/copy/shared_string_table.h"

#include <algorithm>

#include "biff/record_reader.h"
#include "io/byte_reader.h"
#include "xls/error.h"

namespace xls::ops {

using biff::RecordType;

namespace {

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

}  // namespace

std::optional<RecordRun> findSharedStrings(const model::Substream& globals) {
    const auto& records = globals.records;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (isStoredSst(records[i])) return RecordRun{i, i + 1};
        if (records[i].type == RecordType::SST) return runAt(records, i);
    }
    return std::nullopt;
}

void writeSharedStrings(model::WorkbookStream& stream, const model::SstTable& table) {
    auto& records = stream.globals.records;
    model::SstLayout layout = model::layoutSst(table.cstTotal, table.strings);
    const std::uint16_t dsst = model::extSstBucketSize(table.strings.size());
    std::vector<model::Record> laidOut;
    for (std::size_t i = 0; i < layout.payloads.size(); ++i)
        laidOut.emplace_back(i == 0 ? RecordType::SST : RecordType::Continue,
                             std::move(layout.payloads[i]));

    std::size_t at = 0;
    if (const auto run = findSharedStrings(stream.globals)) {
        records.erase(records.begin() + static_cast<std::ptrdiff_t>(run->first),
                      records.begin() + static_cast<std::ptrdiff_t>(run->end));
        at = run->first;
    } else {
        const auto anchor = std::find_if(records.begin(), records.end(), [](const auto& r) {
            return followsSharedStrings(r.type);
        });
        at = static_cast<std::size_t>(anchor - records.begin());
        const bool hasExtSst = std::any_of(records.begin(), records.end(), [](const auto& r) {
            return r.type == RecordType::ExtSST;
        });
        if (!hasExtSst) laidOut.emplace_back(RecordType::ExtSST, std::vector<std::uint8_t>(2));
    }
    records.insert(records.begin() + static_cast<std::ptrdiff_t>(at),
                   std::make_move_iterator(laidOut.begin()),
                   std::make_move_iterator(laidOut.end()));
    fitExtSst(records, dsst);
    // The globals stay loaded lazily only while a stand-in is left in them.
    stream.globals.loaded =
        std::none_of(records.begin(), records.end(), [](const auto& r) { return r.isStoredRun(); });
}

}  // namespace xls::ops
