#include "ops/defined_names.h"

#include "model/records/lbl.h"
#include "ops/record_runs.h"

namespace xls::ops {

using biff::RecordType;

void checkNamesReadable(const model::Substream& globals) {
    for (const auto& r : globals.records)
        if (r.type == RecordType::Lbl) model::records::readLblHeader(r.payload);
}

NameRenumbering removeNamesOfSheet(model::Substream& globals, std::size_t tab) {
    const auto localItab = static_cast<std::uint16_t>(tab + 1);  // itab is 1-based
    NameRenumbering renumbering{0};
    std::uint32_t kept = 0;
    bool removedAny = false;
    std::vector<model::Record> records;
    records.reserve(globals.records.size());
    for (std::size_t i = 0; i < globals.records.size();) {
        if (globals.records[i].type != RecordType::Lbl) {
            records.push_back(std::move(globals.records[i++]));
            continue;
        }
        const RecordRun run = runAt(globals.records, i);
        auto& payload = globals.records[i].payload;
        auto header = model::records::readLblHeader(payload);
        if (header.itab == localItab) {
            renumbering.push_back(0);
            removedAny = true;
            i = run.end;
            continue;
        }
        if (header.itab > localItab) {
            --header.itab;
            model::records::writeLblHeader(payload, header);
        }
        renumbering.push_back(++kept);
        for (; i < run.end; ++i) records.push_back(std::move(globals.records[i]));
    }
    globals.records = std::move(records);
    if (!removedAny) return {};
    return renumbering;
}

void followSheetsToNewTabs(model::Substream& globals, const std::vector<std::size_t>& newTabOf) {
    for (auto& r : globals.records) {
        if (r.type != RecordType::Lbl) continue;
        auto header = model::records::readLblHeader(r.payload);
        // A global name, or one of no such sheet.
        if (header.itab == 0 || header.itab > newTabOf.size()) continue;
        header.itab = static_cast<std::uint16_t>(newTabOf[header.itab - 1] + 1);
        model::records::writeLblHeader(r.payload, header);
    }
}

}  // namespace xls::ops
