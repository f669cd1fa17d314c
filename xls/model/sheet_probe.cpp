#include "model/sheet_probe.h"

#include <string>

#include "io/byte_reader.h"
#include "xls/error.h"

namespace xls::model {

using biff::RecordType;

namespace {

constexpr std::uint16_t kWsBoolDialog = 0x0010;  // WsBool.fDialog
// WsBool comes within the first twenty or so records; stop looking well after that.
constexpr int kOpeningRecordLimit = 256;

// Records that come after WsBool in a sheet: once one appears, there is no WsBool.
bool endsOpeningRecords(RecordType type) {
    switch (type) {
        case RecordType::BOF:
        case RecordType::EOF_:
        case RecordType::Dimensions:
        case RecordType::Row:
        case RecordType::Blank:
        case RecordType::Number:
        case RecordType::Label:
        case RecordType::BoolErr:
        case RecordType::RK:
        case RecordType::MulRk:
        case RecordType::MulBlank:
        case RecordType::RString:
        case RecordType::LabelSst:
        case RecordType::Formula:
        case RecordType::Window2:
            return true;
        default:
            return false;
    }
}

[[noreturn]] void failPlacement(const SheetEntry& sheet, const char* what) {
    fail(ErrorCode::CorruptWorkbook, "sheet \"" + sheet.info.name + "\" (offset " +
                                         std::to_string(sheet.lbPlyPos) + ") " + what);
}

}  // namespace

void probeSheet(biff::RecordReader& reader, SheetEntry& sheet) {
    if (sheet.lbPlyPos >= reader.streamSize()) {
        failPlacement(sheet, "lies beyond the end of the workbook stream");
    }
    reader.seek(sheet.lbPlyPos);
    std::optional<biff::RecordHeader> bof = reader.next();
    if (!bof || bof->type != RecordType::BOF) failPlacement(sheet, "does not start with BOF");
    if (sheet.info.type != SheetType::Worksheet) return;

    for (int i = 0; i < kOpeningRecordLimit; ++i) {
        std::optional<biff::RecordHeader> header = reader.next();
        if (!header || endsOpeningRecords(header->type)) return;
        if (header->type == RecordType::WsBool) {
            std::vector<std::uint8_t> body = reader.readBody(*header);
            std::uint16_t flags = io::ByteReader(body, ErrorCode::CorruptWorkbook, "WsBool").u16();
            if (flags & kWsBoolDialog) sheet.info.type = SheetType::Dialog;
            return;
        }
    }
}

}  // namespace xls::model
