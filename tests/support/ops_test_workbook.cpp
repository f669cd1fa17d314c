#include "support/ops_test_workbook.h"

#include <cstring>

#include "biff/record_type.h"
#include "support/copy_record_bytes.h"
#include "support/workbook_builder.h"

namespace xls::ops::testing {

using biff::RecordType;
using model::Record;
using tarnvale::testing::u16s;
using tarnvale::testing::u32s;
using tarnvale::testing::operator+;

namespace {

Bytes text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// Lbl: flags, chKey, cch, cce, reserved, itab, reserved, then the name and its formula.
Record lbl(const std::string& name, std::uint16_t itab, const Bytes& rgce) {
    return {RecordType::Lbl, u16s({0, static_cast<std::uint32_t>(name.size() << 8),
                                   static_cast<std::uint32_t>(rgce.size()), 0, itab, 0, 0}) +
                                 Bytes{0} + text(name) + rgce};
}

Bytes name(std::uint8_t index) {
    return {0x23, index, 0, 0, 0};
}

// A sheet's BOF, its cells, its Window2 (selected and active, or not) and EOF.
model::Substream sheet(bool active, std::vector<Record> cells) {
    model::Substream s;
    s.records = {{RecordType::BOF, tarnvale::testing::bofPayload(0x0600, 0x0010)}};
    s.records.insert(s.records.end(), cells.begin(), cells.end());
    s.records.push_back({RecordType::Window2, u16s({active ? 0x06B6u : 0x00B6u}) + Bytes(16, 0)});
    s.records.push_back({RecordType::EOF_, {}});
    return s;
}

}  // namespace

Record boundSheet(const std::string& name) {
    return {RecordType::BoundSheet8,
            u32s({0}) + Bytes{0, 0, static_cast<std::uint8_t>(name.size()), 0} + text(name)};
}

Bytes ref3d(std::uint16_t ixti) {
    return {0x3A, static_cast<std::uint8_t>(ixti), 0, 0, 0, 0, 0};
}

// Formula: row, column 0, ixfe 15, the cached number, flags, chn, then the rgce.
Record formula(std::uint16_t row, const Bytes& rgce, double cached) {
    Bytes number(8);
    std::memcpy(number.data(), &cached, 8);
    return {RecordType::Formula, u16s({row, 0, 15}) + number + u16s({0}) + u32s({0}) +
                                     u16s({static_cast<std::uint32_t>(rgce.size())}) + rgce};
}

model::WorkbookStream threeSheets() {
    model::WorkbookStream w;
    w.globals.records = {
        {RecordType::BOF, tarnvale::testing::bofPayload(0x0600, 0x0005)},
        {RecordType::Window1, Bytes(10, 0) + u16s({1, 0, 1, 600})},  // itabCur 1: B
        boundSheet("A"),
        boundSheet("B"),
        boundSheet("C"),
        {RecordType::SupBook, u16s({3, 0x0401})},
        {RecordType::ExternSheet, u16s({6, 0, 0, 0, 0, 1, 1, 0, 0, 2, 0, 1, 2, 0, 2, 2, 1, 0, 0})},
        lbl("G", 0, ref3d(1)),
        lbl("\x06", 2, ref3d(1)),  // Print_Area
        lbl("L3", 3, ref3d(4)),
        lbl("Both", 0, name(2) + name(3) + Bytes{0x03}),
        {RecordType::RRTabId, {1, 0, 2, 0, 3, 0}},
        {RecordType::EOF_, {}}};
    w.substreams = {sheet(false, {formula(0, ref3d(1), 5.0)}), sheet(true, {}),
                    sheet(false, {formula(0, ref3d(1), 7.0), formula(1, ref3d(3), 8.0),
                                  formula(2, name(4), 9.0)})};
    w.sheetSubstream = {0, 1, 2};
    return w;
}

}  // namespace xls::ops::testing
