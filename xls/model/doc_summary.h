// The sheet titles kept in the \005DocumentSummaryInformation stream: the first
// property set's HEADINGPAIR (groups such as "Worksheets" with their counts) and
// DOCPARTS (the titles themselves), [MS-OSHARED] 2.3.3.2.2.1. The application
// rewrites both on save; we edit them so a renamed or deleted sheet does not
// linger in the file's properties. Every other property, the second property
// set (user-defined properties) and any bytes we do not understand stay as
// they were.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace xls::model {

struct DocSummaryTitles {
    std::uint16_t codePage = 1252;
    struct Heading {
        std::string text;  // UTF-8 ("Worksheets", "Named Ranges", localized)
        std::int32_t count = 0;
    };
    std::vector<Heading> headings;
    std::vector<std::string> parts;  // UTF-8, in the heading order
};

// The titles, or nullopt when the stream has none or cannot be understood.
std::optional<DocSummaryTitles> readDocSummaryTitles(std::span<const std::uint8_t> stream);

// The stream with the sheet's title renamed (and "Old!Name" titles of its
// defined names following), or nullopt when there is nothing to change. A
// stream we cannot understand is never changed.
std::optional<std::vector<std::uint8_t>> renameSheetInDocSummary(
    std::span<const std::uint8_t> stream, std::string_view oldName, std::string_view newName);

// The stream without the sheet's title and without the titles of names local
// to it; a heading left with no titles is dropped. nullopt: nothing to change.
std::optional<std::vector<std::uint8_t>> removeSheetFromDocSummary(
    std::span<const std::uint8_t> stream, std::string_view name);

// The stream with a title for a new sheet, right behind the title of the
// worksheet before it (or ahead of the one after it, when it comes first) and
// counted in that title's heading. nullopt when neither neighbour has a title
// or the stream cannot be understood: it is then left as it is.
std::optional<std::vector<std::uint8_t>> insertSheetInDocSummary(
    std::span<const std::uint8_t> stream, std::string_view name, std::string_view before,
    std::string_view after);

// The stream with the sheet's title moved within its heading's group to where
// the sheet now stands in the tab order: right behind the title of the nearest
// sheet ahead of it (aheadNearestLast: the sheets ahead of it in the new order)
// that has a title in the same group, else first in the group. Titles of names
// stay where they are. nullopt when the title is not found, is already in
// place, or the stream cannot be understood.
std::optional<std::vector<std::uint8_t>> moveSheetInDocSummary(
    std::span<const std::uint8_t> stream, std::string_view name,
    std::span<const std::string> aheadNearestLast);

}  // namespace xls::model
