#include "model/workbook_state.h"

#include "xls/error.h"

namespace xls::model {

namespace {

cfb::CompoundFile openContainer(const std::shared_ptr<const io::ByteSource>& source,
                                std::optional<Error>& damage) {
    try {
        return cfb::CompoundFile::open(source);
    } catch (const Error& error) {
        if (error.code() != ErrorCode::TruncatedContainer &&
            error.code() != ErrorCode::CorruptContainer)
            throw;
        damage = error;
        return cfb::CompoundFile::open(source, cfb::Damage::Tolerate);
    }
}

}  // namespace

WorkbookState::WorkbookState(std::filesystem::path filePath, std::string name,
                             std::shared_ptr<const io::ByteSource> bytes)
    : WorkbookState(std::move(filePath), std::move(name), bytes, [&] {
          std::optional<Error> found;
          auto opened = openContainer(bytes, found);
          return std::pair{std::move(opened), std::move(found)};
      }()) {}

WorkbookState::WorkbookState(std::filesystem::path filePath, std::string name,
                             std::shared_ptr<const io::ByteSource> bytes,
                             std::pair<cfb::CompoundFile, std::optional<Error>> opened)
try : path(std::move(filePath)),
      displayName(std::move(name)),
      file(std::move(bytes)),
      container(std::move(opened.first)),
      damage(opened.second),
      streamEntry(findWorkbookStream(container)),
      listing(readWorkbookListing(
          container.openStream(streamEntry.id), crypto::kDefaultPassword,
          damage ? UnreadableSheet::ListAsStored : UnreadableSheet::Refuse)) {
    sheets.reserve(listing.sheets.size());
    for (const SheetEntry& entry : listing.sheets) sheets.push_back(entry.info);
} catch (const Error&) {
    // The globals of a damaged container could not be read either: the
    // damage is the reason to give.
    if (opened.second) throw *opened.second;
    throw;
}

WorkbookStream& WorkbookState::workbookStream() {
    if (damage) throw damage->file().empty() ? damage->withFile(displayName) : *damage;
    if (!loadedStream_) {
        loadedStream_ = namingFile(displayName, [this] {
            return parseWorkbookStream(container.openStream(streamEntry.id));
        });
    }
    return *loadedStream_;
}

}  // namespace xls::model
