// Where a workbook keeps its VBA project: the _VBA_PROJECT_CUR storage with
// the PROJECT and PROJECTwm streams, and its VBA storage with the dir stream,
// the _VBA_PROJECT stream and one stream per module.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "cfb/compound_file.h"

namespace xls::vba {

struct ProjectStorage {
    std::uint32_t project = 0;  // _VBA_PROJECT_CUR
    std::uint32_t vba = 0;      // its VBA storage
};

// nullopt when the workbook has no project (or one without its VBA storage).
std::optional<ProjectStorage> findProjectStorage(const cfb::CompoundFile& container);

// The id of the stream named name in the storage; nullopt when there is none.
std::optional<std::uint32_t> findStream(const cfb::CompoundFile& container, std::uint32_t storage,
                                        std::u16string_view name);

}  // namespace xls::vba
