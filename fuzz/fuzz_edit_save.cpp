// Open and list arbitrary workbooks (the path every listing takes), then rename,
// delete, save to bytes and reopen them. Any input must end in a listing or an
// xls::Error; whatever the engine writes must open again with the edits in place.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "xls/error.h"
#include "xls/workbook.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> written;
    std::size_t sheetCount = 0;
    try {
        auto book = xls::Workbook::openBytes(std::vector<std::uint8_t>(data, data + size), "fuzz");
        for (std::size_t index : book.worksheetIndices()) check(index < book.sheets().size());
        (void)book.isStructureProtected();
        if (book.sheets().empty()) return 0;
        const std::size_t last = book.sheets().size() - 1;
        book.renameSheet(0, "Renamed by fuzz");
        try {
            book.deleteSheet(last);
        } catch (const xls::Error&) {
            // The last visible sheet, say: a refusal leaves the rename standing.
        }
        sheetCount = book.sheets().size();
        written = book.serialize();
    } catch (const xls::Error&) {
        return 0;
    }
    // What the engine wrote must read back, with the same sheets.
    auto reopened = xls::Workbook::openBytes(std::move(written), "fuzz-output");
    check(reopened.sheets().size() == sheetCount);
    check(reopened.sheets().front().name == "Renamed by fuzz");
    return 0;
}
