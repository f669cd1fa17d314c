// Arbitrary bytes as a workbook stream, past the container: list it, load it in
// full, and write it back. The full load must give back the bytes it was given.
// A compound file (the seeds are whole workbooks) is first unpacked to its stream.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "cfb/compound_file.h"
#include "io/byte_source.h"
#include "model/stream_location.h"
#include "model/workbook_listing.h"
#include "model/workbook_stream.h"
#include "xls/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> bytes(data, data + size);
    static constexpr std::uint8_t kSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (size >= sizeof kSignature && std::equal(kSignature, kSignature + 8, data)) {
        try {
            auto file =
                xls::cfb::CompoundFile::open(std::make_shared<xls::io::MemorySource>(bytes));
            bytes = file.readStream(xls::model::findWorkbookStream(file).id);
        } catch (const xls::Error&) {
            return 0;
        }
    }
    try {
        auto source = std::make_shared<xls::io::MemorySource>(bytes);
        (void)xls::model::readWorkbookListing(source);
    } catch (const xls::Error&) {
    }
    try {
        auto stream = xls::model::parseWorkbookStream(bytes);
        if (stream.cipher) return 0;  // written back encrypted: compared elsewhere
        if (xls::model::serializeWorkbookStream(stream) != bytes) std::abort();
    } catch (const xls::Error&) {
    }
    return 0;
}
