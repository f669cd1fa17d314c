#include "vba/project_storage.h"

namespace xls::vba {

std::optional<ProjectStorage> findProjectStorage(const cfb::CompoundFile& container) {
    const auto project = container.find(u"_VBA_PROJECT_CUR");
    if (!project || container.entries()[*project].type != cfb::EntryType::Storage)
        return std::nullopt;
    const auto vba = container.find(u"VBA", *project);
    if (!vba || container.entries()[*vba].type != cfb::EntryType::Storage) return std::nullopt;
    return ProjectStorage{*project, *vba};
}

std::optional<std::uint32_t> findStream(const cfb::CompoundFile& container, std::uint32_t storage,
                                        std::u16string_view name) {
    const auto id = container.find(name, storage);
    if (!id || container.entries()[*id].type != cfb::EntryType::Stream) return std::nullopt;
    return id;
}

}  // namespace xls::vba
