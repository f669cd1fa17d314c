#include "model/workbook_listing.h"

#include "model/globals_reader.h"
#include "model/sheet_probe.h"

namespace xls::model {

WorkbookListing readWorkbookListing(std::shared_ptr<const io::ByteSource> stream,
                                    std::u16string_view password) {
    biff::RecordReader reader(std::move(stream));
    WorkbookListing listing = readGlobals(reader, password);
    for (SheetEntry& sheet : listing.sheets) probeSheet(reader, sheet);
    return listing;
}

}  // namespace xls::model
