#include "ops/copy/chart_records.h"

#include <string>

#include "ops/record_runs.h"
#include "xls/error.h"

namespace xls::ops::copy {

namespace {

enum class Kind { Font, NumberFormat, Colour };

struct ChartField {
    std::uint16_t type;
    std::size_t offset;
    Kind kind;
};

constexpr ChartField kFields[] = {
    {0x1026, 0, Kind::Font},          // FontX.iFont
    {0x1060, 8, Kind::Font},          // Fbi.ifnt
    {0x1068, 8, Kind::Font},          // Fbi2.ifnt
    {0x104E, 0, Kind::NumberFormat},  // IFmtRecord.ifmt
    {0x1007, 10, Kind::Colour},       // LineFormat.icv
    {0x100A, 12, Kind::Colour},       // AreaFormat.icvFore
    {0x100A, 14, Kind::Colour},       // AreaFormat.icvBack
    {0x1009, 12, Kind::Colour},       // MarkerFormat.icvFore
    {0x1009, 14, Kind::Colour},       // MarkerFormat.icvBack
    {0x1025, 26, Kind::Colour},       // Text.icvText
    {0x101E, 26, Kind::Colour},       // Tick.icv
};

template <typename Visit>
void eachField(const model::Record& record, Visit visit) {
    if (record.isStoredRun()) return;
    const auto type = biff::toU16(record.type);
    for (const ChartField& f : kFields)
        if (f.type == type && f.offset + 2 <= record.payload.size()) visit(f);
}

}  // namespace

ChartUse chartUse(const std::vector<model::Record>& records) {
    ChartUse use;
    for (const model::Record& r : records)
        eachField(r, [&](const ChartField& f) {
            const std::uint16_t value = readU16(r.payload, f.offset, "chart");
            if (f.kind == Kind::NumberFormat) use.ifmts.insert(value);
            if (f.kind == Kind::Colour) use.colours.insert(value);
        });
    return use;
}

std::size_t remapChartRecords(std::vector<model::Record>& records, const FormatMergePlan& plan) {
    std::size_t changed = 0;
    for (model::Record& r : records) {
        bool touched = false;
        eachField(r, [&](const ChartField& f) {
            const std::uint16_t value = readU16(r.payload, f.offset, "chart");
            std::uint32_t to = value;
            if (f.kind == Kind::Font) {
                if (!isMapped(plan.fonts, value))
                    fail(ErrorCode::CorruptWorkbook, "a chart names font " + std::to_string(value) +
                                                         ", which the workbook lacks");
                to = plan.fonts[value];
            } else if (f.kind == Kind::NumberFormat) {
                if (isMapped(plan.ifmts, value)) to = plan.ifmts[value];
            } else {
                to = translateColour(plan, value);
            }
            if (to == value) return;
            writeU16(r.payload, f.offset, static_cast<std::uint16_t>(to), "chart");
            touched = true;
        });
        changed += touched ? 1 : 0;
    }
    return changed;
}

}  // namespace xls::ops::copy
