#include "ops/copy/merge_shared_strings.h"

#include <limits>
#include <string>

#include "biff/strings.h"
#include "io/byte_reader.h"
#include "model/shared_strings.h"
#include "ops/copy/shared_string_table.h"
#include "xls/error.h"

namespace xls::ops {

namespace {

constexpr std::size_t kFormatRunSize = 4;  // ich, ifnt
constexpr std::size_t kFormatRunIfnt = 2;
constexpr std::size_t kExtRstPhsIfnt = 4;  // after reserved and cb: Phs.ifnt
constexpr std::uint32_t kNotFound = 0xFFFFFFFF;

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
model::SstString translated(model::SstString s, const IndexMap* fonts, std::size_t isst) {
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

// The distinct strings the sheet uses, as the destination must hold them,
// each with where the destination has it (kNotFound until found). Most of
// the destination's strings are none of them: a bit per digest value, in few
// enough bits to stay in the processor's cache, turns those away first,
// before they are decoded. The strings are found by digest in one flat table
// (open addressing, a slot per entry and as many again free), so a look costs
// a read or two of adjacent memory rather than a walk through a bucket list.
class WantedStrings {
  public:
    explicit WantedStrings(std::size_t atMost) {
        strings_.reserve(atMost);
        digests_.reserve(atMost);
        found_.reserve(atMost);
        std::size_t slots = 16;
        while (slots < 2 * atMost) slots *= 2;
        slots_.assign(slots, kEmpty);
    }

    // The entry of a string equal to s, added when there is none.
    std::size_t add(model::SstString s) {
        const std::uint64_t digest = biff::stringDigest(s);
        std::size_t slot = firstSlot(digest);
        for (; slots_[slot] != kEmpty; slot = nextSlot(slot)) {
            const std::uint32_t entry = slots_[slot];
            if (digests_[entry] == digest && sameContent(strings_[entry], s)) return entry;
        }
        slots_[slot] = static_cast<std::uint32_t>(strings_.size());
        strings_.push_back(std::move(s));
        digests_.push_back(digest);
        found_.push_back(kNotFound);
        return strings_.size() - 1;
    }

    // Ready for offer once every wanted string is added.
    void seal() {
        std::size_t bits = kWordBits;
        while (bits < kFilterBitsPerString * strings_.size() && bits < kMaxFilterBits) bits *= 2;
        filter_.assign(bits / kWordBits, 0);
        for (const std::uint64_t digest : digests_) {
            const std::size_t bit = digest & (bits - 1);
            filter_[bit / kWordBits] |= std::uint64_t{1} << (bit % kWordBits);
        }
    }

    // Whether a string of this digest may be a wanted one.
    bool mayHold(std::uint64_t digest) const {
        const std::size_t bit = digest & (filter_.size() * kWordBits - 1);
        return (filter_[bit / kWordBits] & (std::uint64_t{1} << (bit % kWordBits))) != 0;
    }

    // Notes the destination's string isst where it equals a wanted one (the
    // first equal one wins).
    void offer(std::size_t isst, const model::SstString& s) {
        const std::uint64_t digest = biff::stringDigest(s);
        if (!mayHold(digest)) return;
        for (std::size_t slot = firstSlot(digest); slots_[slot] != kEmpty; slot = nextSlot(slot)) {
            const std::uint32_t entry = slots_[slot];
            if (digests_[entry] == digest && found_[entry] == kNotFound &&
                sameContent(strings_[entry], s))
                found_[entry] = static_cast<std::uint32_t>(isst);
        }
    }

    std::size_t size() const { return strings_.size(); }
    std::uint32_t found(std::size_t entry) const { return found_[entry]; }
    // The strings the destination lacks, in the order they were added.
    std::vector<model::SstString> missing() && {
        std::size_t kept = 0;
        for (std::size_t entry = 0; entry < strings_.size(); ++entry)
            if (found_[entry] == kNotFound) {
                if (kept != entry) strings_[kept] = std::move(strings_[entry]);
                ++kept;
            }
        strings_.resize(kept);
        return std::move(strings_);
    }

  private:
    static constexpr std::size_t kWordBits = 64;
    static constexpr std::size_t kFilterBitsPerString = 16;
    static constexpr std::size_t kMaxFilterBits = std::size_t{1} << 22;
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;

    // The filter takes the digest's low bits; the table its high ones, mixed.
    std::size_t firstSlot(std::uint64_t digest) const {
        return static_cast<std::size_t>((digest * 0x9E3779B97F4A7C15) >> 32) & (slots_.size() - 1);
    }
    std::size_t nextSlot(std::size_t slot) const { return (slot + 1) & (slots_.size() - 1); }

    std::vector<model::SstString> strings_;
    std::vector<std::uint64_t> digests_;
    std::vector<std::uint32_t> found_;
    std::vector<std::uint32_t> slots_;  // entry, or kEmpty
    std::vector<std::uint64_t> filter_;
};

}  // namespace

SharedStringsPlan planSharedStrings(const model::SstIndex& from, const SheetUsage& usage,
                                    const model::WorkbookStream& destination,
                                    const IndexMap* fonts) {
    SharedStringsPlan plan;
    if (usage.sharedStrings.empty() && usage.sharedStringCells == 0) return plan;
    // Only the strings the sheet uses are decoded; the destination's are
    // looked at one at a time, for those equal to one of them.
    WantedStrings wanted(usage.sharedStrings.size());
    std::vector<std::pair<std::uint32_t, std::size_t>> entries;  // isst, its wanted entry
    entries.reserve(usage.sharedStrings.size());
    for (const std::uint32_t isst : usage.sharedStrings) {
        if (isst >= from.size())
            fail(ErrorCode::CorruptWorkbook, "a cell refers to shared string " +
                                                 std::to_string(isst) + " of " +
                                                 std::to_string(from.size()));
        entries.emplace_back(isst, wanted.add(translated(from.at(isst), fonts, isst)));
    }
    wanted.seal();
    const model::SstIndex table = model::indexSharedStrings(
        destination, [&](std::size_t isst, const model::SstString& s) { wanted.offer(isst, s); },
        [&](std::uint64_t digest) { return wanted.mayHold(digest); });

    // Strings the destination lacks are appended in the order the sheet first
    // uses them, which is the order they were wanted in.
    plan.existing = table.size();
    std::vector<std::uint32_t> destinationIndex(wanted.size());
    std::size_t missing = 0;
    for (std::size_t entry = 0; entry < wanted.size(); ++entry) {
        if (wanted.found(entry) != kNotFound) {
            destinationIndex[entry] = wanted.found(entry);
            continue;
        }
        if (plan.existing + missing >= kStringNotCopied)
            fail(ErrorCode::UnsupportedOperation, "the shared string table would overflow");
        destinationIndex[entry] = static_cast<std::uint32_t>(plan.existing + missing++);
    }
    plan.map.assign(from.size(), kStringNotCopied);
    for (const auto& [isst, entry] : entries) plan.map[isst] = destinationIndex[entry];
    plan.appended = std::move(wanted).missing();
    plan.added = plan.appended.size();
    // cstTotal is a count the application keeps; a wrong one stays wrong by
    // the same amount, and it never wraps.
    const std::uint64_t total = std::uint64_t{table.cstTotal()} + usage.sharedStringCells;
    plan.cstTotal = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(total, std::numeric_limits<std::uint32_t>::max()));
    plan.changesTable = plan.added > 0 || usage.sharedStringCells > 0;
    return plan;
}

void applySharedStrings(model::WorkbookStream& destination, const SharedStringsPlan& plan,
                        model::EditState& state) {
    if (!plan.changesTable) return;
    appendSharedStrings(destination, plan.cstTotal, plan.existing, plan.appended);
    state.sstEdited = true;
}

}  // namespace xls::ops
