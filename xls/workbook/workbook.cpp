// The read side of xls::Workbook: opening and listing.
#include "xls/workbook.h"

#include <stdexcept>

#include "io/byte_source.h"
#include "workbook/workbook_impl.h"
#include "xls/error.h"
#include "xls/sheet_name.h"

namespace xls {

Workbook Workbook::open(const std::filesystem::path& path) {
    std::string displayName = path.string();
    return Workbook(model::namingFile(displayName, [&] {
        auto source = std::make_shared<io::FileSource>(path);
        auto impl = std::make_unique<Impl>(path, displayName, source);
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
    return Workbook(model::namingFile(displayName, [&] {
        return std::make_unique<Impl>(std::filesystem::path{}, displayName,
                                      std::make_shared<io::MemorySource>(std::move(bytes)));
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

std::size_t Workbook::recordsLeftAsStored() const {
    return impl_->edits.recordsLeftAsStored + impl_->edits.savedLeftAsStored;
}

}  // namespace xls
