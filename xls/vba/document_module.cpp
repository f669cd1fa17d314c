#include "vba/document_module.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "vba/compression.h"
#include "vba/project_dir.h"
#include "xls/error.h"

namespace xls::vba {

namespace {

constexpr std::u16string_view kProjectStorage = u"_VBA_PROJECT_CUR";
constexpr std::u16string_view kVbaStorage = u"VBA";
constexpr std::u16string_view kDirStream = u"dir";
constexpr std::string_view kAttribute = "Attribute ";

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::optional<std::vector<std::uint8_t>> streamIn(const cfb::CompoundFile& container,
                                                  std::uint32_t storage, std::u16string_view name) {
    const auto id = container.find(name, storage);
    if (!id || container.entries()[*id].type != cfb::EntryType::Stream) return std::nullopt;
    return container.readStream(*id);
}

// Code is any line but blanks and "Attribute" lines.
bool sourceHoldsCode(std::string_view source) {
    std::size_t at = 0;
    while (at < source.size()) {
        std::size_t end = source.find_first_of("\r\n", at);
        if (end == std::string_view::npos) end = source.size();
        std::string_view line = source.substr(at, end - at);
        at = end + 1;
        const auto first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos) continue;  // blank
        line.remove_prefix(first);
        if (!equalIgnoringCase(line.substr(0, kAttribute.size()), kAttribute)) return true;
    }
    return false;
}

}  // namespace

bool documentModuleHoldsCode(const cfb::CompoundFile& container, std::string_view codeName) {
    if (codeName.empty()) return true;  // no module can be told to be the sheet's
    try {
        const auto project = container.find(kProjectStorage);
        if (!project) return true;
        const auto vba = container.find(kVbaStorage, *project);
        if (!vba) return true;
        const auto dir = streamIn(container, *vba, kDirStream);
        if (!dir) return true;
        for (const ModuleEntry& module : readProjectModules(decompressContainer(*dir))) {
            if (!equalIgnoringCase(module.name, codeName)) continue;
            const auto stream = streamIn(container, *vba, module.stream);
            if (!stream || module.textOffset > stream->size()) return true;
            const auto text = decompressContainer(
                std::span<const std::uint8_t>(*stream).subspan(module.textOffset));
            return sourceHoldsCode(
                std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
        }
        return true;
    } catch (const Error&) {
        return true;
    } catch (const std::out_of_range&) {
        return true;
    }
}

}  // namespace xls::vba
