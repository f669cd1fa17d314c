// Open a workbook from arbitrary bytes and list its sheets: the path every
// listing takes. Any input must end in a listing or an xls::Error.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "xls/error.h"
#include "xls/workbook.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        auto book = xls::Workbook::openBytes(std::vector<std::uint8_t>(data, data + size), "fuzz");
        std::size_t total = 0;
        for (const auto& sheet : book.sheets()) total += sheet.name.size();
        for (std::size_t index : book.worksheetIndices())
            total += book.sheets().at(index).name.size();
        (void)book.isStructureProtected();
        (void)total;
    } catch (const xls::Error&) {
    }
    return 0;
}
