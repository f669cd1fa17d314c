#include "model/doc_summary_text.h"

#include "biff/text_encoding.h"
#include "io/byte_writer.h"

namespace xls::model {

namespace {

constexpr std::uint16_t kCodePageUtf8 = 65001;

}  // namespace

std::string decodePropertyText(std::span<const std::uint8_t> bytes, std::uint16_t codePage) {
    if (codePage == kCodePageUtf16) {
        std::u16string units;
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
            units.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
        return biff::utf16ToUtf8(units);
    }
    if (codePage == kCodePageUtf8) return std::string(bytes.begin(), bytes.end());
    return biff::decodeCodePage(bytes, codePage);
}

std::vector<std::uint8_t> encodePropertyText(std::string_view text, std::uint16_t codePage) {
    if (codePage == kCodePageUtf16) {
        io::ByteWriter out;
        for (char16_t unit : biff::utf8ToUtf16(text)) out.u16(static_cast<std::uint16_t>(unit));
        return out.take();
    }
    if (codePage == kCodePageUtf8) return std::vector<std::uint8_t>(text.begin(), text.end());
    return biff::encodeCodePage(text, codePage);
}

}  // namespace xls::model
