#include "odraw/picture_store.h"

#include <algorithm>
#include <string>

#include "io/byte_reader.h"
#include "odraw/art_records.h"
#include "xls/error.h"

namespace xls::odraw {

namespace {

// Offsets in an entry's record, header included.
constexpr std::size_t kTypesAndId = kHeaderSize;  // btWin32, btMacOS, rgbUid: 18 bytes
constexpr std::size_t kIdentityEnd = kHeaderSize + 18;
constexpr std::size_t kImageSize = kHeaderSize + 20;  // size
constexpr std::size_t kUses = kHeaderSize + 24;       // cRef
constexpr std::size_t kNameSize = kHeaderSize + 33;   // cbName
constexpr std::size_t kFixedEnd = kHeaderSize + 36;

void requireEntry(std::span<const std::uint8_t> entry) {
    if (entry.size() < kFixedEnd || readHeader(entry, 0).type != kFbse)
        fail(ErrorCode::CorruptWorkbook, "a picture store entry is cut short");
}

// The image the entry holds, after its name; empty when it lives elsewhere.
std::span<const std::uint8_t> imageOf(std::span<const std::uint8_t> entry) {
    const std::size_t start = kFixedEnd + entry[kNameSize];
    return start <= entry.size() ? entry.subspan(start) : std::span<const std::uint8_t>{};
}

bool samePicture(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    const auto ida = a.subspan(kTypesAndId, kIdentityEnd - kTypesAndId);
    const auto idb = b.subspan(kTypesAndId, kIdentityEnd - kTypesAndId);
    const auto ia = imageOf(a);
    const auto ib = imageOf(b);
    return std::ranges::equal(ida, idb) && std::ranges::equal(ia, ib);
}

std::vector<std::uint8_t>& entryAt(DrawingGroup& group, std::uint32_t pib) {
    if (pib == 0 || pib > group.pictures.size())
        fail(ErrorCode::CorruptWorkbook,
             "a shape names picture " + std::to_string(pib) + ", which the workbook lacks");
    return group.pictures[pib - 1];
}

std::uint32_t u32At(std::span<const std::uint8_t> entry, std::size_t at) {
    requireEntry(entry);
    io::ByteReader r(entry);
    r.seek(at);
    return r.u32();
}

}  // namespace

std::uint32_t pictureUses(std::span<const std::uint8_t> entry) {
    return u32At(entry, kUses);
}

void setPictureUses(std::vector<std::uint8_t>& entry, std::uint32_t uses) {
    requireEntry(entry);
    io::storeU32(entry, kUses, uses);
}

std::map<std::uint32_t, std::uint32_t> mergePictures(
    DrawingGroup& group, const std::vector<std::vector<std::uint8_t>>& sourcePictures,
    const std::map<std::uint32_t, std::uint32_t>& refs) {
    std::map<std::uint32_t, std::uint32_t> map;
    for (const auto& [pib, uses] : refs) {
        if (pib == 0 || pib > sourcePictures.size())
            fail(ErrorCode::CorruptWorkbook,
                 "a shape names picture " + std::to_string(pib) + ", which the workbook lacks");
        const auto& entry = sourcePictures[pib - 1];
        requireEntry(entry);
        if (imageOf(entry).empty() && u32At(entry, kImageSize) != 0)
            fail(ErrorCode::CopyUnsupported, "pictures stored outside the workbook's drawings");
        const auto equal = std::ranges::find_if(group.pictures, [&](const auto& p) {
            return p.size() >= kFixedEnd && samePicture(p, entry);
        });
        if (equal != group.pictures.end()) {
            setPictureUses(*equal, pictureUses(*equal) + uses);
            map[pib] = static_cast<std::uint32_t>(equal - group.pictures.begin() + 1);
        } else {
            group.pictures.push_back(entry);
            setPictureUses(group.pictures.back(), uses);
            map[pib] = static_cast<std::uint32_t>(group.pictures.size());
        }
    }
    return map;
}

void countPictures(DrawingGroup& group, const std::map<std::uint32_t, std::uint32_t>& refs) {
    for (const auto& [pib, uses] : refs) {
        auto& entry = entryAt(group, pib);
        setPictureUses(entry, pictureUses(entry) + uses);
    }
}

}  // namespace xls::odraw
