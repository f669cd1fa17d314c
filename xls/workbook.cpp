// The read side of xls::Workbook: opening and listing. Edits and saving live in xls/ops.
#include "xls/workbook.h"

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
    cfb::CompoundFile container = cfb::CompoundFile::open(source);
    return std::make_unique<Impl>(std::move(path), std::move(displayName), std::move(source),
                                  std::move(container));
}

Workbook::Impl::Impl(std::filesystem::path filePath, std::string name,
                     std::shared_ptr<const io::ByteSource> bytes, cfb::CompoundFile compoundFile)
    : path(std::move(filePath)),
      displayName(std::move(name)),
      file(std::move(bytes)),
      container(std::move(compoundFile)),
      streamEntry(model::findWorkbookStream(container)),
      listing(model::readWorkbookListing(container.openStream(streamEntry.id))) {
    sheets.reserve(listing.sheets.size());
    for (const model::SheetEntry& entry : listing.sheets) sheets.push_back(entry.info);
}

model::WorkbookStream& Workbook::Impl::workbookStream() {
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
        return Impl::open(path, displayName, std::make_shared<io::FileSource>(path));
    }));
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

std::size_t Workbook::recordsLeftAsStored() const {
    return impl_->edits.recordsLeftAsStored + impl_->edits.savedLeftAsStored;
}

}  // namespace xls
