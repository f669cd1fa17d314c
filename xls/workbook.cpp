// The read side of xls::Workbook: opening and listing. Edits and saving live in xls/ops.
#include "xls/workbook.h"

#include <stdexcept>

#include "io/byte_source.h"
#include "model/workbook_impl.h"
#include "xls/error.h"
#include "xls/sheet_name.h"

namespace xls {

namespace {

// Runs an engine step, naming the file in any error it raises.
template <typename Step>
auto namingFile(const std::string& displayName, Step&& step) {
    try {
        return step();
    } catch (const Error& error) {
        if (!error.file().empty()) throw;
        throw error.withFile(displayName);
    }
}

}  // namespace

std::unique_ptr<Workbook::Impl> Workbook::Impl::open(std::filesystem::path path,
                                                     std::string displayName,
                                                     std::shared_ptr<const io::ByteSource> source) {
    try {
        return std::make_unique<Impl>(path, displayName, source, cfb::CompoundFile::open(source));
    } catch (const Error& error) {
        if (error.code() != ErrorCode::TruncatedContainer &&
            error.code() != ErrorCode::CorruptContainer)
            throw;
        // A container damaged past the workbook globals (cut short, or with a
        // FAT that runs past the end): list the sheets the globals name, as
        // other readers do. Any edit raises this error.
        try {
            return std::make_unique<Impl>(std::move(path), std::move(displayName), source,
                                          cfb::CompoundFile::open(source, cfb::Damage::Tolerate),
                                          error);
        } catch (const Error&) {
            throw error;
        }
    }
}

Workbook::Impl::Impl(std::filesystem::path filePath, std::string name,
                     std::shared_ptr<const io::ByteSource> bytes, cfb::CompoundFile compoundFile,
                     std::optional<Error> damageFound)
    : path(std::move(filePath)),
      displayName(std::move(name)),
      file(std::move(bytes)),
      container(std::move(compoundFile)),
      streamEntry(model::findWorkbookStream(container)),
      damage(std::move(damageFound)),
      listing(model::readWorkbookListing(
          container.openStream(streamEntry.id), crypto::kDefaultPassword,
          damage ? model::UnreadableSheet::ListAsStored : model::UnreadableSheet::Refuse)) {
    sheets.reserve(listing.sheets.size());
    for (const model::SheetEntry& entry : listing.sheets) sheets.push_back(entry.info);
}

model::WorkbookStream& Workbook::Impl::workbookStream() {
    if (damage) throw damage->file().empty() ? damage->withFile(displayName) : *damage;
    if (!loadedStream_) {
        loadedStream_ = namingFile(displayName, [this] {
            return model::parseWorkbookStream(container.openStream(streamEntry.id));
        });
    }
    return *loadedStream_;
}

Workbook Workbook::open(const std::filesystem::path& path) {
    std::string displayName = path.string();
    return Workbook(namingFile(displayName, [&] {
        auto source = std::make_shared<io::FileSource>(path);
        auto impl = Impl::open(path, displayName, source);
        impl->identity = source->identity();
        return impl;
    }));
}

Workbook Workbook::open(const std::filesystem::path& path, EditLock lock) {
    if (!lock.isFor(path))
        throw std::invalid_argument("Workbook::open: the edit lock is for another workbook");
    Workbook book = open(path);
    book.impl_->lock = std::move(lock);
    return book;
}

Workbook Workbook::openBytes(std::vector<std::uint8_t> bytes, std::string displayName) {
    return Workbook(namingFile(displayName, [&] {
        return Impl::open({}, displayName, std::make_shared<io::MemorySource>(std::move(bytes)));
    }));
}

Workbook::Workbook(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Workbook::Workbook(Workbook&&) noexcept = default;
Workbook& Workbook::operator=(Workbook&&) noexcept = default;
Workbook::~Workbook() = default;

const std::filesystem::path& Workbook::path() const {
    return impl_->path;
}

const std::vector<SheetInfo>& Workbook::sheets() const {
    return impl_->sheets;
}

std::vector<std::size_t> Workbook::worksheetIndices() const {
    std::vector<std::size_t> indices;
    for (std::size_t i = 0; i < impl_->sheets.size(); ++i) {
        if (impl_->sheets[i].type == SheetType::Worksheet) indices.push_back(i);
    }
    return indices;
}

std::optional<std::size_t> Workbook::findSheet(std::string_view name) const {
    for (std::size_t i = 0; i < impl_->sheets.size(); ++i) {
        if (sheetNamesEqual(impl_->sheets[i].name, name)) return i;
    }
    return std::nullopt;
}

bool Workbook::isBiff5() const {
    return impl_->listing.version == model::BiffVersion::Biff5;
}

bool Workbook::isStructureProtected() const {
    return impl_->listing.structureProtected;
}

bool Workbook::isEncrypted() const {
    return impl_->listing.filePass.has_value();
}

}  // namespace xls
