#include "vba/project_text.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>

#include "vba/ascii_case.h"
#include "xls/error.h"

namespace xls::vba {

namespace {

[[noreturn]] void corrupt(const std::string& what) {
    fail(ErrorCode::CorruptWorkbook, "VBA project text: " + what);
}

// The lines of the text, each with its line break, and each line's content.
struct Line {
    std::string_view whole;
    std::string_view content;
};

std::vector<Line> linesOf(std::string_view text) {
    std::vector<Line> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        end = end == std::string_view::npos ? text.size() : end + 1;
        const std::string_view whole = text.substr(at, end - at);
        const auto content = whole.substr(0, whole.find_first_of("\r\n"));
        lines.push_back({whole, content});
        at = end;
    }
    return lines;
}

std::string_view textOf(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    corrupt("a protection value is not hexadecimal");
}

// The data an encrypted property value hides ([MS-OVBA] 2.4.3.3): a seed,
// the version and the project key, then ignored bytes, a four-byte length and
// the data, each byte chained to the two before it.
std::vector<std::uint8_t> decryptValue(std::string_view hex) {
    if (hex.size() % 2 != 0 || hex.size() < 6) corrupt("a protection value is too short");
    std::vector<std::uint8_t> encrypted;
    for (std::size_t i = 0; i < hex.size(); i += 2)
        encrypted.push_back(
            static_cast<std::uint8_t>(hexDigit(hex[i]) << 4 | hexDigit(hex[i + 1])));
    const std::uint8_t seed = encrypted[0];
    std::uint8_t plainBefore = seed ^ encrypted[2];  // the project key
    std::uint8_t encryptedBefore = encrypted[2];
    std::uint8_t encryptedTwoBefore = encrypted[1];
    std::size_t at = 3;
    auto next = [&] {
        if (at >= encrypted.size()) corrupt("a protection value is cut short");
        const std::uint8_t byte = encrypted[at++];
        const auto plain = static_cast<std::uint8_t>(byte ^ (encryptedTwoBefore + plainBefore));
        encryptedTwoBefore = encryptedBefore;
        encryptedBefore = byte;
        plainBefore = plain;
        return plain;
    };
    for (int i = 0; i < (seed & 6) / 2; ++i) next();
    std::uint32_t length = 0;
    for (int i = 0; i < 4; ++i) length |= std::uint32_t{next()} << (8 * i);
    if (length != encrypted.size() - at) corrupt("a protection value has the wrong length");
    std::vector<std::uint8_t> data;
    while (at < encrypted.size()) data.push_back(next());
    return data;
}

// The quoted value of a property line of the text's first section.
std::optional<std::string_view> property(std::string_view text, std::string_view key) {
    for (const Line& line : linesOf(text)) {
        if (line.content.starts_with('[')) break;
        if (!startsWithIgnoringCase(line.content, key) ||
            line.content.substr(key.size()).size() < 3 || line.content[key.size()] != '=')
            continue;
        std::string_view value = line.content.substr(key.size() + 1);
        if (value.front() != '"' || value.back() != '"') corrupt("an unquoted protection value");
        return value.substr(1, value.size() - 2);
    }
    return std::nullopt;
}

}  // namespace

bool projectLocked(std::span<const std::uint8_t> project) {
    const std::string_view text = textOf(project);
    const std::vector<std::uint8_t> unlocked[] = {{0, 0, 0, 0}, {0x00}, {0xFF}};
    const std::string_view keys[] = {"CMG", "DPB", "GC"};
    for (std::size_t i = 0; i < std::size(keys); ++i) {
        const auto value = property(text, keys[i]);
        if (value && decryptValue(*value) != unlocked[i]) return true;
    }
    return false;
}

std::vector<std::uint8_t> projectWithoutDocument(std::span<const std::uint8_t> project,
                                                 std::string_view mbcsName) {
    const std::string document = "Document=" + std::string(mbcsName) + "/";
    const std::string workspaceLine = std::string(mbcsName) + "=";
    std::string out;
    bool found = false;
    bool inWorkspace = false;
    for (const Line& line : linesOf(textOf(project))) {
        if (line.content.starts_with('['))
            inWorkspace = equalIgnoringCase(line.content, "[Workspace]");
        const bool documentLine = !inWorkspace && startsWithIgnoringCase(line.content, document);
        found |= documentLine;
        if (documentLine || (inWorkspace && startsWithIgnoringCase(line.content, workspaceLine)))
            continue;
        out += line.whole;
    }
    if (!found) corrupt("no document module " + std::string(mbcsName));
    return {out.begin(), out.end()};
}

std::vector<std::uint8_t> nameMapWithoutModule(std::span<const std::uint8_t> nameMap,
                                               std::string_view mbcsName) {
    std::size_t at = 0;
    while (at + 2 <= nameMap.size() && (nameMap[at] != 0 || nameMap[at + 1] != 0)) {
        const std::size_t begin = at;
        const auto mbcsEnd = std::find(nameMap.begin() + static_cast<std::ptrdiff_t>(at),
                                       nameMap.end(), std::uint8_t{0});
        if (mbcsEnd == nameMap.end()) corrupt("a module name without its end");
        const std::string_view name =
            textOf(nameMap.subspan(at, static_cast<std::size_t>(mbcsEnd - nameMap.begin()) - at));
        at += name.size() + 1;
        while (at + 2 <= nameMap.size() && (nameMap[at] != 0 || nameMap[at + 1] != 0)) at += 2;
        if (at + 2 > nameMap.size()) corrupt("a Unicode module name without its end");
        at += 2;
        if (!equalIgnoringCase(name, mbcsName)) continue;
        std::vector<std::uint8_t> out(nameMap.begin(), nameMap.end());
        out.erase(out.begin() + static_cast<std::ptrdiff_t>(begin),
                  out.begin() + static_cast<std::ptrdiff_t>(at));
        return out;
    }
    return {nameMap.begin(), nameMap.end()};
}

}  // namespace xls::vba
