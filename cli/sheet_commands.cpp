#include "sheet_commands.h"

#include "excel/application_session.h"
#include "excel/sheet_transfer.h"

namespace cli {

std::vector<ListedSheet> listWorksheets(excel::ApplicationFactory& factory,
                                        const std::string& path) {
    excel::ApplicationSession session(factory, path);
    auto workbook = session.newestWorkbook();
    const int count = workbook->worksheets()->count();
    std::vector<ListedSheet> listed;
    listed.reserve(static_cast<std::size_t>(count));
    for (int i = 1; i <= count; ++i) {
        auto sheet = workbook->worksheets()->item(i);
        listed.push_back({sheet->name(), sheet->visible()});
    }
    session.quit();
    return listed;
}

std::size_t renameSheet(excel::ApplicationFactory& factory, const std::string& path,
                        const std::string& sheet, const std::string& newName) {
    excel::ApplicationSession session(factory, path);
    auto workbook = session.newestWorkbook();
    session.alertsOff();
    workbook->sheets()->item(sheet)->setName(newName);
    workbook->save(1033);
    const std::size_t leftAsStored = workbook->recordsLeftAsStored();
    session.quit();
    return leftAsStored;
}

std::size_t deleteSheet(excel::ApplicationFactory& factory, const std::string& path,
                        const std::string& sheet) {
    excel::ApplicationSession session(factory, path);
    auto workbook = session.newestWorkbook();
    session.alertsOff();
    workbook->sheets()->item(sheet)->deleteSheet();
    workbook->save(1033);
    const std::size_t leftAsStored = workbook->recordsLeftAsStored();
    session.quit();
    return leftAsStored;
}

std::string transferSheet(excel::ApplicationFactory& factory, const TransferRequest& request,
                          bool move) {
    excel::ApplicationSession session(factory, request.source);
    auto source = session.newestWorkbook();
    auto destination = session.open(request.destination);
    const excel::SheetTransfer transfer{*source, request.sheet, *destination, request.anchor,
                                        request.newName.value_or(request.sheet)};
    std::string received;
    if (move) {
        received = excel::MoveSheetBehind(session, transfer);
        session.saveTogether(*destination, *source);
    } else {
        received = excel::CopySheetBehind(transfer);
        destination->save(1033);
    }
    session.alertsOff();
    session.quit();
    return received;
}

}  // namespace cli
