// The whole workbook stream held as its original records: the globals
// substream, then each sheet substream in stream order, then any bytes after the
// last one. Every record keeps its id and exact payload (Continue records stay
// records of their own), so writing the records back in order gives the stream
// again byte for byte. The write side edits this model and serializes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "biff/record_type.h"
#include "crypto/record_cipher.h"
#include "model/bof.h"

namespace xls::model {

struct Record {
    biff::RecordType type{};
    std::vector<std::uint8_t> payload;  // decrypted when the stream was encrypted

    bool operator==(const Record&) const = default;
};

struct Substream {
    std::uint64_t offset = 0;  // stream position of its BOF as loaded
    // BOF through the matching EOF, nested substreams (embedded charts) included.
    // Stray records between this EOF and the next substream's BOF follow it here.
    std::vector<Record> records;
    bool closed = true;  // false when the stream ended before its EOF
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
};

// Loads a workbook stream. An encrypted one is decrypted with password (Excel's
// built-in default unless told otherwise). Raises CorruptWorkbook (no BOF, globals
// without EOF, a sheet offset that is not the BOF of a substream), OldExcelFormat,
// UnsupportedVersion, PasswordProtected, UnsupportedEncryption.
WorkbookStream parseWorkbookStream(std::span<const std::uint8_t> bytes,
                                   std::u16string_view password = crypto::kDefaultPassword);

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
