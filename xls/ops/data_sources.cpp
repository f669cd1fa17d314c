#include "ops/data_sources.h"

#include <algorithm>
#include <optional>

#include "biff/text_encoding.h"
#include "io/byte_reader.h"
#include "ops/record_runs.h"
#include "xls/error.h"
#include "xls/sheet_name.h"

namespace xls::ops {

using biff::RecordType;

namespace {

constexpr std::uint8_t kHighByte = 0x01;
constexpr char16_t kSelfReference = 0x02;  // VirtualPath: this workbook
constexpr std::size_t kRefUSize = 6;       // DConRef.ref

// Where a record's cchFile field sits: after ref (DConRef), after stName
// (DConName, an XLNameUnicodeString: cch, fHighByte, characters).
std::size_t cchFileOffset(const model::Record& r) {
    if (r.type == RecordType::DConRef) return kRefUSize;
    io::ByteReader reader(r.payload, ErrorCode::CorruptWorkbook, "DConName");
    const std::uint16_t cch = reader.u16();
    const bool high = (reader.u8() & kHighByte) != 0;
    return 3 + std::size_t{cch} * (high ? 2 : 1);
}

struct DConFile {
    std::size_t at = 0;  // offset of cchFile
    std::u16string text;
    bool high = false;
    std::size_t end = 0;  // offset after the characters
};

std::optional<DConFile> readDConFile(const model::Record& r) {
    DConFile file;
    file.at = cchFileOffset(r);
    io::ByteReader reader(r.payload, ErrorCode::CorruptWorkbook, "DConRef");
    reader.seek(file.at);
    const std::uint16_t cch = reader.u16();
    if (cch == 0) return std::nullopt;  // a workbook-wide name: no sheet named
    file.high = (reader.u8() & kHighByte) != 0;
    for (std::uint16_t i = 0; i < cch; ++i)
        file.text.push_back(file.high ? static_cast<char16_t>(reader.u16())
                                      : static_cast<char16_t>(reader.u8()));
    file.end = reader.position();
    return file;
}

// The payload with the DConFile naming newName, and the unused bytes that
// follow a reference to this workbook sized for its character width.
std::vector<std::uint8_t> withSheet(const model::Record& r, const DConFile& file,
                                    std::u16string_view newName) {
    std::u16string text(1, kSelfReference);
    text += newName;
    const bool high = std::any_of(text.begin(), text.end(), [](char16_t c) { return c > 0xFF; });
    std::vector<std::uint8_t> out(r.payload.begin(),
                                  r.payload.begin() + static_cast<std::ptrdiff_t>(file.at));
    out.push_back(static_cast<std::uint8_t>(text.size() & 0xFF));
    out.push_back(static_cast<std::uint8_t>(text.size() >> 8));
    out.push_back(high ? kHighByte : 0);
    for (char16_t c : text) {
        out.push_back(static_cast<std::uint8_t>(c & 0xFF));
        if (high) out.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    out.insert(out.end(), high ? 2 : 1, 0);
    // Anything stored past the old unused bytes stays after them.
    const std::size_t oldUnused = file.high ? 2 : 1;
    if (file.end + oldUnused < r.payload.size())
        out.insert(out.end(), r.payload.begin() + static_cast<std::ptrdiff_t>(file.end + oldUnused),
                   r.payload.end());
    return out;
}

}  // namespace

std::size_t renameSheetInDataSources(model::Substream& globals, std::string_view oldName,
                                     std::string_view newName) {
    const std::u16string newUnits = biff::utf8ToUtf16(newName);
    std::size_t changed = 0;
    auto& records = globals.records;
    for (std::size_t i = 0; i < records.size(); ++i) {
        auto& r = records[i];
        if (r.type != RecordType::DConRef && r.type != RecordType::DConName) continue;
        if (runAt(records, i).end != i + 1) continue;
        try {
            const auto file = readDConFile(r);
            if (!file || file->text.empty() || file->text.front() != kSelfReference) continue;
            const std::string named = biff::utf16ToUtf8(std::u16string_view(file->text).substr(1));
            if (!sheetNamesEqual(named, oldName)) continue;
            r.payload = withSheet(r, *file, newUnits);
            ++changed;
        } catch (const Error&) {
            // Unreadable: left as stored.
        }
    }
    return changed;
}

}  // namespace xls::ops
