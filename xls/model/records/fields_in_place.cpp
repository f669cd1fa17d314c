#include "model/records/fields_in_place.h"

#include <algorithm>
#include <string>

#include "xls/error.h"

namespace xls::model::records {

void writeFieldsOver(std::span<std::uint8_t> payload, const io::ByteWriter& fields,
                     const char* record) {
    if (payload.size() < fields.size())
        fail(ErrorCode::CorruptWorkbook, std::string(record) + " too short");
    std::copy(fields.bytes().begin(), fields.bytes().end(), payload.begin());
}

}  // namespace xls::model::records
