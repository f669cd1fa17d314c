#include "model/globals_reader.h"

#include <string>

#include "io/byte_reader.h"
#include "model/records/bound_sheet.h"
#include "xls/error.h"

namespace xls::model {

using biff::RecordType;

namespace {

constexpr std::uint8_t kHsStateMask = 0x03;

Bof readFirstBof(biff::RecordReader& reader) {
    std::optional<biff::RecordHeader> first = reader.next();
    if (!first) fail(ErrorCode::CorruptWorkbook, "the workbook stream is empty");
    checkFirstRecordIsBof(first->id());
    return parseBof(reader.readBody(*first));
}

SheetType sheetTypeOf(std::uint8_t dt, const std::string& name) {
    switch (dt) {
        case 0:
            return SheetType::Worksheet;  // or a dialog sheet: WsBool tells
        case 1:
            return SheetType::MacroSheet;
        case 2:
            return SheetType::Chart;
        case 6:
            return SheetType::VbModule;
        default:
            fail(ErrorCode::CorruptWorkbook,
                 "sheet \"" + name + "\" has unknown type " + std::to_string(dt));
    }
}

Visibility visibilityOf(std::uint8_t hsState) {
    switch (hsState & kHsStateMask) {
        case 0:
            return Visibility::Visible;
        case 2:
            return Visibility::VeryHidden;
        default:
            return Visibility::Hidden;
    }
}

bool firstFlagSet(std::span<const std::uint8_t> body, const char* record) {
    io::ByteReader reader(body, ErrorCode::CorruptWorkbook, record);
    return (reader.u16() & 0x0001) != 0;
}

}  // namespace

SheetEntry parseBoundSheet(std::span<const std::uint8_t> body, BiffVersion version,
                           std::uint16_t codePage) {
    const records::BoundSheet8 record = records::readBoundSheet8(body, version, codePage);
    SheetEntry entry;
    entry.lbPlyPos = record.lbPlyPos;
    entry.dt = record.dt;
    entry.info.name = record.stName;
    entry.info.type = sheetTypeOf(entry.dt, entry.info.name);
    entry.info.visibility = visibilityOf(record.hsState);
    return entry;
}

WorkbookListing readGlobals(biff::RecordReader& reader, std::u16string_view password) {
    reader.seek(0);
    Bof bof = readFirstBof(reader);
    WorkbookListing listing;
    listing.version = biffVersionOf(bof);
    if (bof.type != SubstreamType::Globals) {
        fail(ErrorCode::CorruptWorkbook, "the workbook stream does not begin with the globals");
    }
    while (std::optional<biff::RecordHeader> header = reader.next()) {
        switch (header->type) {
            case RecordType::EOF_:
                return listing;
            case RecordType::BOF:
                fail(ErrorCode::CorruptWorkbook, "the workbook globals are not closed by EOF");
            case RecordType::SST:
                // The shared strings follow the sheet table; everything a listing needs has
                // been read, and the strings can be most of a large workbook's globals.
                if (!listing.sheets.empty()) return listing;
                break;
            case RecordType::FilePass: {
                listing.filePass = crypto::parseFilePass(reader.readBody(*header),
                                                         listing.version == BiffVersion::Biff5);
                listing.cipher = crypto::openRecordCipher(*listing.filePass, password);
                reader.setDecoder(listing.cipher);
                break;
            }
            case RecordType::CodePage: {
                std::vector<std::uint8_t> body = reader.readBody(*header);
                listing.codePage =
                    io::ByteReader(body, ErrorCode::CorruptWorkbook, "CodePage").u16();
                break;
            }
            case RecordType::BoundSheet8:
                listing.sheets.push_back(
                    parseBoundSheet(reader.readBody(*header), listing.version, listing.codePage));
                break;
            case RecordType::Protect:
                listing.structureProtected = firstFlagSet(reader.readBody(*header), "Protect");
                break;
            case RecordType::WinProtect:
                listing.windowProtected = firstFlagSet(reader.readBody(*header), "WinProtect");
                break;
            default:
                break;
        }
    }
    fail(ErrorCode::CorruptWorkbook, "the workbook globals end without EOF");
}

}  // namespace xls::model
