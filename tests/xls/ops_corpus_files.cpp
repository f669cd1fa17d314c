#include "xls/ops_corpus_files.h"

#include <algorithm>
#include <memory>

#include "cfb/compound_file.h"
#include "io/byte_source.h"
#include "model/stream_location.h"
#include "xls/error.h"

namespace xls::testing {

std::vector<std::string> corpusWorkbooks() {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(TARNVALE_CORPUS_DIR, ec)) {
        const auto ext = entry.path().extension().string();
        if (entry.is_regular_file() && (ext == ".xls" || ext == ".xlt" || ext == ".XLS"))
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::filesystem::path corpusPath(const std::string& name) {
    return std::filesystem::path(TARNVALE_CORPUS_DIR) / name;
}

std::optional<std::vector<std::uint8_t>> readWorkbookStreamBytes(
    const std::filesystem::path& path) {
    try {
        auto source = std::make_shared<io::FileSource>(path);
        const auto file = cfb::CompoundFile::open(source);
        const auto entry = model::findWorkbookStream(file);
        return file.readStream(entry.id);
    } catch (const Error&) {
        return std::nullopt;
    }
}

std::string testNameOf(const std::string& fileName) {
    std::string out;
    for (char c : fileName) out += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return out;
}

}  // namespace xls::testing
