#include "ops/data_sources.h"

#include <algorithm>
#include <optional>

#include "biff/strings.h"
#include "biff/text_encoding.h"
#include "io/byte_writer.h"
#include "ops/record_runs.h"
#include "xls/error.h"
#include "xls/sheet_name.h"

namespace xls::ops {

using biff::RecordType;

namespace {

constexpr char16_t kSelfReference = 0x02;  // VirtualPath: this workbook
constexpr std::size_t kRefUSize = 6;       // DConRef.ref

// Where a record's cchFile field sits: after ref (DConRef), after stName
// (DConName, an XLNameUnicodeString: cch, fHighByte, characters).
std::size_t cchFileOffset(const model::Record& r) {
    if (r.type == RecordType::DConRef) return kRefUSize;
    biff::ContinuedReader reader(r.payload, {}, "DConName");
    biff::readString(reader, biff::StringForm::Unicode);
    return reader.position();
}

struct DConFile {
    std::size_t at = 0;  // offset of cchFile
    biff::XLString text;
    std::size_t end = 0;  // offset after the characters
};

std::optional<DConFile> readDConFile(const model::Record& r) {
    DConFile file;
    file.at = cchFileOffset(r);
    biff::ContinuedReader reader(r.payload, {}, "DConRef");
    reader.seek(file.at);
    if (reader.remaining() >= 2 && readU16(r.payload, file.at, "DConRef") == 0)
        return std::nullopt;  // a workbook-wide name: no sheet named
    file.text = biff::readString(reader, biff::StringForm::Unicode);
    file.end = reader.position();
    return file;
}

// The payload with the DConFile naming newName, and the unused bytes that
// follow a reference to this workbook sized for its character width.
std::vector<std::uint8_t> withSheet(const model::Record& r, const DConFile& file,
                                    std::u16string_view newName) {
    std::u16string text(1, kSelfReference);
    text += newName;
    const biff::XLString stFile = biff::XLString::fromUtf16(text);
    io::ByteWriter out(std::vector<std::uint8_t>(
        r.payload.begin(), r.payload.begin() + static_cast<std::ptrdiff_t>(file.at)));
    biff::writeString(out, stFile, biff::StringForm::Unicode);
    out.zeros(stFile.highByte ? 2 : 1);
    // Anything stored past the old unused bytes stays after them.
    const std::size_t oldUnused = file.text.highByte ? 2 : 1;
    if (file.end + oldUnused < r.payload.size())
        out.bytes(std::span(r.payload).subspan(file.end + oldUnused));
    return out.take();
}

}  // namespace

std::size_t renameSheetInDataSources(model::Substream& globals, std::string_view oldName,
                                     std::string_view newName, std::size_t& leftAsStored) {
    const std::u16string newUnits = biff::utf8ToUtf16(newName);
    std::size_t changed = 0;
    auto& records = globals.records;
    for (std::size_t i = 0; i < records.size(); ++i) {
        auto& r = records[i];
        if (r.type != RecordType::DConRef && r.type != RecordType::DConName) continue;
        if (runAt(records, i).end != i + 1) continue;
        try {
            const auto file = readDConFile(r);
            if (!file || file->text.chars.empty() || file->text.chars.front() != kSelfReference)
                continue;
            const std::string named =
                biff::utf16ToUtf8(std::u16string_view(file->text.chars).substr(1));
            if (!sheetNamesEqual(named, oldName)) continue;
            r.payload = withSheet(r, *file, newUnits);
            ++changed;
        } catch (const Error&) {
            ++leftAsStored;  // unreadable: left as stored
        }
    }
    return changed;
}

}  // namespace xls::ops
