// Builds small workbook streams record by record, each BoundSheet8.lbPlyPos
// where its sheet lands, and compound files holding them.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarnvale::testing {

using Bytes = std::vector<std::uint8_t>;

// Record ids the builder writes itself.
inline constexpr std::uint16_t kBofId = 0x0809;
inline constexpr std::uint16_t kEofId = 0x000A;
inline constexpr std::uint16_t kBoundSheetId = 0x0085;
inline constexpr std::uint16_t kContinueId = 0x003C;
inline constexpr std::uint16_t kWsBoolId = 0x0081;

// The parts one after another.
Bytes join(std::initializer_list<Bytes> parts);
// One record: id, size, payload.
Bytes record(std::uint16_t id, std::span<const std::uint8_t> payload = {});
// A two-byte payload: one little-endian value.
Bytes u16Payload(std::uint16_t value);
// BIFF8 (16 bytes) or BIFF5 (8 bytes) BOF of a substream type (0x0005 globals, 0x0010 sheet).
Bytes bofPayload(std::uint16_t version, std::uint16_t substreamType);

struct SheetSpec {
    SheetSpec(std::u16string sheetName, std::uint8_t type = 0, std::uint8_t state = 0,
              bool isDialog = false, Bytes records = {})
        : name(std::move(sheetName)),
          dt(type),
          hsState(state),
          dialog(isDialog),
          body(std::move(records)) {}

    std::u16string name;
    std::uint8_t dt = 0;       // BoundSheet8.dt: 0 worksheet/dialog, 1 macro, 2 chart, 6 module
    std::uint8_t hsState = 0;  // 0 visible, 1 hidden, 2 very hidden
    bool dialog = false;       // WsBool.fDialog
    Bytes body;                // records between the sheet's BOF (and WsBool) and its EOF
};

class WorkbookStreamBuilder {
  public:
    // version: 0x0600 BIFF8 or 0x0500 BIFF5 (BIFF5 names are written as code-page bytes, 1252).
    explicit WorkbookStreamBuilder(std::uint16_t version = 0x0600) : version_(version) {}

    // Raw records placed in the globals before the BoundSheet8 records.
    WorkbookStreamBuilder& globalsBefore(Bytes records);
    // Raw records placed in the globals after the BoundSheet8 records (SST, ...).
    WorkbookStreamBuilder& globalsAfter(Bytes records);
    WorkbookStreamBuilder& sheet(SheetSpec sheet);
    // Bytes written after the last substream.
    WorkbookStreamBuilder& trailing(Bytes bytes);

    Bytes build() const;

  private:
    Bytes boundSheet(const SheetSpec& sheet, std::uint32_t lbPlyPos) const;
    Bytes substream(const SheetSpec& sheet) const;

    std::uint16_t version_;
    Bytes before_, after_, trailing_;
    std::vector<SheetSpec> sheets_;
};

// Hand patches of a built stream: the lbPlyPos of its index-th BoundSheet8 record.
std::uint32_t sheetOffset(const Bytes& stream, std::size_t index);
void setSheetOffset(Bytes& stream, std::size_t index, std::uint32_t lbPlyPos);

// A compound file holding the given streams (name, bytes) under its root.
Bytes compoundFileWith(const std::vector<std::pair<std::u16string, Bytes>>& streams);
// A compound file with one "Workbook" stream.
Bytes compoundFileWithWorkbook(const Bytes& workbookStream);

}  // namespace tarnvale::testing
