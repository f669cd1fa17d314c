#include "odraw/drawing_group.h"

#include "io/byte_reader.h"
#include "io/byte_writer.h"
#include "odraw/art_records.h"
#include "xls/error.h"

namespace xls::odraw {

namespace {

constexpr std::size_t kFdggFixed = 16;  // spidMax, cidcl, cspSaved, cdgSaved

std::vector<std::uint8_t> whole(std::span<const std::uint8_t> bytes, const ArtRecord& r) {
    const auto part = bytes.subspan(r.offset, r.end() - r.offset);
    return {part.begin(), part.end()};
}

void readFdgg(std::span<const std::uint8_t> body, DrawingGroup& group) {
    io::ByteReader r(body, ErrorCode::CorruptWorkbook, "drawing group totals");
    group.spidMax = r.u32();
    r.skip(4);  // cidcl: the clusters that follow say how many there are
    group.cspSaved = r.u32();
    group.cdgSaved = r.u32();
    while (r.remaining() >= 8) {
        Cluster c;
        c.dgid = r.u32();
        c.cspidCur = r.u32();
        group.clusters.push_back(c);
    }
}

std::vector<std::uint8_t> fdggRecord(const DrawingGroup& group) {
    std::vector<std::uint8_t> out;
    appendHeader(out,
                 {0, 0, kFdgg, static_cast<std::uint32_t>(kFdggFixed + 8 * group.clusters.size())});
    io::ByteWriter w(std::move(out));
    w.u32(group.spidMax).u32(static_cast<std::uint32_t>(group.clusters.size() + 1));
    w.u32(group.cspSaved).u32(group.cdgSaved);
    for (const Cluster& c : group.clusters) w.u32(c.dgid).u32(c.cspidCur);
    return w.take();
}

std::vector<std::uint8_t> storeRecord(const DrawingGroup& group) {
    std::size_t length = 0;
    for (const auto& p : group.pictures) length += p.size();
    std::vector<std::uint8_t> out;
    appendHeader(out, {kContainerVersion, static_cast<std::uint16_t>(group.pictures.size()),
                       kBStoreContainer, static_cast<std::uint32_t>(length)});
    for (const auto& p : group.pictures) out.insert(out.end(), p.begin(), p.end());
    return out;
}

}  // namespace

DrawingGroup readDrawingGroup(std::span<const std::uint8_t> container) {
    const ArtHeader top = readHeader(container, 0);
    if (top.type != kDggContainer || kHeaderSize + top.length > container.size())
        fail(ErrorCode::CorruptWorkbook, "the drawing group is not a drawing group container");
    const auto inside = container.subspan(kHeaderSize, top.length);
    DrawingGroup group;
    bool sawFdgg = false;
    for (const ArtRecord& r : topLevelArt(inside)) {
        const auto body = inside.subspan(r.body(), r.header.length);
        if (r.header.type == kFdgg && !sawFdgg) {
            sawFdgg = true;
            group.fdggAt = group.others.size();
            readFdgg(body, group);
        } else if (r.header.type == kBStoreContainer && r.isContainer() && !group.hasStore) {
            group.hasStore = true;
            group.storeAt = group.others.size();
            for (const ArtRecord& entry : topLevelArt(body))
                group.pictures.push_back(whole(body, entry));
        } else {
            group.others.push_back(whole(inside, r));
        }
    }
    if (!sawFdgg) fail(ErrorCode::CorruptWorkbook, "the drawing group has no totals record");
    return group;
}

DrawingGroup emptyDrawingGroup() {
    DrawingGroup group;
    group.spidMax = kClusterSize;
    return group;
}

std::vector<std::uint8_t> writeDrawingGroup(const DrawingGroup& group) {
    std::vector<std::uint8_t> body;
    const bool store = group.hasStore || !group.pictures.empty();
    const std::size_t storeAt = group.hasStore ? group.storeAt : group.fdggAt;
    for (std::size_t i = 0; i <= group.others.size(); ++i) {
        if (i == group.fdggAt) {
            const auto fdgg = fdggRecord(group);
            body.insert(body.end(), fdgg.begin(), fdgg.end());
        }
        // A new store goes right after the totals.
        if (store && i == storeAt && (group.hasStore || i == group.fdggAt)) {
            const auto s = storeRecord(group);
            body.insert(body.end(), s.begin(), s.end());
        }
        if (i < group.others.size())
            body.insert(body.end(), group.others[i].begin(), group.others[i].end());
    }
    std::vector<std::uint8_t> out;
    appendHeader(out,
                 {kContainerVersion, 0, kDggContainer, static_cast<std::uint32_t>(body.size())});
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

}  // namespace xls::odraw
