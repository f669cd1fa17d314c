#include "ops/copy/external_workbook.h"

#include <algorithm>

#include "biff/text_encoding.h"
#include "io/byte_writer.h"
#include "xls/error.h"

namespace xls::ops::copy {

namespace {

constexpr char16_t kVolume = 0x01;
constexpr char16_t kSameVolume = 0x02;
constexpr char16_t kDownDirectory = 0x03;
constexpr char16_t kUpDirectory = 0x04;

// XLUnicodeStringNoCch: fHighByte, then the characters in one or two bytes each.
void writeCharacters(io::ByteWriter& out, std::u16string_view text) {
    const bool high = std::any_of(text.begin(), text.end(), [](char16_t c) { return c > 0xFF; });
    out.u8(high ? 1 : 0);
    for (char16_t c : text) {
        if (high) {
            out.u16(static_cast<std::uint16_t>(c));
        } else {
            out.u8(static_cast<std::uint8_t>(c));
        }
    }
}

}  // namespace

std::u16string virtualPath(const std::filesystem::path& source,
                           const std::filesystem::path& destination) {
    const auto from = std::filesystem::absolute(destination).lexically_normal().parent_path();
    const auto to = std::filesystem::absolute(source).lexically_normal();
    const auto relative = to.lexically_relative(from);
    std::u16string out{kVolume};
    auto add = [&](const std::filesystem::path& parts) {
        bool first = true;
        for (const auto& part : parts) {
            if (part.empty() || part == "/") continue;
            if (!first && out.back() != kUpDirectory) out += kDownDirectory;
            first = false;
            if (part == "..") {
                if (out.back() == kDownDirectory) out.pop_back();
                out += kUpDirectory;
            } else {
                out += biff::utf8ToUtf16(part.string());
            }
        }
    };
    if (relative.empty()) {
        out += kSameVolume;
        add(to);
    } else {
        add(relative);
    }
    return out;
}

std::vector<model::Record> externalWorkbookSupBook(const std::filesystem::path& source,
                                                   const std::filesystem::path& destination,
                                                   const std::vector<std::string>& sheetNames) {
    const std::u16string path = virtualPath(source, destination);
    if (path.size() > 0xFF || sheetNames.size() > 0xFFFF)
        fail(ErrorCode::CopyUnsupported, "a link to a source file with so long a path");
    io::ByteWriter out;
    out.u16(static_cast<std::uint16_t>(sheetNames.size()));
    out.u16(static_cast<std::uint16_t>(path.size()));
    writeCharacters(out, path);
    for (const std::string& name : sheetNames) {
        const std::u16string units = biff::utf8ToUtf16(name);
        out.u16(static_cast<std::uint16_t>(units.size()));
        writeCharacters(out, units);
    }
    return {model::Record(biff::RecordType::SupBook, out.take())};
}

}  // namespace xls::ops::copy
