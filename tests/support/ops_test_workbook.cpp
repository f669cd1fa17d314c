#include "support/ops_test_workbook.h"

#include "biff/record_type.h"

namespace xls::ops::testing {

using biff::RecordType;
using model::Record;

namespace {

Record bof(std::uint16_t dt) {
    return {RecordType::BOF, tarnvale::testing::bofPayload(0x0600, dt)};
}
Record eof() {
    return {RecordType::EOF_, {}};
}

}  // namespace

std::uint16_t get16(const Bytes& b, std::size_t at) {
    return static_cast<std::uint16_t>(b.at(at) | b.at(at + 1) << 8);
}

Record boundSheet(const std::string& name) {
    Bytes p;
    put32(p, 0);
    p.push_back(0), p.push_back(0);
    p.push_back(static_cast<std::uint8_t>(name.size())), p.push_back(0);
    p.insert(p.end(), name.begin(), name.end());
    return {RecordType::BoundSheet8, p};
}

static Record window1(std::uint16_t itabCur) {
    Bytes p(10, 0);
    put16(p, itabCur), put16(p, 0), put16(p, 1), put16(p, 600);
    return {RecordType::Window1, p};
}

static Record window2(bool active) {
    Bytes p;
    put16(p, static_cast<std::uint16_t>(0x00B6 | (active ? 0x0600 : 0)));
    p.resize(18, 0);
    return {RecordType::Window2, p};
}

// XTIs: 0 = A, 1 = B, 2 = A:C, 3 = B:C, 4 = C, 5 = an external workbook.
static Record externSheet() {
    const std::uint16_t xtis[][3] = {{0, 0, 0}, {0, 1, 1}, {0, 0, 2},
                                     {0, 1, 2}, {0, 2, 2}, {1, 0, 0}};
    Bytes p;
    put16(p, 6);
    for (const auto& x : xtis) put16(p, x[0]), put16(p, x[1]), put16(p, x[2]);
    return {RecordType::ExternSheet, p};
}

Record lbl(const std::string& name, std::uint16_t itab, const Bytes& rgce) {
    Bytes p;
    put16(p, 0), p.push_back(0), p.push_back(static_cast<std::uint8_t>(name.size()));
    put16(p, static_cast<std::uint16_t>(rgce.size())), put16(p, 0), put16(p, itab), put32(p, 0);
    p.push_back(0);
    p.insert(p.end(), name.begin(), name.end());
    p.insert(p.end(), rgce.begin(), rgce.end());
    return {RecordType::Lbl, p};
}

Bytes ref3d(std::uint16_t ixti) {
    return {0x3A, static_cast<std::uint8_t>(ixti), 0, 0, 0, 0, 0};
}
Bytes name(std::uint8_t index) {
    return {0x23, index, 0, 0, 0};
}

Record formula(std::uint16_t row, const Bytes& rgce, double cached) {
    Bytes p;
    put16(p, row), put16(p, 0), put16(p, 15);
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&cached);
    p.insert(p.end(), raw, raw + 8);
    put16(p, 0), put32(p, 0);
    put16(p, static_cast<std::uint16_t>(rgce.size()));
    p.insert(p.end(), rgce.begin(), rgce.end());
    return {RecordType::Formula, p};
}

static model::Substream sheet(bool active, std::vector<Record> cells) {
    model::Substream s;
    s.records.push_back(bof(0x0010));
    for (auto& c : cells) s.records.push_back(std::move(c));
    s.records.push_back(window2(active));
    s.records.push_back(eof());
    return s;
}

// Three sheets A, B (active), C; names: 1 G (global, B!A1), 2 Print_Area
// local to B, 3 L3 local to C (Print_Area), 4 uses names 2 and 3.
model::WorkbookStream threeSheets() {
    model::WorkbookStream w;
    auto& g = w.globals.records;
    g.push_back(bof(0x0005));
    g.push_back(window1(1));
    for (const char* n : {"A", "B", "C"}) g.push_back(boundSheet(n));
    Bytes self;
    put16(self, 3), put16(self, 0x0401);
    g.push_back({RecordType::SupBook, self});
    g.push_back(externSheet());
    g.push_back(lbl("G", 0, ref3d(1)));
    g.push_back(lbl("\x06", 2, ref3d(1)));
    g.push_back(lbl("L3", 3, ref3d(4)));
    Bytes both = name(2);
    const Bytes third = name(3);
    both.insert(both.end(), third.begin(), third.end());
    both.push_back(0x03);
    g.push_back(lbl("Both", 0, both));
    g.push_back({RecordType::RRTabId, {1, 0, 2, 0, 3, 0}});
    g.push_back(eof());
    w.substreams.push_back(sheet(false, {formula(0, ref3d(1), 5.0)}));
    w.substreams.push_back(sheet(true, {}));
    w.substreams.push_back(sheet(
        false, {formula(0, ref3d(1), 7.0), formula(1, ref3d(3), 8.0), formula(2, name(4), 9.0)}));
    w.sheetSubstream = {0, 1, 2};
    return w;
}

}  // namespace xls::ops::testing
