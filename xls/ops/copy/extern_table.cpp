#include "ops/copy/extern_table.h"

#include <algorithm>

#include "biff/record_writer.h"
#include "io/byte_writer.h"
#include "ops/record_runs.h"
#include "xls/error.h"

namespace xls::ops::copy {

using biff::RecordType;

namespace {

constexpr std::uint16_t kSelfReference = 0x0401;  // SupBook.cch of this workbook
constexpr std::size_t kXtiSize = 6;

bool belongsToBlock(RecordType type) {
    return type == RecordType::ExternName || type == RecordType::XCT || type == RecordType::CRN ||
           type == RecordType::Continue;
}

// Records after which a workbook's globals keep the external references when
// they have none yet: the sheet table and the country record.
bool precedesExternTable(RecordType type) {
    return type == RecordType::BoundSheet8 || type == RecordType::Country;
}

}  // namespace

// A payload as model records: the record, then Continue records for the rest.
std::vector<model::Record> continuedRecords(RecordType type,
                                            std::span<const std::uint8_t> payload) {
    std::vector<std::uint8_t> bytes;
    biff::writeRecordContinued(bytes, type, payload);
    std::vector<model::Record> records;
    for (std::size_t at = 0; at + 4 <= bytes.size();) {
        const auto id = static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
        const auto size = static_cast<std::size_t>(bytes[at + 2] | bytes[at + 3] << 8);
        records.emplace_back(
            static_cast<RecordType>(id),
            std::vector<std::uint8_t>(bytes.begin() + static_cast<long>(at + 4),
                                      bytes.begin() + static_cast<long>(at + 4 + size)));
        at += 4 + size;
    }
    return records;
}

ExternTable::ExternTable(const model::Substream& globals) {
    const auto& records = globals.records;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (records[i].type == RecordType::SupBook) {
            const RecordRun run = runAt(records, i);
            std::vector<model::Record> block(records.begin() + static_cast<long>(run.first),
                                             records.begin() + static_cast<long>(run.end));
            std::size_t k = run.end;
            while (k < records.size() && belongsToBlock(records[k].type))
                block.push_back(records[k++]);
            if (records[i].payload.size() >= 4 &&
                readU16(records[i].payload, 2, "SupBook") == kSelfReference && !self_)
                self_ = static_cast<std::uint16_t>(blocks_.size());
            blocks_.push_back(std::move(block));
            i = k - 1;
        } else if (records[i].type == RecordType::ExternSheet) {
            const auto joined = joinedPayload(records, runAt(records, i));
            const std::uint16_t count = readU16(joined, 0, "ExternSheet");
            if (joined.size() < 2 + std::size_t{count} * kXtiSize)
                fail(ErrorCode::CorruptWorkbook, "ExternSheet: fewer XTIs than it declares");
            for (std::size_t x = 2; x < 2 + std::size_t{count} * kXtiSize; x += kXtiSize)
                xtis_.push_back({readU16(joined, x, "XTI"), readU16(joined, x + 2, "XTI"),
                                 readU16(joined, x + 4, "XTI")});
        }
    }
}

std::vector<model::Record> ExternTable::supBookBlock(std::uint16_t index) const {
    if (index >= blocks_.size()) fail(ErrorCode::CorruptWorkbook, "XTI names a missing SupBook");
    return blocks_[index];
}

std::uint16_t ExternTable::xtiFor(const Xti& xti) {
    const auto found = std::find(xtis_.begin(), xtis_.end(), xti);
    if (found != xtis_.end()) return static_cast<std::uint16_t>(found - xtis_.begin());
    if (xtis_.size() >= 0xFFFF) fail(ErrorCode::TooManyFormats, "external sheet references");
    xtis_.push_back(xti);
    changed_ = true;
    return static_cast<std::uint16_t>(xtis_.size() - 1);
}

std::uint16_t ExternTable::selfSupBookFor(std::uint16_t sheetCount) {
    if (self_) return *self_;
    io::ByteWriter payload;
    payload.u16(sheetCount).u16(kSelfReference);
    self_ = supBookFor({model::Record(RecordType::SupBook, payload.take())});
    return *self_;
}

std::uint16_t ExternTable::supBookFor(const std::vector<model::Record>& block) {
    const auto found = std::find(blocks_.begin(), blocks_.end(), block);
    if (found != blocks_.end()) return static_cast<std::uint16_t>(found - blocks_.begin());
    blocks_.push_back(block);
    changed_ = true;
    return static_cast<std::uint16_t>(blocks_.size() - 1);
}

void ExternTable::writeTo(model::Substream& globals) const {
    if (!changed_) return;
    auto& records = globals.records;
    // Where the table was (or goes): the first SupBook or ExternSheet, else
    // after the sheet table.
    std::size_t at = records.size();
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (records[i].type == RecordType::SupBook || records[i].type == RecordType::ExternSheet) {
            at = i;
            break;
        }
    }
    if (at == records.size()) {
        at = 0;
        for (std::size_t i = 0; i < records.size(); ++i)
            if (precedesExternTable(records[i].type)) at = i + 1;
    }
    // Out with the old table: SupBook blocks and the ExternSheet with its Continues.
    std::vector<model::Record> kept;
    bool inBlock = false;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const RecordType type = records[i].type;
        if (type == RecordType::SupBook || type == RecordType::ExternSheet) {
            inBlock = true;
            continue;
        }
        if (inBlock && belongsToBlock(type)) continue;
        inBlock = false;
        kept.push_back(std::move(records[i]));
    }
    // Nothing ahead of at was dropped: the table goes back at the same place.
    std::vector<model::Record> table;
    for (const auto& block : blocks_) table.insert(table.end(), block.begin(), block.end());
    io::ByteWriter xtis;
    xtis.u16(static_cast<std::uint16_t>(xtis_.size()));
    for (const Xti& x : xtis_) xtis.u16(x.supBook).u16(x.itabFirst).u16(x.itabLast);
    const auto sheetRecords = continuedRecords(RecordType::ExternSheet, xtis.bytes());
    table.insert(table.end(), sheetRecords.begin(), sheetRecords.end());
    kept.insert(kept.begin() + static_cast<long>(std::min(at, kept.size())), table.begin(),
                table.end());
    records = std::move(kept);
}

}  // namespace xls::ops::copy
