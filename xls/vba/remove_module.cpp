#include "vba/remove_module.h"

#include <optional>
#include <stdexcept>
#include <string>

#include "vba/ascii_case.h"
#include "vba/compression.h"
#include "vba/project_dir.h"
#include "vba/project_storage.h"
#include "vba/project_text.h"
#include "xls/error.h"

namespace xls::vba {

namespace {

// _VBA_PROJECT as written for any version to read: 0x61CC, version 0xFFFF,
// then the three reserved bytes, and no performance cache.
const std::vector<std::uint8_t> kInteroperableProject{0xCC, 0x61, 0xFF, 0xFF, 0x00, 0x01, 0x00};
constexpr std::u16string_view kCacheStreamPrefix = u"__SRP_";
// Far above any real project's module list (a few hundred bytes a module);
// a larger one is refused rather than recompressed at length.
constexpr std::size_t kMaxDirSize = std::size_t{1} << 20;

[[noreturn]] void refuse(const std::string& why) {
    fail(ErrorCode::UnsupportedOperation, why);
}

class ProjectReader {
  public:
    ProjectReader(const cfb::CompoundFile& container,
                  const std::map<std::uint32_t, std::vector<std::uint8_t>>& edited)
        : container_(container), edited_(edited) {}

    std::uint32_t id(std::uint32_t storage, std::u16string_view name) const {
        const auto found = findStream(container_, storage, name);
        if (!found) fail(ErrorCode::CorruptWorkbook, "the macro project lacks a stream");
        return *found;
    }

    std::vector<std::uint8_t> read(std::uint32_t id) const {
        const auto it = edited_.find(id);
        return it != edited_.end() ? it->second : container_.readStream(id);
    }

  private:
    const cfb::CompoundFile& container_;
    const std::map<std::uint32_t, std::vector<std::uint8_t>>& edited_;
};

ProjectEdits plan(const cfb::CompoundFile& container, const ProjectStorage& storage,
                  const ProjectReader& reader, std::string_view codeName) {
    const std::uint32_t dirId = reader.id(storage.vba, u"dir");
    const std::vector<std::uint8_t> dir = decompressContainer(reader.read(dirId), kMaxDirSize);
    std::optional<ModuleEntry> module;
    for (const ModuleEntry& m : readProjectModules(dir))
        if (equalIgnoringCase(m.name, codeName)) module = m;
    if (!module) return {};

    const std::uint32_t projectId = reader.id(storage.project, u"PROJECT");
    const std::vector<std::uint8_t> project = reader.read(projectId);
    if (projectLocked(project))
        refuse("the sheet's code module is in a locked or password-protected macro project");

    ProjectEdits edits;
    edits.streams[dirId] = compressContainer(dirWithoutModule(dir, *module));
    edits.streams[projectId] = projectWithoutDocument(project, module->mbcsName);
    if (const auto nameMapId = findStream(container, storage.project, u"PROJECTwm"))
        edits.streams[*nameMapId] = nameMapWithoutModule(reader.read(*nameMapId), module->mbcsName);
    edits.streams[reader.id(storage.vba, u"_VBA_PROJECT")] = kInteroperableProject;
    edits.removals.insert(reader.id(storage.vba, module->stream));
    for (std::uint32_t child : container.children(storage.vba))
        if (container.entries()[child].name.starts_with(kCacheStreamPrefix))
            edits.removals.insert(child);
    return edits;
}

}  // namespace

ProjectEdits planDocumentModuleRemoval(
    const cfb::CompoundFile& container,
    const std::map<std::uint32_t, std::vector<std::uint8_t>>& edited, std::string_view codeName) {
    const auto storage = findProjectStorage(container);
    if (!storage || codeName.empty()) return {};
    try {
        return plan(container, *storage, ProjectReader(container, edited), codeName);
    } catch (const Error& error) {
        if (error.code() == ErrorCode::UnsupportedOperation) throw;
    } catch (const std::out_of_range&) {  // a stream id the directory does not hold
    }
    refuse(
        "the workbook's macro project cannot be read, so the sheet's code module cannot be "
        "removed with the sheet");
}

}  // namespace xls::vba
