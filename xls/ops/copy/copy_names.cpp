#include "ops/copy/copy_names.h"

#include <algorithm>

#include "biff/formula_rewrite.h"
#include "biff/formula_tokens.h"
#include "biff/text_encoding.h"
#include "ops/copy/extern_table.h"
#include "ops/formula_fields.h"
#include "ops/record_runs.h"
#include "xls/error.h"
#include "xls/sheet_name.h"

namespace xls::ops::copy {

using biff::RecordType;

namespace {

constexpr std::size_t kLblItabOffset = 8;
constexpr std::size_t kLblCchOffset = 3;
constexpr std::size_t kLblNameOffset = 14;  // fHighByte, then the characters
constexpr std::uint16_t kFBuiltin = 0x0020;

struct Name {
    RecordRun run;
    std::vector<std::uint8_t> payload;  // joined with its Continue records
    std::uint16_t itab = 0;             // 0 workbook-wide, else the 1-based tab
    std::string key;                    // what tells two names apart, letter case aside
};

std::vector<Name> readNames(const model::Substream& globals) {
    std::vector<Name> names;
    for (std::size_t i = 0; i < globals.records.size(); ++i) {
        if (globals.records[i].type != RecordType::Lbl) continue;
        Name n;
        n.run = runAt(globals.records, i);
        n.payload = joinedPayload(globals.records, n.run);
        n.itab = readU16(n.payload, kLblItabOffset, "Lbl");
        const std::uint16_t flags = readU16(n.payload, 0, "Lbl");
        if (n.payload.size() <= kLblNameOffset) fail(ErrorCode::CorruptWorkbook, "Lbl too short");
        const std::size_t cch = n.payload[kLblCchOffset];
        const bool high = n.payload[kLblNameOffset] & 1;
        const std::size_t bytes = cch * (high ? 2 : 1);
        if (n.payload.size() < kLblNameOffset + 1 + bytes)
            fail(ErrorCode::CorruptWorkbook, "Lbl name runs past its record");
        std::u16string text;
        for (std::size_t c = 0; c < cch; ++c) {
            const std::size_t at = kLblNameOffset + 1 + c * (high ? 2 : 1);
            text.push_back(high ? static_cast<char16_t>(n.payload[at] | n.payload[at + 1] << 8)
                                : static_cast<char16_t>(n.payload[at]));
        }
        const std::string utf8 = biff::utf16ToUtf8(text);
        n.key = (flags & kFBuiltin ? "\x01" : "") + utf8;
        names.push_back(std::move(n));
    }
    return names;
}

bool sameName(const Name& a, const Name& b) {
    return a.key == b.key || sheetNamesEqual(a.key, b.key);
}

std::set<std::uint32_t> namesInFormulas(const Name& n) {
    std::set<std::uint32_t> used;
    for (const FormulaField& f : formulaFields(RecordType::Lbl, n.payload)) {
        const std::span<const std::uint8_t> rgce(n.payload.data() + f.offset, f.size);
        for (const biff::FormulaToken& t : biff::walkFormulaTokens(rgce))
            if (t.base == biff::PtgBase::Name) used.insert(biff::tokenNameIndex(rgce, t));
    }
    return used;
}

}  // namespace

std::set<std::uint32_t> namesLocalTo(const model::Substream& globals, std::size_t tab) {
    std::set<std::uint32_t> local;
    const auto names = readNames(globals);
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i].itab == tab + 1) local.insert(static_cast<std::uint32_t>(i + 1));
    return local;
}

void addNamesUsedByNames(const model::Substream& globals, std::set<std::uint32_t>& names) {
    const auto all = readNames(globals);
    std::vector<std::uint32_t> pending(names.begin(), names.end());
    while (!pending.empty()) {
        const std::uint32_t index = pending.back();
        pending.pop_back();
        if (index == 0 || index > all.size()) continue;
        for (std::uint32_t used : namesInFormulas(all[index - 1]))
            if (names.insert(used).second) pending.push_back(used);
    }
}

NameMap copyNames(const model::Substream& source, model::Substream& destination,
                  const NameCopyRequest& request, const IxtiMap& ixti) {
    const auto sourceNames = readNames(source);
    const auto destinationNames = readNames(destination);
    std::set<std::uint32_t> wanted = namesLocalTo(source, request.sourceTab);
    for (std::uint32_t index : request.used)
        if (index >= 1 && index <= sourceNames.size()) wanted.insert(index);
    addNamesUsedByNames(source, wanted);
    if (request.sameWorkbook) {
        // Workbook-wide names serve the copy as they are; only local ones double.
        std::erase_if(wanted, [&](std::uint32_t i) {
            return sourceNames[i - 1].itab != request.sourceTab + 1;
        });
    }
    if (wanted.empty()) return {};

    const auto newItab = static_cast<std::uint16_t>(request.newTab + 1);
    NameMap map(sourceNames.size() + 1, 0);
    for (std::uint32_t i = 1; i <= sourceNames.size(); ++i) map[i] = request.sameWorkbook ? i : 0;
    std::vector<std::pair<std::uint32_t, std::uint16_t>> added;  // source index, new itab
    auto next = static_cast<std::uint32_t>(destinationNames.size());
    // Local names first: a workbook-wide name of the same name then maps to them.
    std::vector<std::uint32_t> order(wanted.begin(), wanted.end());
    std::stable_partition(order.begin(), order.end(), [&](std::uint32_t i) {
        return sourceNames[i - 1].itab == request.sourceTab + 1;
    });
    for (std::uint32_t i : order) {
        const Name& n = sourceNames[i - 1];
        const bool local = n.itab == request.sourceTab + 1;
        bool clash = false;
        if (!local) {
            for (const Name& d : destinationNames) clash = clash || (d.itab == 0 && sameName(d, n));
        }
        const auto already = std::find_if(added.begin(), added.end(), [&](const auto& a) {
            return a.second == newItab && sameName(sourceNames[a.first - 1], n);
        });
        if (!local && already != added.end()) {
            map[i] = map[already->first];
            continue;
        }
        map[i] = ++next;
        added.emplace_back(i, local || clash ? newItab : n.itab == 0 ? std::uint16_t{0} : n.itab);
    }

    biff::FormulaEdits edits;
    edits.ixti = ixti;
    edits.name = [&](std::uint32_t index) -> std::optional<std::uint32_t> {
        if (index < map.size() && map[index] != 0) return map[index];
        return std::nullopt;
    };
    std::vector<model::Record> records;
    for (const auto& [index, itab] : added) {
        std::vector<std::uint8_t> payload = sourceNames[index - 1].payload;
        writeU16(payload, kLblItabOffset, itab, "Lbl");
        for (const FormulaField& f : formulaFields(RecordType::Lbl, payload))
            biff::rewriteFormula(std::span(payload).subspan(f.offset, f.size), edits);
        const auto run = continuedRecords(RecordType::Lbl, payload);
        records.insert(records.end(), run.begin(), run.end());
    }
    // After the last name, else after the external references, else after the sheet table.
    std::size_t at = 0;
    for (std::size_t i = 0; i < destination.records.size(); ++i) {
        const RecordType t = destination.records[i].type;
        if (t == RecordType::Lbl) at = runAt(destination.records, i).end;
        if (destinationNames.empty() &&
            (t == RecordType::ExternSheet || t == RecordType::BoundSheet8 ||
             t == RecordType::Country || t == RecordType::SupBook))
            at = runAt(destination.records, i).end;
    }
    destination.records.insert(destination.records.begin() + static_cast<long>(at), records.begin(),
                               records.end());
    return map;
}

}  // namespace xls::ops::copy
