#include "ops/copy/merge_fonts.h"

#include <string>

#include "xls/error.h"

namespace xls::ops::copy {

FontMerge planFontMerge(const model::tables::FontTable& source,
                        const model::tables::FontTable& destination,
                        const std::vector<bool>& needed, const ColourMerge& colours) {
    FontMerge merge{IndexMap(needed.size(), kUnmapped), {}};
    model::tables::FontTable merged = destination;
    for (std::size_t index = 0; index < needed.size(); ++index) {
        if (!needed[index]) continue;
        const model::records::Font* font = source.find(static_cast<std::uint16_t>(index));
        if (!font) {
            merge.fonts[index] = 0;
            continue;
        }
        model::records::Font translated = *font;
        translated.icv = translateColour(colours, font->icv);
        if (const auto found = merged.indexOf(translated)) {
            merge.fonts[index] = *found;
            continue;
        }
        if (merged.size() >= kMaxFonts)
            fail(ErrorCode::TooManyFormats,
                 "the fonts would exceed " + std::to_string(kMaxFonts) + " in the destination");
        merge.fonts[index] = merged.append(translated);
        merge.added.push_back(std::move(translated));
    }
    return merge;
}

}  // namespace xls::ops::copy
