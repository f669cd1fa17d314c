#include "model/shared_strings.h"

#include "biff/record_scanner.h"
#include "xls/error.h"

namespace xls::model {

namespace {

// The payloads of the stored SST and its Continue records, held or read from
// the stand-in that keeps them (into storedBytes, which they point into).
std::vector<std::span<const std::uint8_t>> sstPayloads(const WorkbookStream& stream,
                                                       std::vector<std::uint8_t>& storedBytes) {
    const auto& records = stream.globals.records;
    std::vector<std::span<const std::uint8_t>> payloads;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const Record& r = records[i];
        if (r.stored && r.stored->first == biff::RecordType::SST) {
            storedBytes.resize(static_cast<std::size_t>(r.stored->size));
            r.stored->readInto(storedBytes);
            std::uint64_t tail = 0;
            for (const auto& h : biff::scanRecordHeaders(storedBytes, &tail))
                payloads.push_back(std::span(storedBytes)
                                       .subspan(static_cast<std::size_t>(h.bodyOffset()), h.size));
            if (tail != storedBytes.size())
                fail(ErrorCode::CorruptWorkbook, "the stored records changed since they were read");
            break;
        }
        if (r.type != biff::RecordType::SST) continue;
        payloads.push_back(r.payload);
        for (std::size_t k = i + 1;
             k < records.size() && records[k].type == biff::RecordType::Continue; ++k)
            payloads.push_back(records[k].payload);
        break;
    }
    return payloads;
}

}  // namespace

SstTable readSharedStrings(const WorkbookStream& stream) {
    if (stream.editedSst) return *stream.editedSst;
    std::vector<std::uint8_t> storedBytes;
    return readSst(sstPayloads(stream, storedBytes));
}

SstIndex indexSharedStrings(const WorkbookStream& stream, const SstIndex::Visit& visit) {
    std::vector<std::uint8_t> storedBytes;
    if (!stream.editedSst) return SstIndex(sstPayloads(stream, storedBytes), visit);
    SstLayout layout = layoutSst(stream.editedSst->cstTotal, stream.editedSst->strings);
    return SstIndex({layout.payloads.begin(), layout.payloads.end()}, visit);
}

}  // namespace xls::model
