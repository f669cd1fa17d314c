#include "model/stream_location.h"

#include "xls/error.h"

namespace xls::model {

namespace {

std::optional<std::uint32_t> findStream(const cfb::CompoundFile& file, std::u16string_view name) {
    std::optional<std::uint32_t> id = file.find(name);
    if (id && file.entries().at(*id).type != cfb::EntryType::Stream) return std::nullopt;
    return id;
}

}  // namespace

WorkbookStreamEntry findWorkbookStream(const cfb::CompoundFile& file) {
    WorkbookStreamEntry entry;
    std::optional<std::uint32_t> id = findStream(file, u"Workbook");
    if (!id) {
        id = findStream(file, u"Book");
        entry.isBookStream = true;
    }
    if (!id) fail(ErrorCode::NoWorkbookStream, "no Workbook or Book stream");
    entry.id = *id;
    entry.name = file.entries().at(*id).name;
    return entry;
}

}  // namespace xls::model
