#include "model/workbook_stream.h"

#include <algorithm>
#include <array>
#include <limits>
#include <set>
#include <stdexcept>
#include <string>

#include "biff/record_reader.h"
#include "biff/record_scanner.h"
#include "biff/record_writer.h"
#include "crypto/file_pass.h"
#include "io/byte_reader.h"
#include "model/records/bound_sheet.h"
#include "xls/error.h"

namespace xls::model {

using biff::RecordHeader;
using biff::RecordType;

Record Record::storedRun(StoredRange range) {
    Record record(kStoredRun, {});
    record.stored = range;
    return record;
}

void StoredRange::readInto(std::span<std::uint8_t> out) const {
    if (!source || out.size() != size)
        throw std::logic_error("StoredRange::readInto: no source, or the wrong size");
    source->readAt(offset, out);
}

void appendStoredRange(std::vector<Record>& records, StoredRange range) {
    if (range.first != RecordType::SST && !records.empty() && records.back().isStoredRun() &&
        records.back().stored->source == range.source &&
        records.back().stored->offset + records.back().stored->size == range.offset) {
        records.back().stored->size += range.size;
        return;
    }
    records.push_back(Record::storedRun(range));
}

namespace {

// The records a lazily held sheet substream keeps: what splitting substreams
// and the sheet-table edits read or patch.
bool keptWhenLazy(RecordType type) {
    return type == RecordType::BOF || type == RecordType::EOF_ || type == RecordType::Index ||
           type == RecordType::Window2;
}

// One pass over the stored stream. The globals are read in full; after them a
// BOF starts a new substream when no substream is open, or when a sheet's
// lbPlyPos points at it (so a sheet that lacks its EOF ends at the next
// sheet). Bytes after the last record that belongs to a substream are the
// stream's trailing bytes.
class StreamLoader {
  public:
    StreamLoader(std::shared_ptr<const io::ByteSource> stored, std::u16string_view password)
        : scan_(stored), password_(password) {
        stream_.stored = std::move(stored);
    }

    WorkbookStream load() {
        readGlobals();
        splitSubstreams();
        const std::uint64_t size = stream_.stored->size();
        stream_.trailing.resize(static_cast<std::size_t>(size - lastOwnedEnd_));
        stream_.stored->readAt(lastOwnedEnd_, stream_.trailing);
        mapSheets();
        return std::move(stream_);
    }

  private:
    Record readRecord(const RecordHeader& h) {
        const auto body = scan_.body(h);
        Record record(h.type, {body.begin(), body.end()});
        if (stream_.cipher) stream_.cipher->apply(h, record.payload);
        return record;
    }

    // Whether the record goes into a stand-in: cell data of a sheet, or the
    // shared strings of the globals. An encrypted stream is held in full.
    bool leftStored(const RecordHeader& h) const {
        if (stream_.cipher) return false;
        if (current_ != &stream_.globals) return !keptWhenLazy(h.type);
        if (h.type == RecordType::SST) return true;
        const auto& records = current_->records;
        return h.type == RecordType::Continue && !records.empty() && records.back().isStoredRun() &&
               records.back().stored->first == RecordType::SST;
    }

    void add(const RecordHeader& h) {
        auto& records = current_->records;
        if (!leftStored(h)) {
            records.push_back(readRecord(h));
            return;
        }
        current_->loaded = false;
        // Most records of a sheet extend the stand-in before them: done in
        // place, without a range (and its shared source) made per record.
        if (h.type != RecordType::SST && !records.empty()) {
            auto& last = records.back().stored;
            if (last && last->offset + last->size == h.offset && last->source == stream_.stored) {
                last->size += h.end() - h.offset;
                return;
            }
        }
        appendStoredRange(records, {h.offset, h.end() - h.offset, h.type, stream_.stored});
    }

    void readGlobals() {
        const auto first = scan_.next();
        if (!first) fail(ErrorCode::CorruptWorkbook, "the workbook stream holds no record");
        checkFirstRecordIsBof(first->id());
        stream_.version = biffVersionOf(parseBof(scan_.body(*first)));
        current_ = &stream_.globals;
        add(*first);
        while (true) {
            const auto h = scan_.next();
            if (!h || h->type == RecordType::BOF)
                fail(ErrorCode::CorruptWorkbook, "the workbook globals end without EOF");
            add(*h);
            const Record& record = stream_.globals.records.back();
            if (h->type == RecordType::EOF_) {
                lastOwnedEnd_ = h->end();
                break;
            }
            if (h->type == RecordType::FilePass && !stream_.cipher) {
                const crypto::FilePass pass =
                    crypto::parseFilePass(record.payload, stream_.version == BiffVersion::Biff5);
                stream_.cipher = crypto::openRecordCipher(pass, password_);
            }
            if (h->type == RecordType::BoundSheet8) {
                sheetOrder_.push_back(records::boundSheetLbPlyPos(record.payload));
                sheetOffsets_.insert(sheetOrder_.back());
            }
        }
        ownedCount_ = stream_.globals.records.size();
    }

    // Inside a sheet, the records after a stand-in that go into it are
    // stepped over by their headers alone, up to the next one the loop must
    // see (what a lazy sheet keeps, or what opens a stand-in of its own).
    void extendStandIn() {
        static constexpr std::array<RecordType, 5> kStops = {RecordType::BOF, RecordType::EOF_,
                                                             RecordType::Index, RecordType::Window2,
                                                             RecordType::SST};
        auto& records = current_->records;
        if (stream_.cipher || current_ == &stream_.globals || records.empty()) return;
        auto& last = records.back().stored;
        const std::uint64_t from = scan_.tailOffset();
        if (!last || last->offset + last->size != from || last->source != stream_.stored) return;
        const std::uint64_t to = scan_.skipUntil(kStops);
        if (to == from) return;
        last->size += to - from;
        lastOwnedEnd_ = to;
        ownedCount_ = records.size();
    }

    void splitSubstreams() {
        int depth = 0;
        while (true) {
            if (depth > 0) extendStandIn();
            const auto h = scan_.next();
            if (!h) break;
            if (h->type == RecordType::BOF && (depth == 0 || sheetOffsets_.count(h->offset))) {
                stream_.substreams.push_back(Substream{h->offset, {}, false, true});
                current_ = &stream_.substreams.back();
                depth = 0;
            }
            add(*h);
            bool closes = false;
            if (h->type == RecordType::BOF) {
                ++depth;
            } else if (h->type == RecordType::EOF_ && depth > 0 && --depth == 0) {
                current_->closed = closes = true;
            }
            if (depth > 0 || closes) {
                lastOwnedEnd_ = h->end();
                ownedCount_ = current_->records.size();
            }
        }
        // Records after the last EOF (zeros padding the stream, say) are trailing
        // bytes; a stand-in reaching past it is cut there.
        auto& records = current_->records;
        records.resize(ownedCount_);
        if (!records.empty() && records.back().isStoredRun()) {
            StoredRange& run = *records.back().stored;
            run.size = std::min(run.size, lastOwnedEnd_ - run.offset);
        }
    }

    void mapSheets() {
        for (std::uint32_t offset : sheetOrder_) {
            auto found = std::find_if(stream_.substreams.begin(), stream_.substreams.end(),
                                      [&](const Substream& s) { return s.offset == offset; });
            if (found == stream_.substreams.end()) {
                fail(ErrorCode::CorruptWorkbook,
                     "sheet offset " + std::to_string(offset) + " is not the start of a sheet");
            }
            stream_.sheetSubstream.push_back(
                static_cast<std::size_t>(found - stream_.substreams.begin()));
        }
    }

    biff::RecordScanner scan_;
    std::u16string_view password_;
    WorkbookStream stream_;
    Substream* current_ = nullptr;
    std::size_t ownedCount_ = 0;  // records of current_ that belong to it
    std::uint64_t lastOwnedEnd_ = 0;
    std::vector<std::uint32_t> sheetOrder_;
    std::set<std::uint64_t> sheetOffsets_;
};

}  // namespace

WorkbookStream parseWorkbookStream(std::shared_ptr<const io::ByteSource> stored,
                                   std::u16string_view password) {
    return StreamLoader(std::move(stored), password).load();
}

WorkbookStream parseWorkbookStream(std::span<const std::uint8_t> bytes,
                                   std::u16string_view password) {
    auto source =
        std::make_shared<io::MemorySource>(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    WorkbookStream stream = parseWorkbookStream(std::move(source), password);
    loadRecords(stream.globals);
    for (Substream& s : stream.substreams) loadRecords(s);
    return stream;
}

void loadRecords(Substream& substream) {
    if (substream.loaded) return;
    std::vector<Record> records;
    for (Record& r : substream.records) {
        if (!r.isStoredRun()) {
            records.push_back(std::move(r));
            continue;
        }
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(r.stored->size));
        r.stored->readInto(bytes);
        std::uint64_t tail = 0;
        for (const RecordHeader& h : biff::scanRecordHeaders(bytes, &tail)) {
            const auto body =
                std::span(bytes).subspan(static_cast<std::size_t>(h.bodyOffset()), h.size);
            records.emplace_back(h.type, std::vector<std::uint8_t>(body.begin(), body.end()));
        }
        if (tail != bytes.size())
            fail(ErrorCode::CorruptWorkbook, "the stored records changed since they were read");
    }
    substream.records = std::move(records);
    substream.loaded = true;
}

std::vector<std::uint8_t> serializeWorkbookStream(const WorkbookStream& stream) {
    std::size_t total = stream.trailing.size();
    auto count = [&total](const Substream& s) {
        for (const Record& r : s.records)
            total += r.isStoredRun() ? static_cast<std::size_t>(r.stored->size)
                                     : biff::kRecordHeaderSize + r.payload.size();
    };
    count(stream.globals);
    for (const Substream& s : stream.substreams) count(s);

    std::vector<std::uint8_t> out;
    out.reserve(total);
    auto write = [&out](const Substream& s) {
        for (const Record& r : s.records) {
            if (r.isStoredRun()) {
                const std::size_t at = out.size();
                out.resize(at + static_cast<std::size_t>(r.stored->size));
                r.stored->readInto(std::span(out).subspan(at));
                continue;
            }
            biff::writeRecord(out, r.type, r.payload);
        }
    };
    write(stream.globals);
    for (const Substream& s : stream.substreams) write(s);
    out.insert(out.end(), stream.trailing.begin(), stream.trailing.end());
    return out;
}

void encryptRecordBodies(std::span<std::uint8_t> stream, const crypto::RecordCipher& cipher,
                         std::size_t recordsEnd) {
    std::vector<RecordHeader> headers =
        biff::scanRecordHeaders(stream.first(std::min(recordsEnd, stream.size())), nullptr);
    bool afterFilePass = false;
    for (const RecordHeader& h : headers) {
        if (afterFilePass) {
            cipher.apply(h, stream.subspan(static_cast<std::size_t>(h.bodyOffset()), h.size));
        }
        if (h.type == RecordType::FilePass) afterFilePass = true;
    }
}

}  // namespace xls::model
