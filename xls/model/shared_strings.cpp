#include "model/shared_strings.h"

#include "biff/record_scanner.h"
#include "xls/error.h"

namespace xls::model {

SstTable readSharedStrings(const WorkbookStream& stream) {
    if (stream.editedSst) return *stream.editedSst;
    const auto& records = stream.globals.records;
    std::vector<std::uint8_t> storedBytes;
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
    return readSst(payloads);
}

}  // namespace xls::model
