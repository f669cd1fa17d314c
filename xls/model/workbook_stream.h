// The whole workbook stream held as its original records: the globals
// substream, then each sheet substream in stream order, then any bytes after the
// last one. Every record keeps its id and exact payload (Continue records stay
// records of their own), so writing the records back in order gives the stream
// again byte for byte. The write side edits this model and serializes it.
//
// A sheet's cell data is most of a workbook and most edits never look at it:
// loading keeps a sheet substream's records in the stored stream, with only
// the records an edit of the sheet table reads or patches (BOF, EOF, Index,
// Window2) held, and stand-ins for the runs of records between them. The
// shared strings (the SST and its Continue records), often the bulk of the
// globals, stay stored the same way: the writer needs only where they were.
// loadRecords() reads a substream's records in full when an edit needs them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "biff/record_type.h"
#include "crypto/record_cipher.h"
#include "io/byte_source.h"
#include "model/bof.h"
#include "model/stream_writer_sst.h"

namespace xls::model {

// The type of a stand-in: no record the engine looks for has it.
inline constexpr biff::RecordType kStoredRun = static_cast<biff::RecordType>(0xFFFF);

// Bytes of a stored workbook stream: whole records left as they are. The
// stream is the one the range was read from: this workbook's own, or another
// workbook's for the records of a sheet copied from it.
struct StoredRange {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    biff::RecordType first{};  // the type of the first record in it
    std::shared_ptr<const io::ByteSource> source;

    bool operator==(const StoredRange&) const = default;
    // The range's bytes, read from its source.
    void readInto(std::span<std::uint8_t> out) const;
};

struct Record {
    Record() = default;
    Record(biff::RecordType recordType, std::vector<std::uint8_t> recordPayload)
        : type(recordType), payload(std::move(recordPayload)) {}
    static Record storedRun(StoredRange range);

    biff::RecordType type{};
    std::vector<std::uint8_t> payload;  // decrypted when the stream was encrypted
    // Set on a stand-in for a run of records not read: the writer copies these
    // bytes of a stored stream in its place. Its type is kStoredRun.
    std::optional<StoredRange> stored;

    bool isStoredRun() const { return stored.has_value(); }
    bool operator==(const Record&) const = default;
};

struct Substream {
    std::uint64_t offset = 0;  // stream position of its BOF as loaded
    // BOF through the matching EOF, nested substreams (embedded charts) included.
    // Stray records between this EOF and the next substream's BOF follow it here.
    std::vector<Record> records;
    bool closed = true;  // false when the stream ended before its EOF
    bool loaded = true;  // false while stand-ins hold some of its records
};

struct WorkbookStream {
    BiffVersion version = BiffVersion::Biff8;
    Substream globals;
    std::vector<Substream> substreams;  // sheet substreams in stream order
    // For each BoundSheet8 of the globals in tab order: its substream (index into
    // substreams), found through BoundSheet8.lbPlyPos.
    std::vector<std::size_t> sheetSubstream;
    std::vector<std::uint8_t> trailing;  // bytes after the last substream, as stored
    // Set when the stream was encrypted: payloads after FilePass are decrypted, and
    // this cipher encrypts them again (encryptRecordBodies) once positions are final.
    std::shared_ptr<const crypto::RecordCipher> cipher;
    // The stream as stored, where the loaded stand-ins' bytes are (a stand-in
    // names its own source: a copied sheet's are in another workbook's stream).
    std::shared_ptr<const io::ByteSource> stored;
    // Set by an edit that changed the shared strings (a copy adding strings):
    // the writer lays this table out in place of the SST and its Continue
    // records, and rebuilds the ExtSST from where its strings land.
    std::optional<SstTable> editedSst;
};

// Loads a workbook stream: the globals in full, the sheet substreams as
// described above. An encrypted one is decrypted with password (Excel's
// built-in default unless told otherwise) and held in full. Raises
// CorruptWorkbook (no BOF, globals without EOF, a sheet offset that is not the
// BOF of a substream), OldExcelFormat, UnsupportedVersion, PasswordProtected,
// UnsupportedEncryption, and what reading the source raises.
WorkbookStream parseWorkbookStream(std::shared_ptr<const io::ByteSource> stored,
                                   std::u16string_view password = crypto::kDefaultPassword);
// The same for a stream in memory, with every record held.
WorkbookStream parseWorkbookStream(std::span<const std::uint8_t> bytes,
                                   std::u16string_view password = crypto::kDefaultPassword);

// Adds a range of stored records after records: it extends a stand-in of the
// same source that ends where it begins, except that the shared strings (a range whose first
// record is the SST) open a stand-in of their own, for the writer to find.
void appendStoredRange(std::vector<Record>& records, StoredRange range);

// Reads the records the stand-ins of a substream hold; the records already
// held (edited or not) stay as they are.
void loadRecords(Substream& substream);

// The records in order (globals, substreams, trailing bytes), with no position
// patching: each record exactly as held. Raises UnsupportedOperation for a payload
// longer than a record can hold.
std::vector<std::uint8_t> serializeWorkbookStream(const WorkbookStream& stream);

// Encrypts, in place, the bodies of the records after FilePass in a serialized
// stream (what parseWorkbookStream decrypted), among the whole records that end by
// recordsEnd. Pass the size less the trailing bytes: those were never decrypted.
void encryptRecordBodies(std::span<std::uint8_t> stream, const crypto::RecordCipher& cipher,
                         std::size_t recordsEnd = SIZE_MAX);

}  // namespace xls::model
