// Fuzz target for the compound-file reader: open any bytes, walk the directory,
// read every stream whole and in pieces. Only xls::Error may come out.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "cfb/compound_file.h"
#include "io/byte_source.h"
#include "xls/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        auto source =
            std::make_shared<xls::io::MemorySource>(std::vector<std::uint8_t>(data, data + size));
        const auto file = xls::cfb::CompoundFile::open(source);
        for (std::uint32_t id = 0; id < file.entries().size(); ++id) {
            (void)file.children(id);
            if (file.entries()[id].type != xls::cfb::EntryType::Stream) continue;
            try {
                const auto stream = file.openStream(id);
                std::vector<std::uint8_t> piece(std::min<std::uint64_t>(stream->size(), 100));
                if (stream->size() > piece.size())
                    stream->readAt(stream->size() - piece.size(), piece);
                (void)file.readStream(id);
            } catch (const xls::Error&) {
                // A damaged stream; the others may still read.
            }
        }
        (void)file.find(u"Workbook");
    } catch (const xls::Error&) {
    }
    return 0;
}
