#include "ops/copy/merge_shared_strings.h"

#include <limits>
#include <string>
#include <unordered_map>

#include "io/byte_reader.h"
#include "model/shared_strings.h"
#include "ops/copy/shared_string_table.h"
#include "xls/error.h"

namespace xls::ops {

namespace {

constexpr std::size_t kFormatRunSize = 4;  // ich, ifnt
constexpr std::size_t kFormatRunIfnt = 2;
constexpr std::size_t kExtRstPhsIfnt = 4;  // after reserved and cb: Phs.ifnt

std::uint32_t mappedFont(const IndexMap& fonts, std::uint16_t ifnt, std::size_t isst) {
    if (ifnt >= fonts.size() || fonts[ifnt] > 0xFFFF)
        fail(ErrorCode::CorruptWorkbook, "shared string " + std::to_string(isst) + " names font " +
                                             std::to_string(ifnt) + ", which the workbook lacks");
    return fonts[ifnt];
}

void remapFontAt(std::vector<std::uint8_t>& bytes, std::size_t at, const IndexMap& fonts,
                 std::size_t isst) {
    io::ByteReader r(std::span<const std::uint8_t>(bytes).subspan(at, 2));
    io::storeU16(bytes, at, static_cast<std::uint16_t>(mappedFont(fonts, r.u16(), isst)));
}

// The source's string as the destination must hold it: its fonts renumbered.
// An ExtRst too short for its Phs keeps its bytes.
model::SstString translated(const model::SstString& source, const IndexMap* fonts,
                            std::size_t isst) {
    model::SstString s = source;
    if (!fonts) return s;
    for (std::size_t at = 0; at + kFormatRunSize <= s.runs.size(); at += kFormatRunSize)
        remapFontAt(s.runs, at + kFormatRunIfnt, *fonts, isst);
    if (s.extRst.size() >= kExtRstPhsIfnt + 2) remapFontAt(s.extRst, kExtRstPhsIfnt, *fonts, isst);
    return s;
}

// Equal as the user sees them: characters, runs and phonetic data, whatever
// the stored character width.
bool sameContent(const model::SstString& a, const model::SstString& b) {
    return a.chars == b.chars && a.runs == b.runs && a.extRst == b.extRst;
}

std::size_t contentHash(const model::SstString& s) {
    std::size_t h = std::hash<std::u16string>{}(s.chars);
    for (const auto* bytes : {&s.runs, &s.extRst})
        for (std::uint8_t b : *bytes) h = h * 31 + b;
    return h;
}

class StringIndex {
  public:
    explicit StringIndex(const std::vector<model::SstString>& strings) : strings_(strings) {
        for (std::size_t i = 0; i < strings.size(); ++i) add(i);
    }
    void add(std::size_t index) { byHash_.emplace(contentHash(strings_[index]), index); }
    std::optional<std::size_t> find(const model::SstString& s) const {
        const auto [from, to] = byHash_.equal_range(contentHash(s));
        for (auto it = from; it != to; ++it)
            if (sameContent(strings_[it->second], s)) return it->second;
        return std::nullopt;
    }

  private:
    const std::vector<model::SstString>& strings_;
    std::unordered_multimap<std::size_t, std::size_t> byHash_;
};

}  // namespace

SharedStringsPlan planSharedStrings(const model::SstTable& from, const SheetUsage& usage,
                                    const model::WorkbookStream& destination,
                                    const IndexMap* fonts) {
    SharedStringsPlan plan;
    if (usage.sharedStrings.empty() && usage.sharedStringCells == 0) return plan;
    plan.merged = model::readSharedStrings(destination);
    plan.map.assign(from.strings.size(), kStringNotCopied);
    plan.merged.strings.reserve(plan.merged.strings.size() + usage.sharedStrings.size());
    StringIndex index(plan.merged.strings);
    for (const std::uint32_t isst : usage.sharedStrings) {
        if (isst >= from.strings.size())
            fail(ErrorCode::CorruptWorkbook, "a cell refers to shared string " +
                                                 std::to_string(isst) + " of " +
                                                 std::to_string(from.strings.size()));
        model::SstString s = translated(from.strings[isst], fonts, isst);
        if (const auto found = index.find(s)) {
            plan.map[isst] = static_cast<std::uint32_t>(*found);
            continue;
        }
        if (plan.merged.strings.size() >= kStringNotCopied)
            fail(ErrorCode::UnsupportedOperation, "the shared string table would overflow");
        plan.map[isst] = static_cast<std::uint32_t>(plan.merged.strings.size());
        plan.merged.strings.push_back(std::move(s));
        index.add(plan.merged.strings.size() - 1);
        ++plan.added;
    }
    // cstTotal is a count the application keeps; a wrong one stays wrong by
    // the same amount, and it never wraps.
    const std::uint64_t total = std::uint64_t{plan.merged.cstTotal} + usage.sharedStringCells;
    plan.merged.cstTotal = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(total, std::numeric_limits<std::uint32_t>::max()));
    plan.changesTable = plan.added > 0 || usage.sharedStringCells > 0;
    return plan;
}

void applySharedStrings(model::WorkbookStream& destination, const SharedStringsPlan& plan,
                        model::EditState& state) {
    if (!plan.changesTable) return;
    writeSharedStrings(destination, plan.merged);
    state.sstEdited = true;
}

}  // namespace xls::ops
