// Copy worksheets between two arbitrary workbooks, move one across and one
// within a workbook, save both to bytes and reopen them. The input is a little-endian 32-bit
// length, the first workbook's bytes (that many, or all there are), then the second workbook's.
// Refusals (xls::Error) are expected; whatever the engine writes must open
// again with the sheets it listed before writing.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "xls/error.h"
#include "xls/workbook.h"

namespace {

constexpr std::size_t kMaxSourceSheets = 4;
constexpr std::size_t kMaxAnchors = 4;
constexpr std::size_t kMaxCopies = 8;

void check(bool condition) {
    if (!condition) std::abort();
}

std::vector<std::string> names(const xls::Workbook& book) {
    std::vector<std::string> listed;
    for (const auto& sheet : book.sheets()) listed.push_back(sheet.name);
    return listed;
}

// Writes the workbook and opens what was written: it must list the same sheets.
void checkReopens(const xls::Workbook& book) {
    const std::vector<std::string> before = names(book);
    std::vector<std::uint8_t> written;
    try {
        written = book.serialize();
    } catch (const xls::Error&) {
        return;  // a workbook the writer refuses is never written
    }
    try {
        check(names(xls::Workbook::openBytes(std::move(written), "fuzz-output")) == before);
    } catch (const xls::Error&) {
        std::abort();  // the engine wrote a file it cannot read
    }
}

// Every worksheet of source (a few) behind each tab of destination (a few).
// Returns whether any copy was made.
bool copyAcross(xls::Workbook& source, xls::Workbook& destination) {
    const auto worksheets = source.worksheetIndices();
    std::size_t copies = 0;
    for (std::size_t w = 0; w < std::min(worksheets.size(), kMaxSourceSheets); ++w) {
        const std::size_t anchors = std::min(destination.sheets().size(), kMaxAnchors);
        for (std::size_t anchor = 0; anchor < anchors && copies < kMaxCopies; ++anchor) {
            const std::size_t count = destination.sheets().size();
            try {
                const std::size_t tab = destination.copySheet(source, worksheets[w], anchor);
                check(tab == anchor + 1 && destination.sheets().size() == count + 1);
                ++copies;
            } catch (const xls::Error&) {
                check(destination.sheets().size() == count);  // a refusal changes nothing
            }
        }
    }
    return copies > 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const std::size_t declared = static_cast<std::size_t>(data[0]) | std::size_t{data[1]} << 8 |
                                 std::size_t{data[2]} << 16 | std::size_t{data[3]} << 24;
    const std::size_t firstSize = std::min(declared, size - 4);
    const std::uint8_t* first = data + 4;
    const std::uint8_t* second = first + firstSize;
    try {
        auto source =
            xls::Workbook::openBytes(std::vector<std::uint8_t>(first, first + firstSize), "a");
        auto destination =
            xls::Workbook::openBytes(std::vector<std::uint8_t>(second, data + size), "b");
        if (!copyAcross(source, destination)) copyAcross(destination, destination);
        // A move: the source's first worksheet copied, then deleted from the source.
        const auto worksheets = source.worksheetIndices();
        if (!worksheets.empty() && !destination.sheets().empty()) {
            try {
                destination.copySheet(source, worksheets.front(), 0);
                source.deleteSheet(worksheets.front());
            } catch (const xls::Error&) {
            }
        }
        // A move within one workbook: the first sheet behind the last.
        if (destination.sheets().size() > 1) {
            const std::vector<std::string> before = names(destination);
            try {
                const std::size_t tab = destination.moveSheet(0, before.size() - 1);
                check(tab == before.size() - 1 && names(destination).back() == before.front());
            } catch (const xls::Error&) {
                check(names(destination) == before);  // a refusal changes nothing
            }
        }
        checkReopens(destination);
        checkReopens(source);
    } catch (const xls::Error&) {
        return 0;
    }
    return 0;
}
