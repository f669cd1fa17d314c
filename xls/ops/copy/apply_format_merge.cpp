#include "ops/copy/apply_format_merge.h"

#include <algorithm>
#include <initializer_list>
#include <optional>

#include "xls/error.h"

namespace xls::ops::copy {

namespace {

using biff::RecordType;
using model::Record;

// The position of the last record of one of these types.
std::optional<std::size_t> lastOf(const std::vector<Record>& records,
                                  std::initializer_list<RecordType> types) {
    for (std::size_t i = records.size(); i-- > 0;)
        if (!records[i].isStoredRun() &&
            std::find(types.begin(), types.end(), records[i].type) != types.end())
            return i;
    return std::nullopt;
}

std::size_t countOf(const std::vector<Record>& records, RecordType type) {
    return static_cast<std::size_t>(
        std::count_if(records.begin(), records.end(),
                      [&](const Record& r) { return !r.isStoredRun() && r.type == type; }));
}

// Inserts the records after the last record of the first group that has one.
void insertAfterLast(std::vector<Record>& records,
                     std::initializer_list<std::initializer_list<RecordType>> groups,
                     std::vector<Record> added) {
    if (added.empty()) return;
    for (const auto& group : groups) {
        if (const auto last = lastOf(records, group)) {
            records.insert(records.begin() + static_cast<std::ptrdiff_t>(*last + 1),
                           std::make_move_iterator(added.begin()),
                           std::make_move_iterator(added.end()));
            return;
        }
    }
}

template <typename Item, typename Write>
std::vector<Record> recordsOf(RecordType type, const std::vector<Item>& items, Write write) {
    std::vector<Record> out;
    for (const Item& item : items) out.emplace_back(type, write(item));
    return out;
}

void refreshXfcrc(std::vector<Record>& records) {
    std::vector<model::records::XF> xfs;
    for (const Record& record : records)
        if (!record.isStoredRun() && record.type == RecordType::XF)
            xfs.push_back(model::records::readXF(record.payload));
    for (Record& record : records)
        if (!record.isStoredRun() && record.type == RecordType::XFCRC)
            record.payload = model::records::writeXFCRC(
                {static_cast<std::uint16_t>(xfs.size()), model::records::xfChecksum(xfs)});
}

}  // namespace

void applyFormatMerge(const FormatMergePlan& plan, model::Substream& destinationGlobals) {
    auto& records = destinationGlobals.records;
    if (countOf(records, RecordType::XF) != plan.destinationXfs ||
        !lastOf(records, {RecordType::Font}))
        fail(ErrorCode::UnsupportedOperation,
             "the destination's format tables changed after the copy was planned");

    insertAfterLast(records, {{RecordType::Font}},
                    recordsOf(RecordType::Font, plan.addedFonts, model::records::writeFont));
    insertAfterLast(
        records, {{RecordType::Format}, {RecordType::Font}},
        recordsOf(RecordType::Format, plan.addedNumberFormats, model::records::writeNumberFormat));
    insertAfterLast(records, {{RecordType::XF}},
                    recordsOf(RecordType::XF, plan.addedXfs, model::records::writeXF));
    if (!plan.addedXfExts.empty() && !lastOf(records, {RecordType::XFCRC, RecordType::XFExt}))
        insertAfterLast(records, {{RecordType::XF}},
                        {Record(RecordType::XFCRC, model::records::writeXFCRC({}))});
    insertAfterLast(records, {{RecordType::XFExt}, {RecordType::XFCRC}},
                    recordsOf(RecordType::XFExt, plan.addedXfExts, model::records::writeXFExt));

    if (plan.colours.paletteChanged) {
        auto palette = model::records::writePalette(plan.colours.destination);
        if (const auto stored = lastOf(records, {RecordType::Palette}))
            records[*stored].payload = std::move(palette);
        else
            insertAfterLast(
                records,
                {{RecordType::TableStyleElement, RecordType::TableStyle, RecordType::TableStyles,
                  RecordType::StyleExt, RecordType::Style},
                 {RecordType::DXF, RecordType::XFExt, RecordType::XFCRC, RecordType::XF}},
                {Record(RecordType::Palette, std::move(palette))});
    }
    if (plan.refreshXfcrc) refreshXfcrc(records);
}

}  // namespace xls::ops::copy
