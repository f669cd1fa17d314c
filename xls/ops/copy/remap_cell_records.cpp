#include "ops/copy/remap_cell_records.h"

#include <string>
#include <utility>

#include "io/byte_reader.h"
#include "ops/copy/cell_fields.h"
#include "ops/record_runs.h"
#include "xls/error.h"

namespace xls::ops {

using biff::RecordType;

namespace {

// One field to store: the edits of a record are all worked out before the
// first is written, so a record is rewritten whole or not at all.
struct FieldEdit {
    std::size_t offset = 0;
    std::uint32_t value = 0;
    bool wide = false;  // 4 bytes, else 2
};

std::uint32_t mapped(const IndexMap& map, std::uint32_t index, std::uint32_t limit,
                     const char* what) {
    if (index >= map.size() || map[index] > limit)
        fail(ErrorCode::CorruptWorkbook, std::string("a cell refers to ") + what + " " +
                                             std::to_string(index) +
                                             ", which the copy does not carry");
    return map[index];
}

void addFormatEdits(const model::Record& record, const IndexMap& map,
                    std::vector<FieldEdit>& edits) {
    const CellFormatFields fields = cellFormatFields(record.type, record.payload);
    for (std::size_t k = 0; k < fields.count; ++k) {
        const std::size_t at = fields.offset + k * fields.stride;
        const std::uint16_t stored = readU16(record.payload, at, "cell");
        const std::uint32_t to = mapped(map, stored & fields.mask, fields.mask, "cell format");
        edits.push_back({at, (stored & ~fields.mask & 0xFFFFU) | to, false});
    }
}

void addRunEdits(const model::Record& record, const IndexMap& map, std::vector<FieldEdit>& edits) {
    const RunArray runs = rstringRuns(record.payload);
    for (std::size_t k = 0; k < runs.count; ++k) {
        const std::size_t at = runs.offset + k * 4 + 2;  // FormatRun.ifnt
        edits.push_back(
            {at, mapped(map, readU16(record.payload, at, "RString"), 0xFFFF, "font"), false});
    }
}

bool applyEdits(model::Record& record, const std::vector<FieldEdit>& edits) {
    bool changed = false;
    for (const FieldEdit& e : edits) {
        const std::uint32_t old = e.wide ? readU32(record.payload, e.offset, "cell")
                                         : readU16(record.payload, e.offset, "cell");
        if (old == e.value) continue;
        if (e.wide) {
            io::storeU32(record.payload, e.offset, e.value);
        } else {
            io::storeU16(record.payload, e.offset, static_cast<std::uint16_t>(e.value));
        }
        changed = true;
    }
    return changed;
}

}  // namespace

std::size_t remapCellRecords(std::vector<model::Record>& chunk, const CellMaps& maps) {
    std::size_t changed = 0;
    std::vector<FieldEdit> edits;
    for (model::Record& record : chunk) {
        if (record.isStoredRun() || !holdsCellIndices(record.type)) continue;
        edits.clear();
        if (maps.cellFormats) addFormatEdits(record, *maps.cellFormats, edits);
        if (maps.sharedStrings && record.type == RecordType::LabelSst) {
            const std::uint32_t isst = readU32(record.payload, kLabelSstIsstOffset, "LabelSst");
            // The limit turns away the "not copied" entries of a string map.
            edits.push_back({kLabelSstIsstOffset,
                             mapped(*maps.sharedStrings, isst, 0xFFFFFFFE, "shared string"), true});
        }
        if (maps.fonts && record.type == RecordType::RString)
            addRunEdits(record, *maps.fonts, edits);
        if (applyEdits(record, edits)) ++changed;
    }
    return changed;
}

}  // namespace xls::ops
