// Fuzz target for the compound-file container: open any bytes, walk the
// directory, read every stream whole and in pieces; when every stream reads,
// rewrite the file and check the rewrite holds the same streams, and that
// streaming every stream from the original as a rope writes the same bytes.
// Only xls::Error may come out of the reader; a rewrite that differs aborts.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cfb/compound_file.h"
#include "cfb/compound_file_writer.h"
#include "io/byte_rope.h"
#include "io/byte_source.h"
#include "xls/error.h"

namespace {

using Streams = std::map<std::u16string, std::vector<std::uint8_t>>;

// Every stream by path, and each as a rope of its original range, by id; false
// when one of them does not read.
bool readAllStreams(const xls::cfb::CompoundFile& file, Streams& streams,
                    std::map<std::uint32_t, xls::io::ByteRope>* ropes = nullptr) {
    bool complete = true;
    std::vector<std::pair<std::uint32_t, std::u16string>> pending{{0, u""}};
    while (!pending.empty()) {
        const auto [id, path] = pending.back();
        pending.pop_back();
        for (std::uint32_t child : file.children(id)) {
            const auto& entry = file.entries()[child];
            const std::u16string childPath = path + u"/" + entry.name;
            if (entry.type != xls::cfb::EntryType::Stream) {
                pending.push_back({child, childPath});
                continue;
            }
            try {
                const auto stream = file.openStream(child);
                std::vector<std::uint8_t> tail(std::min<std::uint64_t>(stream->size(), 100));
                stream->readAt(stream->size() - tail.size(), tail);
                streams[childPath] = file.readStream(child);
                if (ropes != nullptr) {
                    xls::io::ByteRope rope;
                    rope.append(stream, 0, stream->size());
                    (*ropes)[child] = std::move(rope);
                }
            } catch (const xls::Error&) {
                complete = false;  // a damaged stream; the others may still read
            }
        }
    }
    return complete;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        auto source =
            std::make_shared<xls::io::MemorySource>(std::vector<std::uint8_t>(data, data + size));
        const auto file = xls::cfb::CompoundFile::open(source);
        (void)file.find(u"Workbook");
        Streams before;
        std::map<std::uint32_t, xls::io::ByteRope> ropes;
        if (!readAllStreams(file, before, &ropes)) return 0;

        auto rewritten = xls::cfb::rewriteCompoundFile(file, {});
        xls::io::VectorSink streamed;
        xls::cfb::writeCompoundFile(file, ropes, {}, streamed);
        if (streamed.bytes() != rewritten) std::abort();
        const auto copy = xls::cfb::CompoundFile::open(
            std::make_shared<xls::io::MemorySource>(std::move(rewritten)));
        Streams after;
        if (!readAllStreams(copy, after) || after != before) std::abort();
    } catch (const xls::Error&) {
    }
    return 0;
}
