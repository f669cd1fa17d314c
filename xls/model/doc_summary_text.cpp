#include "model/doc_summary_text.h"

#include <iconv.h>

#include <cerrno>
#include <string>

#include "biff/text_encoding.h"
#include "io/byte_writer.h"

namespace xls::model {

namespace {

std::string iconvTarget(std::uint16_t codePage) {
    switch (codePage) {
        case 10000:
        case 32768:
            return "MACINTOSH";
        case 65001:
            return "UTF-8";
        default:
            return "CP" + std::to_string(codePage);
    }
}

std::vector<std::uint8_t> asciiOnly(std::string_view text) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out.push_back(c);
        } else if ((c & 0xC0) != 0x80) {
            out.push_back('?');  // one '?' per character, not per byte
        }
    }
    return out;
}

// Encodes one character at a time so an unencodable one becomes '?'.
std::vector<std::uint8_t> encodeWithIconv(std::string_view text, const std::string& target) {
    iconv_t converter = iconv_open(target.c_str(), "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1)) return asciiOnly(text);
    std::vector<std::uint8_t> out;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t len = 1;
        while (i + len < text.size() && (static_cast<unsigned char>(text[i + len]) & 0xC0) == 0x80)
            ++len;
        std::string in(text.substr(i, len));
        char buffer[16];
        char* inPtr = in.data();
        std::size_t inLeft = in.size();
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
        const std::size_t result = iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft);
        if (result == static_cast<std::size_t>(-1) || inLeft != 0) {
            out.push_back('?');
        } else {
            out.insert(out.end(), buffer, outPtr);
        }
        i += len;
    }
    iconv_close(converter);
    return out;
}

}  // namespace

std::string decodePropertyText(std::span<const std::uint8_t> bytes, std::uint16_t codePage) {
    if (codePage == kCodePageUtf16) {
        std::u16string units;
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
            units.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
        return biff::utf16ToUtf8(units);
    }
    if (codePage == 65001) return std::string(bytes.begin(), bytes.end());
    return biff::decodeCodePage(bytes, codePage);
}

std::vector<std::uint8_t> encodePropertyText(std::string_view text, std::uint16_t codePage) {
    if (codePage == kCodePageUtf16) {
        io::ByteWriter out;
        for (char16_t unit : biff::utf8ToUtf16(text)) out.u16(static_cast<std::uint16_t>(unit));
        return out.take();
    }
    if (codePage == 65001) return std::vector<std::uint8_t>(text.begin(), text.end());
    return encodeWithIconv(text, iconvTarget(codePage));
}

}  // namespace xls::model
