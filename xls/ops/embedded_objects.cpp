#include "ops/embedded_objects.h"

namespace xls::ops {

std::set<std::uint32_t> embeddingStorageIds(const model::Substream& substream) {
    std::set<std::uint32_t> ids;
    eachEmbeddedObjectOfSheet(substream, [&](const PictFmla& pict, auto&, RecordRun) {
        if (!pict.inControlStream()) ids.insert(pict.lPosInCtlStm);
    });
    return ids;
}

}  // namespace xls::ops
