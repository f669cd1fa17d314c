#include "support/workbook_builder.h"

#include <stdexcept>

#include "support/cfb_test_file.h"

namespace tarnvale::testing {

void appendU16(Bytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void appendU32(Bytes& out, std::uint32_t value) {
    appendU16(out, static_cast<std::uint16_t>(value & 0xFFFF));
    appendU16(out, static_cast<std::uint16_t>(value >> 16));
}

Bytes u16Payload(std::uint16_t value) {
    Bytes out;
    appendU16(out, value);
    return out;
}

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes record(std::uint16_t id, std::span<const std::uint8_t> payload) {
    Bytes out;
    appendU16(out, id);
    appendU16(out, static_cast<std::uint16_t>(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

namespace {

// BIFF8 ShortXLUnicodeString: compressed when every character fits a byte.
Bytes shortUnicodeString(std::u16string_view text) {
    bool compressed = true;
    for (char16_t c : text) compressed = compressed && c < 0x100;
    Bytes out{static_cast<std::uint8_t>(text.size()),
              static_cast<std::uint8_t>(compressed ? 0 : 1)};
    for (char16_t c : text) {
        if (compressed) {
            out.push_back(static_cast<std::uint8_t>(c));
        } else {
            appendU16(out, c);
        }
    }
    return out;
}

}  // namespace

Bytes bofPayload(std::uint16_t version, std::uint16_t substreamType) {
    Bytes out;
    appendU16(out, version);
    appendU16(out, substreamType);
    appendU16(out, 0x0DBB);  // rupBuild
    appendU16(out, 0x07CC);  // rupYear
    if (version == 0x0600) {
        appendU32(out, 0);       // file history flags
        appendU32(out, 0x0006);  // lowest version
    }
    return out;
}

WorkbookStreamBuilder& WorkbookStreamBuilder::globalsBefore(Bytes records) {
    before_.insert(before_.end(), records.begin(), records.end());
    return *this;
}

WorkbookStreamBuilder& WorkbookStreamBuilder::globalsAfter(Bytes records) {
    after_.insert(after_.end(), records.begin(), records.end());
    return *this;
}

WorkbookStreamBuilder& WorkbookStreamBuilder::sheet(SheetSpec spec) {
    sheets_.push_back(std::move(spec));
    return *this;
}

WorkbookStreamBuilder& WorkbookStreamBuilder::trailing(Bytes bytes) {
    trailing_ = std::move(bytes);
    return *this;
}

Bytes WorkbookStreamBuilder::boundSheet(const SheetSpec& sheet, std::uint32_t lbPlyPos) const {
    Bytes payload;
    appendU32(payload, lbPlyPos);
    payload.push_back(sheet.hsState);
    payload.push_back(sheet.dt);
    if (version_ == 0x0600) {
        Bytes name = shortUnicodeString(sheet.name);
        payload.insert(payload.end(), name.begin(), name.end());
    } else {
        payload.push_back(static_cast<std::uint8_t>(sheet.name.size()));
        for (char16_t c : sheet.name) payload.push_back(static_cast<std::uint8_t>(c));
    }
    return record(kBoundSheetId, payload);
}

Bytes WorkbookStreamBuilder::substream(const SheetSpec& sheet) const {
    static constexpr std::uint16_t kTypes[] = {0x0010, 0x0040, 0x0020, 0, 0, 0, 0x0006};
    std::uint16_t type = sheet.dt < 7 && kTypes[sheet.dt] ? kTypes[sheet.dt] : 0x0010;
    const std::uint16_t wsBool = sheet.dialog ? 0x04D1 : 0x04C1;  // fDialog is 0x0010
    return join({record(kBofId, bofPayload(version_, type)),
                 sheet.dt == 0 ? record(kWsBoolId, u16Payload(wsBool)) : Bytes{}, sheet.body,
                 record(kEofId)});
}

Bytes WorkbookStreamBuilder::build() const {
    Bytes globals = join({record(kBofId, bofPayload(version_, 0x0005)), before_});
    std::size_t boundSheetsSize = 0;
    for (const SheetSpec& sheet : sheets_) boundSheetsSize += boundSheet(sheet, 0).size();
    std::size_t globalsSize = globals.size() + boundSheetsSize + after_.size() + 4;  // + EOF

    Bytes sheetsBytes;
    for (const SheetSpec& sheet : sheets_) {
        globals =
            join({globals,
                  boundSheet(sheet, static_cast<std::uint32_t>(globalsSize + sheetsBytes.size()))});
        sheetsBytes = join({sheetsBytes, substream(sheet)});
    }
    return join({globals, after_, record(kEofId), sheetsBytes, trailing_});
}

namespace {

// Where the lbPlyPos of the index-th BoundSheet8 record lies (the first field of its payload).
std::size_t sheetOffsetPosition(const Bytes& stream, std::size_t index) {
    for (std::size_t at = 0; at + 4 <= stream.size();
         at += 4 + (stream[at + 2] | (stream[at + 3] << 8))) {
        if ((stream[at] | (stream[at + 1] << 8)) == kBoundSheetId && index-- == 0) return at + 4;
    }
    throw std::out_of_range("no such BoundSheet8 record");
}

}  // namespace

std::uint32_t sheetOffset(const Bytes& stream, std::size_t index) {
    const std::size_t at = sheetOffsetPosition(stream, index);
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | stream.at(at + i);
    return value;
}

void setSheetOffset(Bytes& stream, std::size_t index, std::uint32_t lbPlyPos) {
    const std::size_t at = sheetOffsetPosition(stream, index);
    for (int i = 0; i < 4; ++i) stream.at(at + i) = static_cast<std::uint8_t>(lbPlyPos >> (8 * i));
}

Bytes compoundFileWith(const std::vector<std::pair<std::u16string, Bytes>>& streams) {
    std::vector<xls::cfb::testing::TestStream> testStreams;
    for (const auto& [name, data] : streams) testStreams.push_back({name, data});
    return xls::cfb::testing::buildTestCompoundFile(testStreams).bytes;
}

Bytes compoundFileWithWorkbook(const Bytes& workbookStream) {
    return compoundFileWith({{u"Workbook", workbookStream}});
}

}  // namespace tarnvale::testing
