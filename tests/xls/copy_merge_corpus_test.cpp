// Real workbooks merged pairwise: every XF of one workbook merged into the
// format tables of the next one in the corpus. Each source cell XF must map
// to a destination XF that looks the same: font (name, height, weight,
// italic, underline, colour by value), number format, borders, fill and
// colours by value, alignment and protection. (No pair needs a colour the
// destination's palette has no slot left for, which would take the nearest.)
#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>

#include "model/tables/cell_formats.h"
#include "model/tables/fonts.h"
#include "model/tables/number_formats.h"
#include "model/workbook_stream.h"
#include "ops/copy/apply_format_merge.h"
#include "ops/copy/merge_cell_formats.h"
#include "support/corpus_manifest.h"
#include "support/workbook_stream_of.h"

namespace xls::ops::copy {
namespace {

using model::records::XF;
using model::records::XfColour;

struct Tables {
    explicit Tables(const model::Substream& globals)
        : fonts(model::tables::FontTable::read(globals)),
          formats(model::tables::NumberFormatTable::read(globals)),
          cells(model::tables::CellFormatTable::read(globals)) {}
    model::tables::FontTable fonts;
    model::tables::NumberFormatTable formats;
    model::tables::CellFormatTable cells;
};

// A colour as a reader shows it: its value, or the system colour's number.
std::string colourText(const Tables& tables, std::uint16_t icv) {
    const auto rgb = model::records::colourOf(tables.cells.palette(), icv);
    if (!rgb) return " system " + std::to_string(icv);
    return " rgb " + std::to_string(rgb->r) + ',' + std::to_string(rgb->g) + ',' +
           std::to_string(rgb->b);
}

// The look of a cell XF as a reader shows it. A built-in number format the
// source does not store shows by its number (General for a custom number that
// names nothing), whatever string the destination stores for that number.
std::string lookOf(const Tables& tables, const XF& xf, bool builtInFormat) {
    std::ostringstream out;
    if (const auto* font = tables.fonts.find(xf.ifnt()))
        out << "font " << std::string(font->fontName.begin(), font->fontName.end()) << ' '
            << font->dyHeight << ' ' << font->bls << ' ' << font->italic() << ' ' << int(font->uls)
            << colourText(tables, font->icv);
    out << "\nformat ";
    if (builtInFormat)
        out << "built-in " << (xf.ifmt() < 164 ? xf.ifmt() : 0);
    else if (const auto stored = tables.formats.stringOf(xf.ifmt()))
        out << std::string(stored->begin(), stored->end());
    out << "\nalignment";
    for (auto byte : xf.alignment()) out << ' ' << int(byte);
    out << "\nborders";
    for (auto style : xf.borderStyles()) out << ' ' << int(style);
    out << "\nfill " << int(xf.fls()) << "\nlocked " << xf.fLocked() << " hidden " << xf.fHidden()
        << "\ncolours";
    for (XfColour which : model::records::kXfColours) out << colourText(tables, xf.icv(which));
    return out.str();
}

std::optional<model::WorkbookStream> loadBiff8(const std::string& name) {
    const auto bytes =
        tarnvale::testing::readWorkbookStreamBytes(tarnvale::testing::corpusPath(name));
    if (!bytes) return std::nullopt;
    try {
        auto stream = model::parseWorkbookStream(*bytes);
        if (stream.version != model::BiffVersion::Biff8) return std::nullopt;
        Tables check(stream.globals);  // readable format tables
        if (check.cells.xfs().empty()) return std::nullopt;
        return stream;
    } catch (const Error&) {
        return std::nullopt;
    }
}

TEST(CorpusFormatMergeTest, EveryCellFormatLooksTheSameInTheDestination) {
    std::vector<std::pair<std::string, model::Substream>> books;
    for (const std::string& name : tarnvale::testing::corpusWorkbooks())
        if (auto stream = loadBiff8(name)) books.emplace_back(name, std::move(stream->globals));
    if (books.size() < 2) GTEST_SKIP() << "corpus not found";

    int merged = 0, refused = 0, xfsChecked = 0, validXfcrc = 0;
    for (std::size_t i = 0; i < books.size(); ++i) {
        const auto& [sourceName, source] = books[i];
        const auto& [destinationName, destinationBefore] = books[(i + 1) % books.size()];
        SCOPED_TRACE(sourceName + " into " + destinationName);
        const Tables sourceTables(source);
        FormatMergePlan plan;
        try {
            plan = planFormatMerge(source, destinationBefore,
                                   std::vector<bool>(sourceTables.cells.xfs().size(), true));
        } catch (const Error& e) {
            ASSERT_EQ(e.code(), ErrorCode::TooManyFormats) << e.what();
            ++refused;
            continue;
        }
        model::Substream destination = destinationBefore;
        applyFormatMerge(plan, destination);
        const Tables destinationTables(destination);
        ++merged;
        for (std::size_t x = 0; x < sourceTables.cells.xfs().size(); ++x) {
            const XF& from = sourceTables.cells.xfs()[x];
            if (from.fStyle()) continue;
            ASSERT_LT(plan.xfs[x], destinationTables.cells.xfs().size());
            const XF& to = destinationTables.cells.xfs()[plan.xfs[x]];
            EXPECT_FALSE(to.fStyle()) << "cell XF " << x << " mapped to a style XF";
            if (!sourceTables.fonts.find(from.ifnt())) continue;  // names no font
            const bool builtIn = !sourceTables.formats.stringOf(from.ifmt());
            EXPECT_EQ(lookOf(destinationTables, to, builtIn), lookOf(sourceTables, from, builtIn))
                << "XF " << x;
            ++xfsChecked;
        }
        if (model::tables::CellFormatTable::read(destinationBefore).extensionsValid()) {
            ++validXfcrc;
            EXPECT_TRUE(destinationTables.cells.extensionsValid());
        }
    }
    std::cout << "[ corpus   ] " << books.size() << " workbooks, " << merged << " merges, "
              << refused << " refused as too many formats, " << xfsChecked
              << " cell formats checked, " << validXfcrc << " destinations with XFExt kept valid\n";
    EXPECT_GT(merged, static_cast<int>(books.size()) / 2);
    EXPECT_GT(validXfcrc, 0) << "no XFCRC checksum of a real workbook holds";
}

}  // namespace
}  // namespace xls::ops::copy
