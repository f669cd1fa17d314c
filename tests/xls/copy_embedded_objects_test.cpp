// OLE objects and ActiveX controls of a copied sheet: where a picture Obj keeps
// its data and which objects a copy carries; the plan on hand-made sheets (Ctls
// data appended, storages under free names). Copies of real workbooks' objects
// are read back with olefile by the corpus checks.
#include <gtest/gtest.h>

#include <set>

#include "ops/copy/copy_embedded_objects.h"
#include "ops/copy/sheet_usage.h"
#include "ops/obj_formula_fields.h"
#include "ops/pict_fmla.h"
#include "support/cfb_test_file.h"
#include "support/copy_record_bytes.h"
#include "support/corpus_manifest.h"
#include "support/file_bytes.h"
#include "xls/error.h"

namespace xls::ops {
namespace {

using Bytes = std::vector<std::uint8_t>;
using tarnvale::testing::u16s;
using tarnvale::testing::u32s;
using tarnvale::testing::operator+;

// An ObjFmla: cbFmla, then cce, four unused bytes, rgce, embedInfo; even-sized.
Bytes objFmla(const Bytes& rgce, const Bytes& embedInfo = {}) {
    if (rgce.empty()) return u16s({0});
    Bytes body = u16s({std::uint32_t(rgce.size()), 0, 0}) + rgce + embedInfo;
    if (body.size() % 2) body.push_back(0);
    return u16s({std::uint32_t(body.size())}) + body;
}
const Bytes kTable = {0x02, 0, 0, 0, 0};                    // PtgTbl
const Bytes kWord = {0x03, 4, 0, 0, 'W', 'o', 'r', 'd'};    // PictFmlaEmbedInfo
const Bytes kCell = {0x3A, 2, 0, 5, 0, 1, 0};               // PtgRef3d, ixti 2
const Bytes kRange = {0x3B, 4, 0, 0, 0, 9, 0, 0, 0, 1, 0};  // PtgArea3d, ixti 4
const Bytes kLink = {0x39, 6, 0, 1, 0, 0, 0};               // PtgNameX, ixti 6
constexpr std::uint16_t kCtl = 0x10, kPrstm = 0x20, kDde = 0x02, kCamera = 0x80;

// A picture Obj: FtCmo, FtPioGrbit, FtPictFmla, FtEnd.
model::Record picture(std::uint16_t flags, const Bytes& pictFmla) {
    return {biff::RecordType::Obj, u16s({0x15, 18, 8, 1}) + Bytes(14, 0) +
                                       u16s({8, 2, flags, 9, std::uint32_t(pictFmla.size())}) +
                                       pictFmla + u32s({0})};
}
model::Record control(std::uint32_t at, std::uint32_t size, const Bytes& cell = {}) {
    return picture(kCtl | kPrstm,
                   objFmla(kTable) + u32s({at, size, 2}) + u16s({0}) + objFmla(cell) + objFmla({}));
}
model::Record oleObject(std::uint32_t id) {
    return picture(0, objFmla(kTable, kWord) + u32s({id}));
}

struct ObjCase {
    model::Record obj;
    std::optional<std::uint32_t> lPos, cbBuf;  // lPos unset: not embedded
    std::set<std::uint16_t> xtis;              // of the link, linked cell and list fill range
    std::string refused;                       // what the copy names; "!": also unreadable
};

class PictureObjects : public ::testing::TestWithParam<ObjCase> {};

TEST_P(PictureObjects, PlaceTheDataAndDecideTheCopy) {
    const ObjCase& c = GetParam();
    SheetUsageScanner scanner;
    scanner.scan({c.obj});
    const SheetUsage usage = scanner.usage();
    EXPECT_EQ(usage.notCopyable.empty() ? "" : usage.notCopyable[0],
              c.refused.substr(c.refused[0] == '!'));
    EXPECT_EQ(usage.xtis, c.xtis);
    if (c.refused[0] == '!') {
        EXPECT_THROW(readPictFmla(c.obj.payload), Error);
        return;
    }
    const auto pict = readPictFmla(c.obj.payload);
    EXPECT_EQ(pict->embedded ? std::optional(pict->lPosInCtlStm) : std::nullopt, c.lPos);
    EXPECT_EQ(pict->cbBufInCtlStm, c.cbBuf);
    if (c.lPos) {
        EXPECT_EQ(c.obj.payload[pict->lPosOffset], *c.lPos & 0xFF);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Objects, PictureObjects,
    ::testing::Values(
        ObjCase{oleObject(0x4770), 0x4770, {}, {}, ""},
        ObjCase{control(0x58, 0x6C, kCell), 0x58, 0x6C, {2}, ""},
        ObjCase{picture(kCtl, objFmla(kTable) + u32s({7, 0}) + objFmla(kCell) + objFmla(kRange)),
                7,
                {},
                {2, 4},
                ""},
        ObjCase{picture(kCamera, objFmla(kRange)), {}, {}, {4}, ""},
        ObjCase{picture(0, objFmla(kRange)), {}, {}, {4}, "linked or embedded objects"},
        ObjCase{picture(kDde, objFmla(kLink)), {}, {}, {6}, "linked or embedded objects"},
        ObjCase{picture(0, objFmla({})), {}, {}, {}, "linked or embedded objects"},
        ObjCase{picture(kCtl, objFmla(kTable) + u32s({7, 500})), {}, {}, {}, "!ActiveX controls"},
        ObjCase{picture(kCtl | kPrstm, objFmla(kTable)), {}, {}, {}, "!ActiveX controls"}));

// --- the plan, on a one-sheet stream and hand-made files

const Bytes kControls = cfb::testing::patternBytes(300, 5);  // the source's Ctls
constexpr std::uint32_t kWordId = 0x0435D8BE;                // poi__60460.xls's object

struct PlanCase {
    std::vector<model::Record> objs;
    std::size_t destinationControls;  // bytes of its Ctls stream; a copy's not saved: + 1000
    std::u16string pendingStorage;    // one a copy not saved added
    bool intoSource;
    std::vector<std::uint32_t> after;  // each Obj's lPosInCtlStm in the copy
    std::vector<std::u16string> storages;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> appended;  // source Ctls ranges
    std::string refused;
};

class EmbeddedPlan : public ::testing::TestWithParam<PlanCase> {};

TEST_P(EmbeddedPlan, BringsTheDataAndRepointsTheObjects) {
    const PlanCase& c = GetParam();
    const auto word = std::make_shared<cfb::CompoundFile>(cfb::testing::openInMemory(
        tarnvale::testing::readFileBytes(tarnvale::testing::corpusPath("poi__60460.xls"))));
    const auto fileWith = [](std::vector<cfb::testing::TestStream> streams) {
        return cfb::testing::openInMemory(cfb::testing::buildTestCompoundFile(streams).bytes);
    };
    const cfb::CompoundFile withControls =
        fileWith({{u"Workbook", Bytes(9)}, {u"Ctls", kControls}});
    const cfb::CompoundFile other =
        fileWith({{u"Workbook", Bytes(9)}, {u"Ctls", Bytes(c.destinationControls % 1000, 1)}});
    model::EditState none, edits;
    if (c.destinationControls >= 1000) edits.controls = Bytes(c.destinationControls - 1000, 2);
    if (!c.pendingStorage.empty()) edits.additions.push_back({c.pendingStorage, word, 1, {}});
    const cfb::CompoundFile& source = c.storages.empty() ? withControls : *word;
    model::WorkbookStream stream;
    stream.substreams.resize(1);
    stream.substreams[0].records = c.objs;
    stream.sheetSubstream = {0};
    const Bytes before = edits.controls.value_or(Bytes(c.destinationControls % 1000, 1));
    try {
        auto plan = copy::planEmbeddedCopy({source, none}, stream, 0,
                                           {c.intoSource ? source : other, edits});
        copy::applyEmbeddedCopy(std::move(plan), stream, 0, edits);
        EXPECT_EQ(c.refused, "");
    } catch (const Error& e) {
        EXPECT_NE(c.refused, "") << e.what();
        EXPECT_EQ(e.code(), ErrorCode::CopyUnsupported);
        EXPECT_NE(std::string(e.what()).find(c.refused), std::string::npos) << e.what();
        return;
    }
    std::vector<std::uint32_t> after;
    for (const auto& r : stream.substreams[0].records)
        after.push_back(readPictFmla(r.payload)->lPosInCtlStm);
    EXPECT_EQ(after, c.after);
    std::vector<std::u16string> added;
    for (std::size_t i = c.pendingStorage.empty() ? 0 : 1; i < edits.additions.size(); ++i)
        added.push_back(edits.additions[i].name);
    EXPECT_EQ(added, c.storages);
    Bytes controls = before;
    for (const auto& [at, size] : c.appended)
        controls.insert(controls.end(), kControls.begin() + at, kControls.begin() + at + size);
    EXPECT_EQ(edits.controls.value_or(before), controls);
}

// Controls into a destination with the given Ctls bytes (+ 1000: held by a
// copy not saved): each control's new lPosInCtlStm and the source's Ctls ranges
// appended, in order.
PlanCase controls(std::vector<model::Record> objs, std::size_t destination,
                  std::vector<std::uint32_t> after,
                  std::vector<std::pair<std::uint32_t, std::uint32_t>> appended,
                  std::string refused = "") {
    return {std::move(objs),     destination,       {}, false, std::move(after), {},
            std::move(appended), std::move(refused)};
}
// Objects of poi__60460's Word document: the storages added, named for each
// object's new id.
PlanCase objects(std::vector<model::Record> objs, std::u16string pending, bool intoSource,
                 std::vector<std::uint32_t> after, std::vector<std::u16string> storages,
                 std::string refused = "") {
    return {std::move(objs),     0,  std::move(pending), intoSource, std::move(after),
            std::move(storages), {}, std::move(refused)};
}

INSTANTIATE_TEST_SUITE_P(
    Plans, EmbeddedPlan,
    ::testing::Values(
        controls({control(0x10, 0x20), control(0x40, 8)}, 50, {50, 82}, {{0x10, 0x20}, {0x40, 8}}),
        controls({control(0x40, 8), control(0x10, 0x20), control(0x40, 8)}, 0, {0, 8, 0},
                 {{0x40, 8}, {0x10, 0x20}}),
        controls({control(0, 300)}, 1007, {7}, {{0, 300}}),
        controls({control(300, 0)}, 0, {0}, {{300, 0}}),  // no data, at the stream's end
        controls({control(290, 11)}, 0, {}, {}, "ActiveX controls (data outside the Ctls stream)"),
        objects({oleObject(kWordId)}, {}, false, {kWordId}, {u"MBD0435D8BE"}),
        objects({oleObject(kWordId), oleObject(kWordId)}, u"mbd0435d8bf", true,
                {kWordId + 2, kWordId + 2}, {u"MBD0435D8C0"}),
        objects({oleObject(0x1234)}, {}, true, {}, {},
                "linked or embedded objects (storage MBD00001234 missing)")));

}  // namespace
}  // namespace xls::ops
