#include "model/workbook_listing.h"

#include "model/globals_reader.h"
#include "model/sheet_probe.h"
#include "xls/error.h"

namespace xls::model {

WorkbookListing readWorkbookListing(std::shared_ptr<const io::ByteSource> stream,
                                    std::u16string_view password, UnreadableSheet unreadable) {
    biff::RecordReader reader(std::move(stream));
    WorkbookListing listing = readGlobals(reader, password);
    for (SheetEntry& sheet : listing.sheets) {
        try {
            probeSheet(reader, sheet);
        } catch (const Error&) {
            // The probe changes nothing before it has read WsBool whole.
            if (unreadable == UnreadableSheet::Refuse) throw;
        }
    }
    return listing;
}

}  // namespace xls::model
