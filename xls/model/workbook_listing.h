// What a listing needs from a workbook stream: the BIFF version, the sheet
// table with each sheet's type and visibility, protection and encryption. Reads
// the record headers of the globals substream and the bodies of the few records
// it needs, then the first records of each worksheet substream (to tell dialog
// sheets); never the cell data.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "crypto/file_pass.h"
#include "crypto/record_cipher.h"
#include "io/byte_source.h"
#include "model/bof.h"
#include "xls/sheet_info.h"

namespace xls::model {

struct SheetEntry {
    SheetInfo info;
    std::uint32_t lbPlyPos = 0;  // stream position of the sheet's BOF
    std::uint8_t dt = 0;         // BoundSheet8.dt as stored
};

struct WorkbookListing {
    BiffVersion version = BiffVersion::Biff8;
    std::uint16_t codePage = 0;  // CodePage record, 0 when absent
    std::vector<SheetEntry> sheets;
    bool structureProtected = false;  // Protect.fLock in the globals
    bool windowProtected = false;     // WinProtect.fLockWn
    std::optional<crypto::FilePass> filePass;
    std::shared_ptr<const crypto::RecordCipher> cipher;  // set when the stream is encrypted
};

// What the listing does with a sheet whose first records cannot be read.
enum class UnreadableSheet {
    Refuse,        // raise, as for any damage
    ListAsStored,  // list it as its sheet table entry types it (a stream cut short)
};

// Raises Error: OldExcelFormat (a BIFF2-4 BOF), UnsupportedVersion, CorruptWorkbook
// (no BOF, truncated records, a sheet offset not at a BOF, an unknown sheet type),
// PasswordProtected / UnsupportedEncryption for encryption it cannot open, and
// what reading the stream raises.
WorkbookListing readWorkbookListing(std::shared_ptr<const io::ByteSource> stream,
                                    std::u16string_view password = crypto::kDefaultPassword,
                                    UnreadableSheet unreadable = UnreadableSheet::Refuse);

}  // namespace xls::model
