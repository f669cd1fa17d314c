// Reads the workbook globals substream for a listing (see workbook_listing.h):
// BOF, FilePass, CodePage, Protect, WinProtect and the BoundSheet8 sheet table.
#pragma once

#include "biff/record_reader.h"
#include "model/workbook_listing.h"

namespace xls::model {

// Reads from the start of the stream through the globals' EOF; on return the
// reader decrypts bodies when the workbook is encrypted.
WorkbookListing readGlobals(biff::RecordReader& reader, std::u16string_view password);

// Parses a BoundSheet8 body (2.4.28), or BIFF5's BoundSheet with a code-page name.
SheetEntry parseBoundSheet(std::span<const std::uint8_t> body, BiffVersion version,
                           std::uint16_t codePage);

}  // namespace xls::model
