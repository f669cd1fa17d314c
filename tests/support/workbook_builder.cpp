#include "support/workbook_builder.h"

#include <algorithm>
#include <stdexcept>

#include "support/cfb_test_file.h"
#include "support/copy_record_bytes.h"
#include "support/copy_tab_indices.h"

namespace tarnvale::testing {

Bytes u16Payload(std::uint16_t value) {
    return u16s({value});
}

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes record(std::uint16_t id, std::span<const std::uint8_t> payload) {
    return u16s({id, static_cast<std::uint32_t>(payload.size())}) +
           Bytes(payload.begin(), payload.end());
}

// rupBuild and rupYear; for BIFF8 the file history flags and the lowest version.
Bytes bofPayload(std::uint16_t version, std::uint16_t substreamType) {
    const Bytes out = u16s({version, substreamType, 0x0DBB, 0x07CC});
    return version == 0x0600 ? out + u32s({0, 0x0006}) : out;
}

WorkbookStreamBuilder& WorkbookStreamBuilder::globalsBefore(Bytes records) {
    before_ = before_ + records;
    return *this;
}

WorkbookStreamBuilder& WorkbookStreamBuilder::globalsAfter(Bytes records) {
    after_ = after_ + records;
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

// The name as a BIFF8 ShortXLUnicodeString (compressed when every character
// fits a byte), or as BIFF5 code-page bytes.
Bytes WorkbookStreamBuilder::boundSheet(const SheetSpec& sheet, std::uint32_t lbPlyPos) const {
    const bool compressed = version_ != 0x0600 || std::all_of(sheet.name.begin(), sheet.name.end(),
                                                              [](char16_t c) { return c < 0x100; });
    Bytes payload = u32s({lbPlyPos}) +
                    Bytes{sheet.hsState, sheet.dt, static_cast<std::uint8_t>(sheet.name.size())};
    if (version_ == 0x0600) payload.push_back(compressed ? 0 : 1);
    for (char16_t c : sheet.name)
        payload = payload + (compressed ? Bytes{static_cast<std::uint8_t>(c)} : u16s({c}));
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
    std::size_t globalsSize = globals.size() + after_.size() + 4;  // + EOF
    for (const SheetSpec& sheet : sheets_) globalsSize += boundSheet(sheet, 0).size();
    Bytes sheetsBytes;
    for (const SheetSpec& sheet : sheets_) {
        const auto lbPlyPos = static_cast<std::uint32_t>(globalsSize + sheetsBytes.size());
        globals = globals + boundSheet(sheet, lbPlyPos);
        sheetsBytes = sheetsBytes + substream(sheet);
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
    return static_cast<std::uint32_t>(u16At(stream, at) | u16At(stream, at + 2) << 16);
}

void setSheetOffset(Bytes& stream, std::size_t index, std::uint32_t lbPlyPos) {
    const Bytes value = u32s({lbPlyPos});
    std::copy(value.begin(), value.end(),
              stream.begin() + static_cast<std::ptrdiff_t>(sheetOffsetPosition(stream, index)));
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
