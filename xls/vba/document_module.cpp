#include "vba/document_module.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "vba/ascii_case.h"
#include "vba/compression.h"
#include "vba/project_dir.h"
#include "vba/project_storage.h"
#include "xls/error.h"

namespace xls::vba {

namespace {

constexpr std::string_view kAttribute = "Attribute ";

std::optional<std::vector<std::uint8_t>> streamIn(const cfb::CompoundFile& container,
                                                  std::uint32_t storage, std::u16string_view name) {
    const auto id = findStream(container, storage, name);
    if (!id) return std::nullopt;
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
        if (!startsWithIgnoringCase(line, kAttribute)) return true;
    }
    return false;
}

}  // namespace

bool documentModuleHoldsCode(const cfb::CompoundFile& container, std::string_view codeName) {
    if (codeName.empty()) return true;  // no module can be told to be the sheet's
    try {
        const auto storage = findProjectStorage(container);
        if (!storage) return true;
        const auto dir = streamIn(container, storage->vba, u"dir");
        if (!dir) return true;
        for (const ModuleEntry& module : readProjectModules(decompressContainer(*dir))) {
            if (!equalIgnoringCase(module.name, codeName)) continue;
            const auto stream = streamIn(container, storage->vba, module.stream);
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
