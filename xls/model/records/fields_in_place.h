// Writing a record's fields over its stored payload: the codecs of records an
// edit patches lay the fields out, then write them over the payload's first
// bytes, so what follows them stays as stored.
#pragma once

#include <cstdint>
#include <span>

#include "io/byte_writer.h"

namespace xls::model::records {

// Raises CorruptWorkbook naming record when the payload cannot hold the fields.
void writeFieldsOver(std::span<std::uint8_t> payload, const io::ByteWriter& fields,
                     const char* record);

}  // namespace xls::model::records
