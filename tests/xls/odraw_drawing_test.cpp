// Drawings and the drawing group, built record by record: where a drawing
// brought in lands (drawing id, clusters, totals), what its ids become, how
// pictures join a store, and how a group reads back after it is written.
#include <gtest/gtest.h>

#include <string>

#include "io/byte_writer.h"
#include "odraw/art_records.h"
#include "odraw/drawing_group.h"
#include "odraw/drawing_ids.h"
#include "odraw/picture_store.h"
#include "odraw/place_drawing.h"
#include "support/copy_record_bytes.h"
#include "xls/error.h"

namespace xls::odraw {
namespace {

using Bytes = std::vector<std::uint8_t>;
using tarnvale::testing::u32s;

Bytes art(std::uint16_t type, std::uint16_t instance, const Bytes& body,
          std::uint16_t version = 0) {
    Bytes out;
    appendHeader(out, {version, instance, type, static_cast<std::uint32_t>(body.size())});
    out.insert(out.end(), body.begin(), body.end());
    return out;
}
Bytes container(std::uint16_t type, const std::vector<Bytes>& children) {
    Bytes body;
    for (const auto& c : children) body.insert(body.end(), c.begin(), c.end());
    return art(type, 0, body, kContainerVersion);
}
// A property table: (opid, op) pairs.
Bytes properties(std::initializer_list<std::pair<std::uint16_t, std::uint32_t>> props) {
    io::ByteWriter w;
    for (auto [opid, op] : props) w.u16(opid).u32(op);
    return art(kFopt, static_cast<std::uint16_t>(props.size()), w.take(), 3);
}
Bytes shape(std::uint32_t spid, std::uint32_t pib = 0) {
    return container(0xF004, {art(kFsp, 1, u32s({spid, 0x0A00}), 2),
                              properties({{0x4104, pib}, {0x0301, spid == 1025 ? 1026u : 0u}})});
}
// Drawing 3 with shapes 1024 (group), 1025 (picture 2), 1026, 3073 (picture 1)
// and a connector between 1025 and 3073.
Bytes sampleDrawing() {
    return container(
        kDgContainer,
        {art(kFdg, 3, u32s({4, 3073})),
         container(0xF003, {shape(1024), shape(1025, 2), shape(1026), shape(3073, 1)}),
         container(kSolverContainer, {art(kConnectorRule, 0, u32s({1, 1025, 3073, 1026, 0, 0}))})});
}

Bytes picture(std::uint8_t id, std::uint8_t image, std::uint32_t uses, std::uint32_t delayed = 0) {
    Bytes body(36, 0);
    body[0] = body[1] = 6;
    body[2] = id;
    body[20] = static_cast<std::uint8_t>(delayed);
    body[24] = static_cast<std::uint8_t>(uses);
    if (!delayed) body.insert(body.end(), {0x42, image});
    return art(kFbse, 6, body, 2);
}

TEST(DrawingIds, ReadsAndRenumbersEveryIdInPlace) {
    Bytes bytes = sampleDrawing();
    const DrawingFacts facts = readDrawing(bytes);
    EXPECT_TRUE(facts.hasFdg);
    EXPECT_EQ(facts.dgid, 3);
    EXPECT_EQ(facts.spids, (std::vector<std::uint32_t>{1024, 1025, 1026, 3073}));
    EXPECT_EQ(facts.pictureRefs, (std::map<std::uint32_t, std::uint32_t>{{1, 1}, {2, 1}}));

    const std::size_t size = bytes.size();
    renumberDrawing(
        bytes,
        {9, [](std::uint32_t s) { return s + 10000; }, [](std::uint32_t p) { return p + 5; }, {}});
    EXPECT_EQ(bytes.size(), size);
    const DrawingFacts after = readDrawing(bytes);
    EXPECT_EQ(after.dgid, 9);
    EXPECT_EQ(after.spidCur, 13073u);
    EXPECT_EQ(after.spids, (std::vector<std::uint32_t>{11024, 11025, 11026, 13073}));
    EXPECT_EQ(after.pictureRefs, (std::map<std::uint32_t, std::uint32_t>{{6, 1}, {7, 1}}));
    // The connector's ends and the master shape moved with the shapes.
    const std::string text(bytes.begin(), bytes.end());
    for (std::uint32_t old : {1025u, 1026u, 3073u}) {
        const Bytes b = u32s({old});
        EXPECT_EQ(text.find(std::string(b.begin(), b.end())), std::string::npos) << old;
    }
}

// A drawing that gives shape 1025 twice: the second gets a fresh id from a
// cluster of its own, placed and counted; the connector's end and the master
// shape keep reaching the first; the drawing's last id is the fresh one.
TEST(DrawingIds, RepeatedShapeIdsGetFreshOnes) {
    Bytes bytes = container(
        kDgContainer,
        {art(kFdg, 3, u32s({3, 1026})), container(0xF003, {shape(1024), shape(1025), shape(1025)}),
         container(kSolverContainer, {art(kConnectorRule, 0, u32s({1, 1025, 1024, 0, 0, 0}))})});
    DrawingGroup group = emptyDrawingGroup();
    const DrawingPlace place = placeDrawing(group, readDrawing(bytes));
    EXPECT_EQ(place.firstSpare, 2 * kClusterSize);
    ASSERT_EQ(group.clusters.size(), 2u);
    EXPECT_EQ(group.clusters[1].cspidCur, 1u);
    EXPECT_EQ(group.spidMax, 2 * kClusterSize + 1);
    renumberDrawing(bytes, {place.dgid,
                            [&](std::uint32_t s) { return place.spid(s); },
                            {},
                            [next = place.firstSpare]() mutable { return next++; }});
    const DrawingFacts after = readDrawing(bytes);
    EXPECT_EQ(after.spids, (std::vector<std::uint32_t>{1024, 1025, 2048}));
    EXPECT_EQ(after.spidCur, 2048u);
    const std::string text(bytes.begin(), bytes.end());
    const Bytes rule = u32s({1, 1025, 1024});
    EXPECT_NE(text.find(std::string(rule.begin(), rule.end())), std::string::npos);
}

struct PlaceCase {
    const char* name;
    std::uint32_t spidMax;
    std::vector<Cluster> clusters;
    std::uint16_t dgid;
    std::uint32_t firstShape;  // where shape 1024 of the sample lands
    std::size_t clusterCount;
};

class PlaceTest : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(PlaceTest, GivesAFreeIdAndFreshClusters) {
    const PlaceCase& c = GetParam();
    SCOPED_TRACE(c.name);
    DrawingGroup group = emptyDrawingGroup();
    group.spidMax = c.spidMax;
    group.clusters = c.clusters;
    group.cspSaved = 7;
    group.cdgSaved = 2;
    const DrawingPlace place = placeDrawing(group, readDrawing(sampleDrawing()));
    EXPECT_EQ(place.dgid, c.dgid);
    EXPECT_EQ(place.spid(1024), c.firstShape);
    EXPECT_EQ(place.spid(3073), c.firstShape + kClusterSize + 1);  // a cluster of its own
    ASSERT_EQ(group.clusters.size(), c.clusterCount);
    EXPECT_EQ(group.clusters[c.clusterCount - 2].dgid, c.dgid);
    EXPECT_EQ(group.clusters[c.clusterCount - 2].cspidCur, 3u);
    EXPECT_EQ(group.clusters.back().cspidCur, 2u);
    EXPECT_EQ(group.spidMax, c.firstShape + kClusterSize + 2);
    EXPECT_EQ(group.cspSaved, 11u);
    EXPECT_EQ(group.cdgSaved, 3u);
}

INSTANTIATE_TEST_SUITE_P(
    Groups, PlaceTest,
    ::testing::Values(
        PlaceCase{"empty", 1024, {}, 1, 1024, 2},
        PlaceCase{"next id opens the next cluster", 3073, {{1, 3}, {2, 5}}, 3, 3072, 4},
        PlaceCase{"ids used past the clusters", 4100, {{4, 3}}, 5, 5120, 6},
        PlaceCase{"free clusters keep their place", 2049, {{0, 0}, {2, 1}}, 3, 3072, 4}));

TEST(PictureStore, SharesEqualImagesAndCountsUses) {
    DrawingGroup group = emptyDrawingGroup();
    group.pictures = {picture(1, 0xA, 2), picture(2, 0xB, 1)};
    const std::vector<Bytes> source = {picture(2, 0xB, 5), picture(2, 0xC, 1), picture(3, 0xA, 1)};
    const auto map = mergePictures(group, source, {{1, 2}, {2, 1}, {3, 4}});
    EXPECT_EQ(map, (std::map<std::uint32_t, std::uint32_t>{{1, 2}, {2, 3}, {3, 4}}));
    ASSERT_EQ(group.pictures.size(), 4u);
    EXPECT_EQ(pictureUses(group.pictures[0]), 2u);
    EXPECT_EQ(pictureUses(group.pictures[1]), 3u);  // shared: one plus the copy's two
    EXPECT_EQ(pictureUses(group.pictures[2]), 1u);  // same id, other image: its own entry
    EXPECT_EQ(pictureUses(group.pictures[3]), 4u);
}

TEST(PictureStore, RefusesPicturesItCannotFind) {
    DrawingGroup group = emptyDrawingGroup();
    const std::vector<Bytes> source = {picture(1, 0, 1, 40)};
    for (auto [refs, code] :
         {std::pair{std::map<std::uint32_t, std::uint32_t>{{2, 1}}, ErrorCode::CorruptWorkbook},
          std::pair{std::map<std::uint32_t, std::uint32_t>{{1, 1}}, ErrorCode::CopyUnsupported}}) {
        try {
            mergePictures(group, source, refs);
            ADD_FAILURE() << "accepted";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), code);
        }
    }
    EXPECT_TRUE(group.pictures.empty());
}

TEST(DrawingGroupRecords, ReadsBackWhatItWrites) {
    const Bytes other = art(kFopt, 1, {0xBF, 0x00, 8, 0, 8, 0}, 3);
    const Bytes written = container(
        kDggContainer, {art(kFdgg, 0, u32s({3074, 3, 5, 2, 1, 4, 2, 2})),
                        art(kBStoreContainer, 1, picture(1, 0xA, 1), kContainerVersion), other});
    DrawingGroup group = readDrawingGroup(written);
    EXPECT_EQ(group.spidMax, 3074u);
    EXPECT_EQ(group.clusters.size(), 2u);
    EXPECT_EQ(group.pictures.size(), 1u);
    EXPECT_EQ(writeDrawingGroup(group), written);

    DrawingGroup fresh = emptyDrawingGroup();
    fresh.pictures.push_back(picture(1, 0xA, 1));
    const DrawingGroup back = readDrawingGroup(writeDrawingGroup(fresh));
    EXPECT_EQ(back.pictures, fresh.pictures);
    EXPECT_THROW(readDrawingGroup(container(kDggContainer, {other})), Error);
}

}  // namespace
}  // namespace xls::odraw
