#include "model/doc_summary.h"

#include <algorithm>
#include <map>

#include "io/byte_reader.h"
#include "io/byte_writer.h"
#include "model/doc_summary_text.h"
#include "xls/error.h"

namespace xls::model {

namespace {

// Property identifiers and types of the first property set ([MS-OLEPS] 2.15,
// [MS-OSHARED] 2.3.3.2.2.1).
enum class PropertyId : std::uint32_t { CodePage = 0x01, HeadingPair = 0x0C, DocParts = 0x0D };
enum class VarType : std::uint16_t {
    I2 = 0x0002,
    I4 = 0x0003,
    Lpstr = 0x001E,
    Lpwstr = 0x001F,
    VectorVariant = 0x100C,
    VectorLpstr = 0x101E,
    VectorLpwstr = 0x101F,
};

constexpr std::uint16_t kByteOrderMark = 0xFFFE;
constexpr std::size_t kSetListOffset = 28;  // after byte order .. NumPropertySets
constexpr std::size_t kSetEntrySize = 20;   // FMTID + offset

std::size_t padTo4(std::size_t n) {
    return (n + 3) & ~std::size_t{3};
}

void padOut(io::ByteWriter& out, std::size_t from) {
    out.zeros(padTo4(out.size() - from) - (out.size() - from));
}

// One string of the titles: its stored form (type and the bytes after cch, as
// read) so an untouched string is written back byte for byte.
struct StoredString {
    VarType type = VarType::Lpstr;
    std::uint32_t cch = 0;
    std::vector<std::uint8_t> value;  // cch bytes (Lpstr) or 2*cch bytes (Lpwstr), no padding
};

StoredString readString(io::ByteReader& r, VarType type) {
    StoredString s;
    s.type = type;
    s.cch = r.u32();
    const std::size_t width = type == VarType::Lpwstr ? 2 : 1;
    if (s.cch > r.remaining() / width) fail(ErrorCode::CorruptWorkbook, "document summary string");
    const auto bytes = r.bytes(s.cch * width);
    s.value.assign(bytes.begin(), bytes.end());
    // Unicode strings are padded to four bytes even inside the unaligned forms.
    if (type == VarType::Lpwstr)
        r.skip(std::min(r.remaining(), padTo4(bytes.size()) - bytes.size()));
    return s;
}

void writeString(io::ByteWriter& out, const StoredString& s) {
    out.u32(s.cch);
    const std::size_t start = out.size();
    out.bytes(s.value);
    if (s.type == VarType::Lpwstr) padOut(out, start);
}

std::string textOf(const StoredString& s, std::uint16_t codePage) {
    std::vector<std::uint8_t> bytes = s.value;
    const bool wide = s.type == VarType::Lpwstr || codePage == kCodePageUtf16;
    if (wide) {
        while (bytes.size() >= 2 && bytes[bytes.size() - 1] == 0 && bytes[bytes.size() - 2] == 0)
            bytes.resize(bytes.size() - 2);
        return decodePropertyText(bytes, kCodePageUtf16);
    }
    while (!bytes.empty() && bytes.back() == 0) bytes.pop_back();
    return decodePropertyText(bytes, codePage);
}

StoredString makeString(VarType type, std::string_view text, std::uint16_t codePage) {
    StoredString s;
    s.type = type;
    const bool wide = type == VarType::Lpwstr || codePage == kCodePageUtf16;
    s.value = encodePropertyText(text, wide ? kCodePageUtf16 : codePage);
    s.value.push_back(0);
    if (wide) s.value.push_back(0);
    // Lpwstr counts characters; Lpstr counts bytes, also when they hold UTF-16.
    s.cch =
        static_cast<std::uint32_t>(type == VarType::Lpwstr ? s.value.size() / 2 : s.value.size());
    return s;
}

struct Heading {
    StoredString text;
    std::int32_t count = 0;
};

struct Property {
    std::uint32_t id = 0;
    std::uint32_t offset = 0;  // within the section
};

// The first property set's section, split so its two title properties can be
// rewritten and everything else copied.
struct Section {
    std::size_t start = 0;  // in the stream
    std::size_t size = 0;
    std::vector<Property> table;
    std::uint16_t codePage = 1252;
    std::vector<Heading> headings;
    VarType partsType = VarType::VectorLpstr;
    std::vector<StoredString> parts;
};

std::optional<Section> parseSection(std::span<const std::uint8_t> stream) {
    io::ByteReader r(stream, ErrorCode::CorruptWorkbook, "document summary");
    if (r.u16() != kByteOrderMark) return std::nullopt;
    r.seek(kSetListOffset - 4);
    const std::uint32_t sets = r.u32();
    if (sets == 0) return std::nullopt;
    r.skip(16);
    Section sec;
    sec.start = r.u32();
    r.seek(sec.start);
    sec.size = r.u32();
    if (sec.size > stream.size() - sec.start) return std::nullopt;
    io::ByteReader s(stream.subspan(sec.start, sec.size), ErrorCode::CorruptWorkbook,
                     "document summary section");
    s.skip(4);
    const std::uint32_t count = s.u32();
    if (count > s.remaining() / 8) return std::nullopt;
    const std::size_t tableEnd = 8 + std::size_t{count} * 8;
    std::optional<std::uint32_t> headingAt, partsAt;
    for (std::uint32_t i = 0; i < count; ++i) {
        Property p{s.u32(), s.u32()};
        if (p.offset < tableEnd || p.offset >= sec.size) return std::nullopt;
        sec.table.push_back(p);
        if (p.id == static_cast<std::uint32_t>(PropertyId::HeadingPair)) headingAt = p.offset;
        if (p.id == static_cast<std::uint32_t>(PropertyId::DocParts)) partsAt = p.offset;
        if (p.id == static_cast<std::uint32_t>(PropertyId::CodePage)) {
            io::ByteReader v = s;
            v.seek(p.offset);
            if (v.u16() == static_cast<std::uint16_t>(VarType::I2)) {
                v.skip(2);
                sec.codePage = v.u16();
            }
        }
    }
    if (!headingAt || !partsAt) return std::nullopt;

    s.seek(*headingAt);
    if (s.u16() != static_cast<std::uint16_t>(VarType::VectorVariant)) return std::nullopt;
    s.skip(2);
    const std::uint32_t elements = s.u32();
    if (elements % 2 != 0 || elements / 2 > s.remaining() / 16) return std::nullopt;
    for (std::uint32_t i = 0; i < elements / 2; ++i) {
        const auto type = static_cast<VarType>(s.u16());
        if (type != VarType::Lpstr && type != VarType::Lpwstr) return std::nullopt;
        s.skip(2);
        Heading h;
        h.text = readString(s, type);
        if (s.u16() != static_cast<std::uint16_t>(VarType::I4)) return std::nullopt;
        s.skip(2);
        h.count = static_cast<std::int32_t>(s.u32());
        if (h.count < 0) return std::nullopt;
        sec.headings.push_back(std::move(h));
    }

    s.seek(*partsAt);
    sec.partsType = static_cast<VarType>(s.u16());
    if (sec.partsType != VarType::VectorLpstr && sec.partsType != VarType::VectorLpwstr)
        return std::nullopt;
    s.skip(2);
    const std::uint32_t partCount = s.u32();
    if (partCount > s.remaining() / 4) return std::nullopt;
    const VarType partType =
        sec.partsType == VarType::VectorLpwstr ? VarType::Lpwstr : VarType::Lpstr;
    for (std::uint32_t i = 0; i < partCount; ++i) sec.parts.push_back(readString(s, partType));

    std::size_t total = 0;
    for (const Heading& h : sec.headings) total += static_cast<std::size_t>(h.count);
    if (total != sec.parts.size()) return std::nullopt;  // counts we cannot trust
    return sec;
}

std::vector<std::uint8_t> serializeHeadings(const Section& sec) {
    io::ByteWriter out;
    out.u16(static_cast<std::uint16_t>(VarType::VectorVariant)).u16(0);
    out.u32(static_cast<std::uint32_t>(sec.headings.size() * 2));
    for (const Heading& h : sec.headings) {
        out.u16(static_cast<std::uint16_t>(h.text.type)).u16(0);
        writeString(out, h.text);
        out.u16(static_cast<std::uint16_t>(VarType::I4)).u16(0);
        out.u32(static_cast<std::uint32_t>(h.count));
    }
    padOut(out, 0);
    return out.take();
}

std::vector<std::uint8_t> serializeParts(const Section& sec) {
    io::ByteWriter out;
    out.u16(static_cast<std::uint16_t>(sec.partsType)).u16(0);
    out.u32(static_cast<std::uint32_t>(sec.parts.size()));
    for (const StoredString& s : sec.parts) writeString(out, s);
    padOut(out, 0);
    return out.take();
}

// Rebuilds the stream with the section's two title properties re-encoded;
// other properties keep their bytes (and the padding after them), later
// sections move by the change in size.
std::vector<std::uint8_t> rebuildStream(std::span<const std::uint8_t> stream, const Section& sec) {
    const auto oldSection = stream.subspan(sec.start, sec.size);
    std::vector<std::uint32_t> starts;
    for (const Property& p : sec.table) starts.push_back(p.offset);
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());

    const std::size_t tableEnd = 8 + sec.table.size() * 8;
    std::vector<std::uint8_t> body(oldSection.begin() + static_cast<std::ptrdiff_t>(tableEnd),
                                   oldSection.begin() + starts.front());
    std::map<std::uint32_t, std::uint32_t> moved;
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const std::uint32_t from = starts[i];
        const std::size_t to = i + 1 < starts.size() ? starts[i + 1] : sec.size;
        moved[from] = static_cast<std::uint32_t>(tableEnd + body.size());
        const auto idAt = std::find_if(sec.table.begin(), sec.table.end(),
                                       [&](const Property& p) { return p.offset == from; });
        if (idAt->id == static_cast<std::uint32_t>(PropertyId::HeadingPair)) {
            const auto blob = serializeHeadings(sec);
            body.insert(body.end(), blob.begin(), blob.end());
        } else if (idAt->id == static_cast<std::uint32_t>(PropertyId::DocParts)) {
            const auto blob = serializeParts(sec);
            body.insert(body.end(), blob.begin(), blob.end());
        } else {
            body.insert(body.end(), oldSection.begin() + from, oldSection.begin() + to);
        }
    }

    io::ByteWriter sectionWriter;
    sectionWriter.u32(static_cast<std::uint32_t>(tableEnd + body.size()));
    sectionWriter.u32(static_cast<std::uint32_t>(sec.table.size()));
    for (const Property& p : sec.table) sectionWriter.u32(p.id).u32(moved[p.offset]);
    sectionWriter.bytes(body);
    const std::vector<std::uint8_t> section = sectionWriter.take();

    std::vector<std::uint8_t> out(stream.begin(), stream.begin() + sec.start);
    out.insert(out.end(), section.begin(), section.end());
    out.insert(out.end(), stream.begin() + sec.start + sec.size, stream.end());
    // Later property sets move with the size change of the first.
    io::ByteReader header(stream, ErrorCode::CorruptWorkbook, "document summary");
    header.seek(kSetListOffset - 4);
    const std::uint32_t sets = header.u32();
    for (std::uint32_t i = 0; i < sets; ++i) {
        const std::size_t field = kSetListOffset + i * kSetEntrySize + 16;
        if (field + 4 > sec.start) break;
        header.seek(field);
        const std::uint32_t offset = header.u32();
        if (offset > sec.start) {
            const auto shifted = static_cast<std::uint32_t>(offset - sec.size + section.size());
            io::storeU32(out, field, shifted);
        }
    }
    return out;
}

// Sheet-qualified title of a defined name: "Sheet1!Print_Area" or
// "'My Sheet'!Print_Area" (an apostrophe inside doubled).
std::optional<std::string> nameAfterSheetPrefix(std::string_view title, std::string_view sheet) {
    std::string quoted = "'";
    for (char c : sheet) {
        quoted += c;
        if (c == '\'') quoted += c;
    }
    quoted += "'!";
    const std::string plain = std::string(sheet) + "!";
    if (title.starts_with(quoted)) return std::string(title.substr(quoted.size()));
    if (title.starts_with(plain)) return std::string(title.substr(plain.size()));
    return std::nullopt;
}

std::string qualifiedTitle(std::string_view sheet, std::string_view name) {
    bool plain = !sheet.empty() && !(sheet[0] >= '0' && sheet[0] <= '9');
    for (char c : sheet) {
        const auto u = static_cast<unsigned char>(c);
        if (!(u >= 0x80 || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
              (c >= '0' && c <= '9') || c == '_' || c == '.'))
            plain = false;
    }
    std::string out;
    if (plain) {
        out = std::string(sheet);
    } else {
        out = "'";
        for (char c : sheet) {
            out += c;
            if (c == '\'') out += c;
        }
        out += "'";
    }
    return out + "!" + std::string(name);
}

// Index of the heading whose group holds part i.
std::size_t headingOf(const Section& sec, std::size_t part) {
    std::size_t end = 0;
    for (std::size_t h = 0; h < sec.headings.size(); ++h) {
        end += static_cast<std::size_t>(sec.headings[h].count);
        if (part < end) return h;
    }
    return sec.headings.size() - 1;
}

// Whether a stored title names the sheet: as the name itself, or as this code
// page spells it. A title written for a name the code page cannot hold (a
// sheet renamed to "Ωmega" in a Windows-1252 summary) reads back with '?' in
// place of those characters, and must still be found by the sheet's name.
bool namesSheet(const std::string& text, std::string_view name, const StoredString& part,
                std::uint16_t codePage) {
    return text == name || text == textOf(makeString(part.type, name, codePage), codePage);
}

// The local name in a title "Sheet!Name" of this sheet, matched as namesSheet does.
std::optional<std::string> localNameOf(const std::string& text, std::string_view sheet,
                                       const StoredString& part, std::uint16_t codePage) {
    if (auto name = nameAfterSheetPrefix(text, sheet)) return name;
    return nameAfterSheetPrefix(text, textOf(makeString(part.type, sheet, codePage), codePage));
}

std::optional<Section> parseOrNothing(std::span<const std::uint8_t> stream) {
    try {
        return parseSection(stream);
    } catch (const Error&) {
        return std::nullopt;  // titles are a convenience; a damaged stream stays as it is
    }
}

}  // namespace

std::optional<DocSummaryTitles> readDocSummaryTitles(std::span<const std::uint8_t> stream) {
    const auto sec = parseOrNothing(stream);
    if (!sec) return std::nullopt;
    DocSummaryTitles titles;
    titles.codePage = sec->codePage;
    for (const Heading& h : sec->headings)
        titles.headings.push_back({textOf(h.text, sec->codePage), h.count});
    for (const StoredString& s : sec->parts) titles.parts.push_back(textOf(s, sec->codePage));
    return titles;
}

std::optional<std::vector<std::uint8_t>> renameSheetInDocSummary(
    std::span<const std::uint8_t> stream, std::string_view oldName, std::string_view newName) {
    auto sec = parseOrNothing(stream);
    if (!sec) return std::nullopt;
    bool changed = false;
    bool sheetFound = false;
    for (StoredString& part : sec->parts) {
        const std::string text = textOf(part, sec->codePage);
        if (!sheetFound && namesSheet(text, oldName, part, sec->codePage)) {
            part = makeString(part.type, newName, sec->codePage);
            sheetFound = changed = true;
        } else if (const auto name = localNameOf(text, oldName, part, sec->codePage)) {
            part = makeString(part.type, qualifiedTitle(newName, *name), sec->codePage);
            changed = true;
        }
    }
    if (!changed) return std::nullopt;
    return rebuildStream(stream, *sec);
}

std::optional<std::vector<std::uint8_t>> removeSheetFromDocSummary(
    std::span<const std::uint8_t> stream, std::string_view name) {
    auto sec = parseOrNothing(stream);
    if (!sec) return std::nullopt;
    std::vector<std::size_t> group;
    for (std::size_t i = 0; i < sec->parts.size(); ++i) group.push_back(headingOf(*sec, i));
    bool sheetFound = false;
    std::vector<StoredString> kept;
    for (std::size_t i = 0; i < sec->parts.size(); ++i) {
        const std::string text = textOf(sec->parts[i], sec->codePage);
        const bool isSheet = !sheetFound && namesSheet(text, name, sec->parts[i], sec->codePage);
        if (isSheet || localNameOf(text, name, sec->parts[i], sec->codePage)) {
            sheetFound = sheetFound || isSheet;
            --sec->headings[group[i]].count;
            continue;
        }
        kept.push_back(sec->parts[i]);
    }
    if (kept.size() == sec->parts.size()) return std::nullopt;
    sec->parts = std::move(kept);
    std::erase_if(sec->headings, [](const Heading& h) { return h.count == 0; });
    return rebuildStream(stream, *sec);
}

std::optional<std::vector<std::uint8_t>> insertSheetInDocSummary(
    std::span<const std::uint8_t> stream, std::string_view name, std::string_view before,
    std::string_view after) {
    auto sec = parseOrNothing(stream);
    if (!sec) return std::nullopt;
    auto find = [&](std::string_view sheet) -> std::optional<std::size_t> {
        if (sheet.empty()) return std::nullopt;
        for (std::size_t i = 0; i < sec->parts.size(); ++i)
            if (namesSheet(textOf(sec->parts[i], sec->codePage), sheet, sec->parts[i],
                           sec->codePage))
                return i;
        return std::nullopt;
    };
    std::optional<std::size_t> at;
    std::size_t neighbour = 0;
    if (const auto previous = find(before)) {
        neighbour = *previous;
        at = *previous + 1;
    } else if (const auto next = find(after)) {
        neighbour = *next;
        at = *next;
    }
    if (!at) return std::nullopt;
    const std::size_t heading = headingOf(*sec, neighbour);
    const StoredString title = makeString(sec->parts[neighbour].type, name, sec->codePage);
    sec->parts.insert(sec->parts.begin() + static_cast<std::ptrdiff_t>(*at), title);
    ++sec->headings[heading].count;
    return rebuildStream(stream, *sec);
}

std::optional<std::vector<std::uint8_t>> moveSheetInDocSummary(
    std::span<const std::uint8_t> stream, std::string_view name,
    std::span<const std::string> aheadNearestLast) {
    auto sec = parseOrNothing(stream);
    if (!sec) return std::nullopt;
    auto titleOf = [&](std::string_view sheet, std::size_t from,
                       std::size_t to) -> std::optional<std::size_t> {
        for (std::size_t i = from; i < to; ++i)
            if (namesSheet(textOf(sec->parts[i], sec->codePage), sheet, sec->parts[i],
                           sec->codePage))
                return i;
        return std::nullopt;
    };
    const auto title = titleOf(name, 0, sec->parts.size());
    if (!title) return std::nullopt;
    const std::size_t heading = headingOf(*sec, *title);
    std::size_t groupStart = 0;
    for (std::size_t h = 0; h < heading; ++h)
        groupStart += static_cast<std::size_t>(sec->headings[h].count);
    const std::size_t groupEnd = std::min(
        sec->parts.size(), groupStart + static_cast<std::size_t>(sec->headings[heading].count));

    const StoredString moved = sec->parts[*title];
    sec->parts.erase(sec->parts.begin() + static_cast<std::ptrdiff_t>(*title));
    std::size_t at = groupStart;
    for (auto ahead = aheadNearestLast.rbegin(); ahead != aheadNearestLast.rend(); ++ahead) {
        if (const auto found = titleOf(*ahead, groupStart, groupEnd - 1)) {
            at = *found + 1;
            break;
        }
    }
    if (at == *title) return std::nullopt;
    sec->parts.insert(sec->parts.begin() + static_cast<std::ptrdiff_t>(at), moved);
    return rebuildStream(stream, *sec);
}

}  // namespace xls::model
