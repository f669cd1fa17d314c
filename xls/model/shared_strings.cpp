#include "model/shared_strings.h"

#include <cstring>

#include "biff/record_scanner.h"
#include "xls/error.h"

namespace xls::model {

namespace {

// The payloads of the SST and its Continue records joined end to end, with
// where each Continue's begins: read from the stand-in that keeps them (its
// record headers taken out in place), or from the records held.
SstIndex indexedTable(const WorkbookStream& stream, const SstIndex::Visit& visit,
                      const SstIndex::Wants& wants) {
    const auto& records = stream.globals.records;
    std::vector<std::uint8_t> joined;
    std::vector<std::size_t> continueStarts;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const Record& r = records[i];
        if (r.stored && r.stored->first == biff::RecordType::SST) {
            joined.resize(static_cast<std::size_t>(r.stored->size));
            r.stored->readInto(joined);
            std::uint64_t tail = 0;
            const auto headers = biff::scanRecordHeaders(joined, &tail);
            if (tail != joined.size())
                fail(ErrorCode::CorruptWorkbook, "the stored records changed since they were read");
            std::size_t end = 0;
            for (const auto& h : headers) {
                if (&h != &headers.front()) continueStarts.push_back(end);
                std::memmove(joined.data() + end, joined.data() + h.bodyOffset(), h.size);
                end += h.size;
            }
            joined.resize(end);
            break;
        }
        if (r.type != biff::RecordType::SST) continue;
        std::size_t end = i + 1;
        std::size_t total = r.payload.size();
        for (; end < records.size() && records[end].type == biff::RecordType::Continue; ++end)
            total += records[end].payload.size();
        joined.reserve(total);
        joined.assign(r.payload.begin(), r.payload.end());
        for (std::size_t k = i + 1; k < end; ++k) {
            continueStarts.push_back(joined.size());
            joined.insert(joined.end(), records[k].payload.begin(), records[k].payload.end());
        }
        break;
    }
    return SstIndex(std::move(joined), std::move(continueStarts), visit, wants);
}

}  // namespace

SstTable readSharedStrings(const WorkbookStream& stream) {
    if (stream.editedSst) return *stream.editedSst;
    return indexedTable(stream, {}, {}).table();
}

SstIndex indexSharedStrings(const WorkbookStream& stream, const SstIndex::Visit& visit,
                            const SstIndex::Wants& wants) {
    if (!stream.editedSst) return indexedTable(stream, visit, wants);
    SstLayout layout = layoutSst(stream.editedSst->cstTotal, stream.editedSst->strings);
    return SstIndex({layout.payloads.begin(), layout.payloads.end()}, visit, wants);
}

}  // namespace xls::model
