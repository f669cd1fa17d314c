#include "model/bof.h"

#include <cstdio>
#include <string>

#include "biff/record_type.h"
#include "io/byte_reader.h"
#include "xls/error.h"

namespace xls::model {

namespace {
constexpr std::uint16_t kBiff8Version = 0x0600;
constexpr std::uint16_t kBiff5Version = 0x0500;
}  // namespace

Bof parseBof(std::span<const std::uint8_t> body) {
    io::ByteReader reader(body, ErrorCode::CorruptWorkbook, "BOF");
    Bof bof;
    bof.version = reader.u16();
    bof.type = static_cast<SubstreamType>(reader.u16());
    return bof;
}

BiffVersion biffVersionOf(const Bof& bof) {
    if (bof.version == kBiff8Version) return BiffVersion::Biff8;
    if (bof.version == kBiff5Version) return BiffVersion::Biff5;
    char text[48];
    std::snprintf(text, sizeof text, "BOF version 0x%04X", static_cast<unsigned>(bof.version));
    fail(ErrorCode::UnsupportedVersion, text);
}

void checkFirstRecordIsBof(std::uint16_t recordId) {
    constexpr std::uint16_t kBiff2Bof = 0x0009;
    constexpr std::uint16_t kBiff3Bof = 0x0209;
    constexpr std::uint16_t kBiff4Bof = 0x0409;
    if (recordId == kBiff2Bof || recordId == kBiff3Bof || recordId == kBiff4Bof) {
        fail(ErrorCode::OldExcelFormat, "BIFF2-4 BOF in the workbook stream");
    }
    if (recordId != static_cast<std::uint16_t>(biff::RecordType::BOF)) {
        fail(ErrorCode::CorruptWorkbook, "the workbook stream does not begin with BOF");
    }
}

}  // namespace xls::model
