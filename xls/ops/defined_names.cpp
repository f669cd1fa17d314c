#include "ops/defined_names.h"

#include "ops/record_runs.h"

namespace xls::ops {

using biff::RecordType;

namespace {

constexpr std::size_t kLblItabOffset = 8;  // after flags, chKey, cch, cce, reserved

}  // namespace

void checkNamesReadable(const model::Substream& globals) {
    for (const auto& r : globals.records)
        if (r.type == RecordType::Lbl) readU16(r.payload, kLblItabOffset, "Lbl");
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
        const std::uint16_t itab = readU16(payload, kLblItabOffset, "Lbl");
        if (itab == localItab) {
            renumbering.push_back(0);
            removedAny = true;
            i = run.end;
            continue;
        }
        if (itab > localItab)
            writeU16(payload, kLblItabOffset, static_cast<std::uint16_t>(itab - 1), "Lbl");
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
        const std::uint16_t itab = readU16(r.payload, kLblItabOffset, "Lbl");
        if (itab == 0 || itab > newTabOf.size()) continue;  // global, or no such sheet
        writeU16(r.payload, kLblItabOffset, static_cast<std::uint16_t>(newTabOf[itab - 1] + 1),
                 "Lbl");
    }
}

}  // namespace xls::ops
