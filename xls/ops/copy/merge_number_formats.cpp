#include "ops/copy/merge_number_formats.h"

#include "xls/error.h"

namespace xls::ops::copy {

namespace {

using model::records::kFirstCustomFormat;

constexpr std::uint32_t kGeneral = 0;

}  // namespace

NumberFormatMerge planNumberFormatMerge(const model::tables::NumberFormatTable& source,
                                        const model::tables::NumberFormatTable& destination,
                                        const std::vector<bool>& needed) {
    NumberFormatMerge merge{IndexMap(needed.size(), kUnmapped), {}};
    model::tables::NumberFormatTable merged = destination;
    for (std::size_t ifmt = 0; ifmt < needed.size(); ++ifmt) {
        if (!needed[ifmt]) continue;
        const auto format = source.stringOf(static_cast<std::uint16_t>(ifmt));
        if (!format) {
            merge.ifmts[ifmt] =
                ifmt < kFirstCustomFormat ? static_cast<std::uint32_t>(ifmt) : kGeneral;
            continue;
        }
        if (const auto found = merged.idOf(*format)) {
            merge.ifmts[ifmt] = *found;
            continue;
        }
        const auto id = merged.freeCustomId();
        if (!id || merged.size() >= kMaxNumberFormats)
            fail(ErrorCode::TooManyFormats, "no number format identifier left in the destination");
        model::records::NumberFormat added{*id, std::u16string(*format)};
        merged.append(added);
        merge.added.push_back(std::move(added));
        merge.ifmts[ifmt] = *id;
    }
    return merge;
}

}  // namespace xls::ops::copy
