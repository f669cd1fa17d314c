// The picture Obj records of a sheet whose OLE object or ActiveX control keeps
// its data in the file (an embedding storage "MBD..." or the Ctls stream), and
// the embedding storages a sheet's objects use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <span>
#include <vector>

#include "model/stored_records.h"
#include "model/workbook_stream.h"
#include "ops/obj_formula_fields.h"
#include "ops/pict_fmla.h"
#include "ops/record_runs.h"

namespace xls::ops {

inline constexpr std::uint16_t kOtPicture = 0x0008;

// Calls visit(pict, joined payload, run) for each picture Obj of records whose
// data is in the file (its fmla a PtgTbl). Stand-ins are stepped over.
template <typename Records, typename Visit>
void eachEmbeddedObject(Records& records, Visit visit) {
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (records[i].type != biff::RecordType::Obj || records[i].isStoredRun()) continue;
        const RecordRun run = runAt(records, i);
        i = run.end - 1;
        std::vector<std::uint8_t> joined = joinedPayload(records, run);
        if (objKind(joined) != kOtPicture) continue;
        const auto pict = readPictFmla(joined);
        if (pict && pict->embedded) visit(*pict, joined, run);
    }
}

// Every embedded object of the sheet, held or stored, in stream order. Only
// Obj records and the Continue records after them are copied out of the
// stored bytes: a sheet of many cells costs a pass over its records, never a
// record made of each.
template <typename Visit>
void eachEmbeddedObjectOfSheet(const model::Substream& sheet, Visit visit) {
    std::vector<model::Record> run;  // an Obj record and the Continue records after it
    const auto finish = [&] {
        if (!run.empty()) eachEmbeddedObject(run, visit);
        run.clear();
    };
    model::scanPayloads(sheet, [&](biff::RecordType type, std::span<const std::uint8_t> payload) {
        const bool continues = type == biff::RecordType::Continue && !run.empty();
        if (!continues) finish();
        if (continues || type == biff::RecordType::Obj)
            run.emplace_back(type, std::vector<std::uint8_t>(payload.begin(), payload.end()));
    });
    finish();
}

// The ids (lPosInCtlStm) of the embedding storages the substream's objects
// keep their data in; controls kept in the Ctls stream are not among them.
// Raises CorruptWorkbook for an Obj that cannot be read.
std::set<std::uint32_t> embeddingStorageIds(const model::Substream& substream);

}  // namespace xls::ops
