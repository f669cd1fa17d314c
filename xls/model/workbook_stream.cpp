#include "model/workbook_stream.h"

#include <algorithm>
#include <limits>
#include <set>
#include <string>

#include "biff/record_reader.h"
#include "io/byte_reader.h"
#include "xls/error.h"

namespace xls::model {

using biff::RecordHeader;
using biff::RecordType;

namespace {

std::vector<std::uint8_t> payloadOf(std::span<const std::uint8_t> bytes, const RecordHeader& h) {
    auto body = bytes.subspan(static_cast<std::size_t>(h.bodyOffset()), h.size);
    return {body.begin(), body.end()};
}

void checkFirstRecord(const std::vector<RecordHeader>& headers) {
    if (headers.empty()) fail(ErrorCode::CorruptWorkbook, "the workbook stream holds no record");
    checkFirstRecordIsBof(headers.front().id());
}

std::size_t globalsEnd(const std::vector<RecordHeader>& headers) {
    for (std::size_t i = 1; i < headers.size(); ++i) {
        if (headers[i].type == RecordType::EOF_) return i;
        if (headers[i].type == RecordType::BOF) break;
    }
    fail(ErrorCode::CorruptWorkbook, "the workbook globals end without EOF");
}

std::uint32_t lbPlyPosOf(const Record& boundSheet) {
    io::ByteReader reader(boundSheet.payload, ErrorCode::CorruptWorkbook, "BoundSheet8");
    return reader.u32();
}

// Splits the records after the globals into substreams. A BOF starts a new one when
// no substream is open, or when a sheet's lbPlyPos points at it (so a sheet that
// lacks its EOF ends at the next sheet). Returns the index of the last record that
// belongs to a substream; the bytes after it are the stream's trailing bytes.
std::size_t splitSubstreams(WorkbookStream& stream, std::vector<Record>& records,
                            const std::vector<RecordHeader>& headers, std::size_t globalsLast,
                            const std::set<std::uint64_t>& sheetOffsets) {
    Substream* current = &stream.globals;
    std::size_t lastOwned = globalsLast;
    int depth = 0;
    for (std::size_t i = globalsLast + 1; i < headers.size(); ++i) {
        const RecordHeader& h = headers[i];
        if (h.type == RecordType::BOF && (depth == 0 || sheetOffsets.count(h.offset))) {
            stream.substreams.push_back(Substream{h.offset, {}, false});
            current = &stream.substreams.back();
            depth = 0;
        }
        current->records.push_back(std::move(records[i]));
        bool closes = false;
        if (h.type == RecordType::BOF) {
            ++depth;
        } else if (h.type == RecordType::EOF_ && depth > 0 && --depth == 0) {
            current->closed = closes = true;
        }
        if (depth > 0 || closes) lastOwned = i;
    }
    // Records after the last EOF (zeros padding the stream, say) are trailing bytes.
    std::size_t stray = headers.size() - 1 - lastOwned;
    current->records.resize(current->records.size() - stray);
    return lastOwned;
}

}  // namespace

WorkbookStream parseWorkbookStream(std::span<const std::uint8_t> bytes,
                                   std::u16string_view password) {
    std::vector<RecordHeader> headers = biff::scanRecordHeaders(bytes, nullptr);
    checkFirstRecord(headers);
    WorkbookStream stream;
    stream.version = biffVersionOf(parseBof(payloadOf(bytes, headers.front())));
    std::size_t globalsLast = globalsEnd(headers);

    std::vector<Record> records;
    records.reserve(headers.size());
    for (std::size_t i = 0; i < headers.size(); ++i) {
        Record record{headers[i].type, payloadOf(bytes, headers[i])};
        if (stream.cipher) {
            stream.cipher->apply(headers[i], record.payload);
        } else if (record.type == RecordType::FilePass && i <= globalsLast) {
            crypto::FilePass pass =
                crypto::parseFilePass(record.payload, stream.version == BiffVersion::Biff5);
            stream.cipher = crypto::openRecordCipher(pass, password);
        }
        records.push_back(std::move(record));
    }

    std::set<std::uint64_t> sheetOffsets;
    std::vector<std::uint32_t> sheetOrder;
    for (std::size_t i = 0; i <= globalsLast; ++i) {
        if (records[i].type == RecordType::BoundSheet8) {
            sheetOrder.push_back(lbPlyPosOf(records[i]));
            sheetOffsets.insert(sheetOrder.back());
        }
        stream.globals.records.push_back(std::move(records[i]));
    }
    stream.globals.offset = 0;

    std::size_t lastOwned = splitSubstreams(stream, records, headers, globalsLast, sheetOffsets);
    // An unterminated last substream owns every whole record; a cut-short one is trailing.
    auto trailingFrom = static_cast<std::ptrdiff_t>(headers[lastOwned].end());
    stream.trailing.assign(bytes.begin() + trailingFrom, bytes.end());

    for (std::uint32_t offset : sheetOrder) {
        auto found = std::find_if(stream.substreams.begin(), stream.substreams.end(),
                                  [&](const Substream& s) { return s.offset == offset; });
        if (found == stream.substreams.end()) {
            fail(ErrorCode::CorruptWorkbook,
                 "sheet offset " + std::to_string(offset) + " is not the start of a sheet");
        }
        stream.sheetSubstream.push_back(
            static_cast<std::size_t>(found - stream.substreams.begin()));
    }
    return stream;
}

std::vector<std::uint8_t> serializeWorkbookStream(const WorkbookStream& stream) {
    std::size_t total = stream.trailing.size();
    auto count = [&total](const Substream& s) {
        for (const Record& r : s.records) total += biff::kRecordHeaderSize + r.payload.size();
    };
    count(stream.globals);
    for (const Substream& s : stream.substreams) count(s);

    std::vector<std::uint8_t> out;
    out.reserve(total);
    auto write = [&out](const Substream& s) {
        for (const Record& r : s.records) {
            if (r.payload.size() > std::numeric_limits<std::uint16_t>::max()) {
                fail(ErrorCode::UnsupportedOperation,
                     "record " + biff::describeRecordType(biff::toU16(r.type)) + " too long");
            }
            auto id = biff::toU16(r.type);
            auto size = static_cast<std::uint16_t>(r.payload.size());
            out.push_back(static_cast<std::uint8_t>(id & 0xFF));
            out.push_back(static_cast<std::uint8_t>(id >> 8));
            out.push_back(static_cast<std::uint8_t>(size & 0xFF));
            out.push_back(static_cast<std::uint8_t>(size >> 8));
            out.insert(out.end(), r.payload.begin(), r.payload.end());
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
