#include "workbook/sheet_code_name.h"

#include "biff/strings.h"
#include "xls/error.h"

namespace xls {

std::optional<std::string> codeNameOfSheet(const model::WorkbookStream& stream, std::size_t tab) {
    if (tab >= stream.sheetSubstream.size()) fail(ErrorCode::SheetNotFound);
    model::Substream sheet = stream.substreams[stream.sheetSubstream[tab]];
    if (!sheet.loaded) model::loadRecords(sheet);
    int depth = 0;  // the sheet's own records, not those of its embedded charts
    for (const model::Record& record : sheet.records) {
        if (record.type == biff::RecordType::BOF) ++depth;
        if (record.type == biff::RecordType::EOF_) --depth;
        if (depth != 1 || record.type != biff::RecordType::CodeName) continue;
        biff::ContinuedReader reader(record.payload, {}, "CodeName");
        return biff::readString(reader, biff::StringForm::Unicode).utf8();
    }
    return std::nullopt;
}

}  // namespace xls
