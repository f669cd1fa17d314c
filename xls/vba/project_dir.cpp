#include "vba/project_dir.h"

#include <optional>

#include "biff/text_encoding.h"
#include "xls/error.h"

namespace xls::vba {

namespace {

// Record ids of the dir stream.
enum class DirRecord : std::uint16_t {
    ProjectVersion = 0x0009,
    ProjectModules = 0x000F,
    Terminator = 0x0010,
    ModuleName = 0x0019,
    ModuleStreamName = 0x001A,
    ModuleEnd = 0x002B,
    ModuleOffset = 0x0031,
    ModuleStreamNameUnicode = 0x0032,
    ModuleNameUnicode = 0x0047,
};

// PROJECTVERSION's size field says 4, but six bytes of version follow it.
constexpr std::size_t kProjectVersionBytes = 6;

[[noreturn]] void corrupt(const char* what) {
    fail(ErrorCode::CorruptWorkbook, std::string("VBA dir stream: ") + what);
}

std::uint32_t le(std::span<const std::uint8_t> b, std::size_t at, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = width; i-- > 0;) value = value << 8 | b[at + i];
    return value;
}

// Names in the project's code page; module names are ASCII in practice.
std::string latin1(std::span<const std::uint8_t> bytes) {
    return biff::utf16ToUtf8(std::u16string(bytes.begin(), bytes.end()));
}

std::u16string utf16(std::span<const std::uint8_t> bytes) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        units.push_back(static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8));
    return units;
}

struct PartialModule {
    std::string name;
    std::optional<std::string> unicodeName;
    std::optional<std::u16string> stream;
    std::optional<std::uint32_t> offset;
    std::string mbcsName;
    std::size_t begin = 0;
};

// Calls visit(id, where the record begins, its data, where it ends) for each
// record up to the end; visit returns false to stop.
template <typename Visit>
void eachDirRecord(std::span<const std::uint8_t> dir, Visit visit) {
    std::size_t at = 0;
    while (at + 6 <= dir.size()) {
        const auto id = static_cast<DirRecord>(le(dir, at, 2));
        std::size_t size = le(dir, at + 2, 4);
        if (id == DirRecord::ProjectVersion) size = kProjectVersionBytes;
        if (size > dir.size() - (at + 6)) corrupt("a record runs past the end");
        const std::size_t begin = at;
        at += 6 + size;
        if (!visit(id, begin, dir.subspan(begin + 6, size), at)) return;
    }
}

}  // namespace

std::vector<ModuleEntry> readProjectModules(std::span<const std::uint8_t> dir) {
    std::vector<ModuleEntry> modules;
    std::optional<PartialModule> module;
    eachDirRecord(dir, [&](DirRecord id, std::size_t begin, std::span<const std::uint8_t> data,
                           std::size_t end) {
        const std::size_t size = data.size();
        switch (id) {
            case DirRecord::ModuleName:
                module = PartialModule{
                    latin1(data), {}, {}, {}, std::string(data.begin(), data.end()), begin};
                break;
            case DirRecord::ModuleNameUnicode:
                if (module) module->unicodeName = biff::utf16ToUtf8(utf16(data));
                break;
            case DirRecord::ModuleStreamNameUnicode:
                if (module) module->stream = utf16(data);
                break;
            case DirRecord::ModuleStreamName:  // the Unicode form follows and wins
                if (module) module->stream = std::u16string(data.begin(), data.end());
                break;
            case DirRecord::ModuleOffset:
                if (module && size == 4) module->offset = le(data, 0, 4);
                break;
            case DirRecord::ModuleEnd:
                if (!module || !module->stream || !module->offset)
                    corrupt("a module without its stream or offset");
                modules.push_back({module->unicodeName.value_or(module->name), *module->stream,
                                   *module->offset, module->mbcsName, module->begin, end});
                module.reset();
                break;
            case DirRecord::Terminator:
                return false;
            default:
                break;
        }
        return true;
    });
    return modules;
}

std::vector<std::uint8_t> dirWithoutModule(std::span<const std::uint8_t> dir,
                                           const ModuleEntry& module) {
    std::optional<std::size_t> countAt;
    eachDirRecord(
        dir, [&](DirRecord id, std::size_t begin, std::span<const std::uint8_t> data, std::size_t) {
            if (id == DirRecord::ProjectModules && data.size() == 2) countAt = begin + 6;
            return !countAt;
        });
    if (!countAt || *countAt >= module.recordsBegin) corrupt("no module count before the modules");
    if (module.recordsBegin >= module.recordsEnd || module.recordsEnd > dir.size())
        corrupt("a module's records lie outside the stream");
    const std::uint32_t count = le(dir, *countAt, 2);
    if (count == 0) corrupt("a module count of 0 with modules listed");
    std::vector<std::uint8_t> out(dir.begin(), dir.end());
    out[*countAt] = static_cast<std::uint8_t>(count - 1);
    out[*countAt + 1] = static_cast<std::uint8_t>((count - 1) >> 8);
    out.erase(out.begin() + static_cast<std::ptrdiff_t>(module.recordsBegin),
              out.begin() + static_cast<std::ptrdiff_t>(module.recordsEnd));
    return out;
}

}  // namespace xls::vba
