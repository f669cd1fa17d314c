// Arbitrary bytes as a workbook stream, past the container: list it, load it in
// full, and write it back. The full load must give back the bytes it was given,
// and the lazy load (sheets' records left stored, then read back in small
// chunks) must write the same as the full one.
// A compound file (the seeds are whole workbooks) is first unpacked to its stream.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "biff/record_reader.h"
#include "cfb/compound_file.h"
#include "io/byte_source.h"
#include "model/stored_records.h"
#include "model/stream_location.h"
#include "model/stream_writer.h"
#include "model/workbook_listing.h"
#include "model/workbook_stream.h"
#include "xls/error.h"

namespace {

std::shared_ptr<const xls::io::ByteSource> source(const std::vector<std::uint8_t>& bytes) {
    return std::make_shared<xls::io::MemorySource>(bytes);
}

bool holdsOversizedRecord(const xls::model::WorkbookStream& stream) {
    for (const auto& substream : stream.substreams)
        for (const auto& record : substream.records)
            if (record.payload.size() > xls::biff::kMaxRecordPayload) return true;
    return false;
}

}  // namespace

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
        (void)xls::model::readWorkbookListing(source(bytes));
    } catch (const xls::Error&) {
    }
    try {
        auto stream = xls::model::parseWorkbookStream(bytes);
        if (stream.cipher) return 0;  // written back encrypted: compared elsewhere
        if (xls::model::serializeWorkbookStream(stream) != bytes) std::abort();
        auto lazy = xls::model::parseWorkbookStream(source(bytes));
        // A held record longer than a record may be goes out split in Continue
        // records; a stored one is copied as it is.
        const auto hints = xls::model::readWriteHints(source(bytes));
        if (!holdsOversizedRecord(stream) &&
            xls::model::writeWorkbookStream(lazy, hints).toVector() !=
                xls::model::writeWorkbookStream(stream, hints).toVector())
            std::abort();
        for (auto& substream : lazy.substreams)
            xls::model::editStoredRecords(
                substream, [](auto&) {}, {}, 64);
        if (xls::model::serializeWorkbookStream(lazy) != bytes) std::abort();
    } catch (const xls::Error&) {
    }
    return 0;
}
