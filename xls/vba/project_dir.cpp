#include "vba/project_dir.h"

#include <optional>

#include "biff/text_encoding.h"
#include "xls/error.h"

namespace xls::vba {

namespace {

// Record ids of the dir stream.
enum class DirRecord : std::uint16_t {
    ProjectVersion = 0x0009,
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
};

}  // namespace

std::vector<ModuleEntry> readProjectModules(std::span<const std::uint8_t> dir) {
    std::vector<ModuleEntry> modules;
    std::optional<PartialModule> module;
    std::size_t at = 0;
    while (at + 6 <= dir.size()) {
        const auto id = static_cast<DirRecord>(le(dir, at, 2));
        std::size_t size = le(dir, at + 2, 4);
        if (id == DirRecord::ProjectVersion) size = kProjectVersionBytes;
        if (size > dir.size() - (at + 6)) corrupt("a record runs past the end");
        const auto data = dir.subspan(at + 6, size);
        at += 6 + size;
        switch (id) {
            case DirRecord::ModuleName:
                module = PartialModule{latin1(data), {}, {}, {}};
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
                modules.push_back(
                    {module->unicodeName.value_or(module->name), *module->stream, *module->offset});
                module.reset();
                break;
            case DirRecord::Terminator:
                return modules;
            default:
                break;
        }
    }
    return modules;
}

}  // namespace xls::vba
