#include "ops/copy/external_cache.h"

#include <algorithm>
#include <bit>
#include <optional>
#include <string>
#include <variant>

#include "biff/formula_rewrite.h"
#include "biff/formula_tokens.h"
#include "biff/record_reader.h"
#include "io/byte_reader.h"
#include "io/byte_writer.h"
#include "model/stored_records.h"
#include "ops/copy/extern_table.h"
#include "ops/copy/shared_string_table.h"
#include "ops/formula_fields.h"
#include "ops/record_runs.h"

namespace xls::ops::copy {

using biff::RecordType;

namespace {

constexpr std::uint16_t kColumnMask = 0x00FF;  // BIFF8 columns; the bits above are flags
constexpr std::uint8_t kSerNil = 0x00;
constexpr std::uint8_t kSerNum = 0x01;
constexpr std::uint8_t kSerStr = 0x02;
constexpr std::uint8_t kSerBool = 0x04;
constexpr std::uint8_t kSerErr = 0x10;

struct Boolean {
    bool value;
};
struct ErrorValue {
    std::uint8_t code;
};
using Value = std::variant<double, std::u16string, Boolean, ErrorValue>;
using Cells = std::map<std::pair<std::uint16_t, std::uint16_t>, Value>;  // (row, col)

bool formulaRecord(RecordType type) {
    return type == RecordType::Formula || type == RecordType::Array || type == RecordType::CF ||
           type == RecordType::DV || type == RecordType::BRAI || type == RecordType::Obj ||
           type == RecordType::TxO;
}

double rkValue(std::uint32_t rk) {
    double value = 0;
    if (rk & 0x02) {
        value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        value = std::bit_cast<double>(std::uint64_t{rk & 0xFFFFFFFCu} << 32);
    }
    return rk & 0x01 ? value / 100 : value;
}

std::u16string readUnicodeString(io::ByteReader& r) {
    const std::uint16_t cch = r.u16();
    const bool high = r.u8() & 0x01;
    std::u16string text;
    for (std::uint16_t i = 0; i < cch && !r.atEnd(); ++i)
        text.push_back(high ? static_cast<char16_t>(r.u16()) : static_cast<char16_t>(r.u8()));
    return text;
}

// The areas of one sheet as merged row intervals per column, so a cell is
// looked up in the time of a binary search, whatever the number of areas.
class AreaIndex {
  public:
    explicit AreaIndex(const std::vector<CellArea>& areas) : columns_(256) {
        for (const CellArea& a : areas)
            for (unsigned c = a.colFirst; c <= a.colLast && c < columns_.size(); ++c)
                columns_[c].emplace_back(a.rowFirst, a.rowLast);
        for (auto& rows : columns_) {
            std::sort(rows.begin(), rows.end());
            std::vector<Rows> merged;
            for (const Rows& r : rows) {
                if (!merged.empty() && r.first <= merged.back().second + 1u) {
                    merged.back().second = std::max(merged.back().second, r.second);
                } else {
                    merged.push_back(r);
                }
            }
            rows = std::move(merged);
        }
    }

    bool contains(std::uint16_t row, std::uint16_t col) const {
        if (col >= columns_.size()) return false;
        const auto& rows = columns_[col];
        auto it = std::upper_bound(rows.begin(), rows.end(), Rows{row, 0xFFFF});
        return it != rows.begin() && std::prev(it)->second >= row;
    }

  private:
    using Rows = std::pair<std::uint16_t, std::uint16_t>;  // first and last row
    std::vector<std::vector<Rows>> columns_;
};

// The values of the sheet's cells that lie in areas.
Cells readValues(const model::Substream& sheet, const std::vector<CellArea>& areas,
                 const model::SstIndex& strings) {
    const AreaIndex index(areas);
    const auto wanted = [&](std::uint16_t row, std::uint16_t col) {
        return index.contains(row, col);
    };
    Cells cells;
    std::optional<std::pair<std::uint16_t, std::uint16_t>> awaitingString;
    const auto reads = [](RecordType t) {
        return t == RecordType::Number || t == RecordType::RK || t == RecordType::MulRk ||
               t == RecordType::LabelSst || t == RecordType::Label || t == RecordType::BoolErr ||
               t == RecordType::Formula || t == RecordType::String;
    };
    model::scanPayloads(sheet, [&](RecordType type, std::span<const std::uint8_t> payload) {
        if (!reads(type)) return;
        io::ByteReader r(payload);
        if (type == RecordType::String && awaitingString) {
            cells[*awaitingString] = readUnicodeString(r);
            awaitingString.reset();
            return;
        }
        if (payload.size() < 6) return;
        const std::uint16_t row = r.u16();
        const std::uint16_t col = r.u16();
        if (type == RecordType::MulRk) {
            for (std::uint16_t c = col; r.remaining() >= 8; ++c) {
                r.skip(2);
                const double v = rkValue(r.u32());
                if (wanted(row, c)) cells[{row, c}] = v;
            }
            return;
        }
        if (!wanted(row, col)) return;
        r.skip(2);  // ixfe
        switch (type) {
            case RecordType::Number:
                if (r.remaining() >= 8) cells[{row, col}] = std::bit_cast<double>(r.u64());
                break;
            case RecordType::RK:
                if (r.remaining() >= 4) cells[{row, col}] = rkValue(r.u32());
                break;
            case RecordType::LabelSst:
                if (r.remaining() >= 4) {
                    const std::uint32_t isst = r.u32();
                    if (isst < strings.size()) cells[{row, col}] = strings.at(isst).chars;
                }
                break;
            case RecordType::Label:
                cells[{row, col}] = readUnicodeString(r);
                break;
            case RecordType::BoolErr:
                if (r.remaining() >= 2) {
                    const std::uint8_t value = r.u8();
                    if (r.u8()) {
                        cells[{row, col}] = ErrorValue{value};
                    } else {
                        cells[{row, col}] = Boolean{value != 0};
                    }
                }
                break;
            case RecordType::Formula: {
                if (r.remaining() < 8) break;
                const auto bytes = r.bytes(8);
                if (bytes[6] != 0xFF || bytes[7] != 0xFF) {
                    cells[{row, col}] = std::bit_cast<double>(io::ByteReader(bytes).u64());
                } else if (bytes[0] == 0x00) {
                    awaitingString = std::pair{row, col};
                } else if (bytes[0] == 0x01) {
                    cells[{row, col}] = Boolean{bytes[2] != 0};
                } else if (bytes[0] == 0x02) {
                    cells[{row, col}] = ErrorValue{bytes[2]};
                } else if (bytes[0] == 0x03) {
                    cells[{row, col}] = std::u16string();
                }
                break;
            }
            default:
                break;
        }
    });
    return cells;
}

void writeValue(io::ByteWriter& out, const Value* value) {
    if (!value) {
        out.u8(kSerNil).zeros(8);
    } else if (const auto* n = std::get_if<double>(value)) {
        out.u8(kSerNum).f64(*n);
    } else if (const auto* s = std::get_if<std::u16string>(value)) {
        const bool high = std::any_of(s->begin(), s->end(), [](char16_t c) { return c > 0xFF; });
        out.u8(kSerStr).u16(static_cast<std::uint16_t>(s->size())).u8(high ? 1 : 0);
        for (char16_t c : *s) {
            if (high) {
                out.u16(static_cast<std::uint16_t>(c));
            } else {
                out.u8(static_cast<std::uint8_t>(c));
            }
        }
    } else if (const auto* b = std::get_if<Boolean>(value)) {
        out.u8(kSerBool).u8(b->value ? 1 : 0).zeros(7);
    } else {
        out.u8(kSerErr).u8(std::get<ErrorValue>(*value).code).zeros(7);
    }
}

}  // namespace

std::map<std::uint16_t, std::vector<CellArea>> externalAreas(const model::Substream& sourceGlobals,
                                                             const CopiedSheet& sheet,
                                                             std::size_t skipTab,
                                                             const std::set<std::uint32_t>& names) {
    std::map<std::uint16_t, std::vector<CellArea>> areas;
    const ExternTable table(sourceGlobals);
    const auto self = table.selfSupBook();
    if (!self) return areas;
    std::vector<biff::FormulaToken> tokens;
    const auto addAreas = [&](RecordType type, const std::vector<std::uint8_t>& payload) {
        std::vector<FormulaField> fields;
        try {
            fields = formulaFields(type, payload);
        } catch (const Error&) {
            return;  // the copy's own pass refuses what it cannot read
        }
        for (const FormulaField& f : fields) {
            const std::span<const std::uint8_t> rgce(payload.data() + f.offset, f.size);
            try {
                biff::walkFormulaTokens(rgce, tokens);
            } catch (const Error&) {
                continue;
            }
            for (const biff::FormulaToken& t : tokens) {
                if (t.base != biff::PtgBase::Ref3d && t.base != biff::PtgBase::Area3d) continue;
                const std::uint16_t ixti = biff::tokenIxti(rgce, t);
                if (ixti >= table.xtis().size()) continue;
                const Xti x = table.xtis()[ixti];
                if (x.supBook != *self) continue;
                io::ByteReader r(rgce.subspan(t.offset + 3, t.size - 3));
                CellArea area;
                if (t.base == biff::PtgBase::Ref3d) {
                    area.rowFirst = area.rowLast = r.u16();
                    area.colFirst = area.colLast = r.u16() & kColumnMask;
                } else {
                    area.rowFirst = r.u16();
                    area.rowLast = r.u16();
                    area.colFirst = r.u16() & kColumnMask;
                    area.colLast = r.u16() & kColumnMask;
                }
                const auto first = static_cast<std::int16_t>(x.itabFirst);
                const auto last = static_cast<std::int16_t>(x.itabLast);
                if (first < 0 || last < 0) continue;
                for (int tab = std::min(first, last); tab <= std::max(first, last); ++tab)
                    if (static_cast<std::size_t>(tab) != skipTab)
                        areas[static_cast<std::uint16_t>(tab)].push_back(area);
            }
        }
    };
    std::vector<std::uint8_t> joined;
    sheet.readAll([&](const std::vector<model::Record>& records) {
        for (std::size_t i = 0; i < records.size(); ++i) {
            const auto type = records[i].type;
            if (!formulaRecord(type)) continue;
            joinedInto(records, runAt(records, i), joined);
            addAreas(type, joined);
        }
    });
    // The defined names copied with the sheet read through the same XTIs.
    std::uint32_t nameIndex = 0;
    for (std::size_t i = 0; i < sourceGlobals.records.size(); ++i) {
        if (sourceGlobals.records[i].type != RecordType::Lbl) continue;
        if (names.count(++nameIndex))
            addAreas(RecordType::Lbl,
                     joinedPayload(sourceGlobals.records, runAt(sourceGlobals.records, i)));
    }
    return areas;
}

std::vector<model::Record> externalCacheRecords(
    const model::WorkbookStream& source, const model::SstIndex& strings,
    const std::map<std::uint16_t, std::vector<CellArea>>& areas, std::size_t maxCells) {
    std::vector<model::Record> records;
    if (areas.empty()) return records;
    std::size_t budget = maxCells;
    for (const auto& [tab, sheetAreas] : areas) {
        if (tab >= source.sheetSubstream.size()) continue;
        const Cells cells =
            readValues(source.substreams[source.sheetSubstream[tab]], sheetAreas, strings);
        std::vector<model::Record> crns;
        // One CRN per run of cells in a row, cut where a record would grow too long.
        for (auto it = cells.begin(); it != cells.end() && budget > 0;) {
            const std::uint16_t row = it->first.first;
            const std::uint16_t colFirst = it->first.second;
            io::ByteWriter values;
            std::uint16_t col = colFirst;
            while (it != cells.end() && budget > 0 && it->first.first == row &&
                   it->first.second == col && values.size() < biff::kMaxRecordPayload - 600) {
                writeValue(values, &it->second);
                ++it;
                ++col;
                --budget;
            }
            io::ByteWriter crn;
            crn.u8(static_cast<std::uint8_t>(col - 1)).u8(static_cast<std::uint8_t>(colFirst));
            crn.u16(row).bytes(values.bytes());
            crns.emplace_back(RecordType::CRN, crn.take());
        }
        if (crns.empty()) continue;
        io::ByteWriter xct;
        xct.u16(static_cast<std::uint16_t>(crns.size())).u16(tab);
        records.emplace_back(RecordType::XCT, xct.take());
        records.insert(records.end(), crns.begin(), crns.end());
    }
    return records;
}

}  // namespace xls::ops::copy
