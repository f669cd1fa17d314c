#include "model/workbook_state.h"

#include "xls/error.h"

namespace xls::model {

struct WorkbookState::Opened {
    cfb::CompoundFile container;
    std::optional<Error> damage;
    WorkbookStreamEntry streamEntry;
    WorkbookListing listing;
};

namespace {

WorkbookState::Opened listed(cfb::CompoundFile container, std::optional<Error> damage) {
    const WorkbookStreamEntry entry = findWorkbookStream(container);
    WorkbookListing listing =
        readWorkbookListing(container.openStream(entry.id), crypto::kDefaultPassword,
                            damage ? UnreadableSheet::ListAsStored : UnreadableSheet::Refuse);
    return {std::move(container), std::move(damage), entry, std::move(listing)};
}

// A container damaged past the workbook globals (cut short, or with a FAT that
// runs past the end, found on opening or while listing) is opened again
// tolerating the damage and listed from the sheets its globals name; when even
// that fails, the damage is the reason to give.
WorkbookState::Opened openAndList(const std::shared_ptr<const io::ByteSource>& source) {
    try {
        return listed(cfb::CompoundFile::open(source), std::nullopt);
    } catch (const Error& error) {
        if (error.code() != ErrorCode::TruncatedContainer &&
            error.code() != ErrorCode::CorruptContainer)
            throw;
        try {
            return listed(cfb::CompoundFile::open(source, cfb::Damage::Tolerate), error);
        } catch (const Error&) {
            throw error;
        }
    }
}

}  // namespace

WorkbookState::WorkbookState(std::filesystem::path filePath, std::string name,
                             std::shared_ptr<const io::ByteSource> bytes)
    : WorkbookState(std::move(filePath), std::move(name), bytes, openAndList(bytes)) {}

WorkbookState::WorkbookState(std::filesystem::path filePath, std::string name,
                             std::shared_ptr<const io::ByteSource> bytes, Opened opened)
    : path(std::move(filePath)),
      displayName(std::move(name)),
      file(std::move(bytes)),
      container(std::move(opened.container)),
      damage(std::move(opened.damage)),
      streamEntry(opened.streamEntry),
      listing(std::move(opened.listing)) {
    sheets.reserve(listing.sheets.size());
    for (const SheetEntry& entry : listing.sheets) sheets.push_back(entry.info);
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
