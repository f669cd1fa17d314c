#include "odraw/drawing_ids.h"

#include <optional>
#include <set>

#include "io/byte_reader.h"
#include "odraw/art_records.h"
#include "xls/error.h"

namespace xls::odraw {

namespace {

constexpr std::uint16_t kPropertyId = 0x3FFF;
constexpr std::uint16_t kIsBlipId = 0x4000;
constexpr std::uint16_t kIsComplex = 0x8000;
constexpr std::uint16_t kHspMaster = 0x0301;  // the shape a shape takes its looks from
constexpr std::size_t kPropertySize = 6;

bool isPropertyTable(std::uint16_t type) {
    return type == kFopt || type == kSecondaryFopt || type == kTertiaryFopt;
}

// Offsets, inside a rule's body, of the shape ids it holds.
std::vector<std::size_t> ruleShapeFields(std::uint16_t type) {
    switch (type) {
        case kConnectorRule:
            return {4, 8, 12};  // spidA, spidB, spidC
        case kArcRule:
        case kCalloutRule:
            return {4};
        default:
            return {};
    }
}

std::uint32_t u32At(std::span<const std::uint8_t> bytes, std::size_t at) {
    io::ByteReader r(bytes, ErrorCode::CorruptWorkbook, "a drawing record");
    r.seek(at);
    return r.u32();
}

void putU32(std::span<std::uint8_t> bytes, std::size_t at, std::uint32_t value) {
    (void)u32At(bytes, at);  // bounds
    io::storeU32(bytes, at, value);
}

// Calls visit(offset of op, opid) for every simple property of a table.
template <typename Visit>
void eachProperty(std::span<const std::uint8_t> bytes, const ArtRecord& r, Visit visit) {
    const std::size_t count = r.header.instance;
    if (count * kPropertySize > r.header.length)
        fail(ErrorCode::CorruptWorkbook, "a shape's property table is shorter than it says");
    io::ByteReader reader(bytes.subspan(r.body(), count * kPropertySize));
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint16_t opid = reader.u16();
        const std::size_t at = r.body() + reader.position();
        reader.skip(4);
        if ((opid & kIsComplex) == 0) visit(at, opid);
    }
}

// Calls the visits for every id field of the drawing.
template <typename Fdg, typename Shape, typename Picture>
void eachId(std::span<const std::uint8_t> bytes, Fdg fdg, Shape shape, Picture picture) {
    for (const ArtRecord& r : walkArt(bytes)) {
        const std::uint16_t type = r.header.type;
        if (type == kFdg) fdg(r);
        if (type == kFsp) shape(r.body(), true);
        if (type == kSelection)  // spidFocus and the selected shapes
            for (std::size_t at = r.body() + 8; at + 4 <= r.end(); at += 4) shape(at, false);
        for (std::size_t field : ruleShapeFields(type))
            if (field + 4 <= r.header.length) shape(r.body() + field, false);
        if (!isPropertyTable(type)) continue;
        eachProperty(bytes, r, [&](std::size_t at, std::uint16_t opid) {
            if ((opid & kPropertyId) == kHspMaster) shape(at, false);
            if (opid & kIsBlipId) picture(at);
        });
    }
}

}  // namespace

DrawingFacts readDrawing(std::span<const std::uint8_t> bytes) {
    DrawingFacts facts;
    eachId(
        bytes,
        [&](const ArtRecord& r) {
            facts.hasFdg = true;
            facts.dgid = r.header.instance;
            facts.csp = u32At(bytes, r.body());
            facts.spidCur = u32At(bytes, r.body() + 4);
        },
        [&](std::size_t at, bool isShape) {
            if (isShape) facts.spids.push_back(u32At(bytes, at));
        },
        [&](std::size_t at) {
            if (const std::uint32_t pib = u32At(bytes, at); pib != 0) ++facts.pictureRefs[pib];
        });
    return facts;
}

void renumberDrawing(std::span<std::uint8_t> bytes, const DrawingRenumbering& renumbering) {
    const std::span<const std::uint8_t> view(bytes);
    std::optional<std::size_t> spidCurAt;
    std::set<std::uint32_t> shapes;  // the old ids of the shapes seen
    std::uint32_t lastFresh = 0;
    eachId(
        view,
        [&](const ArtRecord& r) {
            const std::uint16_t versionAndInstance =
                static_cast<std::uint16_t>((renumbering.dgid << 4) | r.header.version);
            io::storeU16(bytes, r.offset, versionAndInstance);
            spidCurAt = r.body() + 4;
            putU32(bytes, *spidCurAt, renumbering.spid(u32At(view, *spidCurAt)));
        },
        [&](std::size_t at, bool isShape) {
            const std::uint32_t spid = u32At(view, at);
            if (spid == 0) return;
            if (isShape && !shapes.insert(spid).second && renumbering.repeatSpid) {
                lastFresh = renumbering.repeatSpid();
                putU32(bytes, at, lastFresh);
                return;
            }
            putU32(bytes, at, renumbering.spid(spid));
        },
        [&](std::size_t at) {
            const std::uint32_t pib = u32At(view, at);
            if (pib != 0 && renumbering.pib) putU32(bytes, at, renumbering.pib(pib));
        });
    // The drawing's last id given out is the highest fresh one, when any.
    if (spidCurAt && lastFresh > u32At(view, *spidCurAt)) putU32(bytes, *spidCurAt, lastFresh);
}

}  // namespace xls::odraw
