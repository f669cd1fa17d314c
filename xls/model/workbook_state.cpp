#include "model/workbook_state.h"

#include "xls/error.h"

namespace xls::model {

WorkbookState::WorkbookState(std::filesystem::path filePath, std::string name,
                             std::shared_ptr<const io::ByteSource> bytes)
    : path(std::move(filePath)),
      displayName(std::move(name)),
      file(std::move(bytes)),
      container(cfb::CompoundFile::open(file)),
      streamEntry(findWorkbookStream(container)),
      listing(readWorkbookListing(container.openStream(streamEntry.id))) {
    sheets.reserve(listing.sheets.size());
    for (const SheetEntry& entry : listing.sheets) sheets.push_back(entry.info);
}

WorkbookStream& WorkbookState::workbookStream() {
    if (!loadedStream_) {
        loadedStream_ = namingFile(displayName, [this] {
            return parseWorkbookStream(container.openStream(streamEntry.id));
        });
    }
    return *loadedStream_;
}

}  // namespace xls::model
