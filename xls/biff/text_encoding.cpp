#include "biff/text_encoding.h"

#include <iconv.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <memory>

#include "biff/code_page_converter.h"
#include "xls/utf8.h"

namespace xls::biff {

namespace {

constexpr UChar32 kReplacement = 0xFFFD;

// The code point at text[i], moving i past it: ICU's strict UTF-8 decoding,
// negative for an ill-formed sequence (which i then skips as one).
UChar32 nextCodePoint(std::string_view text, int32_t& i) {
    UChar32 c = 0;
    const auto length = static_cast<int32_t>(text.size());
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wconversion"
    U8_NEXT(text.data(), i, length, c);
#pragma GCC diagnostic pop
    return c;
}

std::string decodeSingleByte(std::span<const std::uint8_t> bytes, const UpperHalf& upper) {
    std::u16string units(bytes.size(), u'\0');
    std::transform(bytes.begin(), bytes.end(), units.begin(), [&](std::uint8_t b) {
        return b < 0x80 ? static_cast<char16_t>(b) : upper[b - 0x80];
    });
    return utf16ToUtf8(units);
}

// Calls encode for each character of text (an ill-formed sequence is one
// U+FFFD) and gathers what it gives.
template <typename Encode>
std::vector<std::uint8_t> encodeEach(std::string_view text, Encode&& encode) {
    std::vector<std::uint8_t> out;
    for (int32_t i = 0; i < static_cast<int32_t>(text.size());) {
        const UChar32 c = nextCodePoint(text, i);
        if (c < 0x80 && c >= 0) {
            out.push_back(static_cast<std::uint8_t>(c));
        } else {
            encode(static_cast<char32_t>(c < 0 ? kReplacement : c), out);
        }
    }
    return out;
}

std::vector<std::uint8_t> encodeSingleByte(std::string_view text, const UpperHalf& upper) {
    return encodeEach(text, [&](char32_t c, std::vector<std::uint8_t>& out) {
        const auto* at = std::find(upper.begin(), upper.end(), c);
        out.push_back(c > 0xFFFF || at == upper.end()
                          ? '?'
                          : static_cast<std::uint8_t>(0x80 + (at - upper.begin())));
    });
}

using Iconv = std::unique_ptr<std::remove_pointer_t<iconv_t>, decltype(&iconv_close)>;

Iconv openIconv(const char* to, const char* from) {
    iconv_t converter = iconv_open(to, from);
    if (converter == reinterpret_cast<iconv_t>(-1)) return Iconv(nullptr, &iconv_close);
    return Iconv(converter, &iconv_close);
}

// Decodes through iconv; nullopt when iconv does not know the code page.
std::optional<std::string> decodeWithIconv(std::span<const std::uint8_t> bytes,
                                           const std::string& name) {
    const Iconv converter = openIconv("UTF-8", name.c_str());
    if (!converter) return std::nullopt;
    std::string out;
    std::string input(bytes.begin(), bytes.end());
    char* in = input.data();
    std::size_t inLeft = input.size();
    std::array<char, 256> buffer{};
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        std::size_t result = iconv(converter.get(), &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer.data(), buffer.size() - outLeft);
        if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // An undecodable or incomplete sequence: mark it and go on after its first byte.
            out += "\xEF\xBF\xBD";
            ++in;
            --inLeft;
        }
    }
    return out;
}

// Encodes one character at a time so an unencodable one becomes '?'; a code
// page iconv does not know keeps ASCII only.
std::vector<std::uint8_t> encodeWithIconv(std::string_view text, const std::string& name) {
    const Iconv converter = openIconv(name.c_str(), "UTF-32LE");
    return encodeEach(text, [&](char32_t c, std::vector<std::uint8_t>& out) {
        std::array<char, 4> in = {static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF),
                                  static_cast<char>((c >> 16) & 0xFF), 0};
        std::array<char, 16> buffer{};
        char* inPtr = in.data();
        std::size_t inLeft = in.size();
        char* outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        const bool done = converter && c != static_cast<char32_t>(kReplacement) &&
                          iconv(converter.get(), &inPtr, &inLeft, &outPtr, &outLeft) !=
                              static_cast<std::size_t>(-1) &&
                          inLeft == 0;
        if (done) {
            out.insert(out.end(), buffer.data(), outPtr);
        } else {
            out.push_back('?');
        }
        if (converter) iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
    });
}

}  // namespace

std::string utf16ToUtf8(std::u16string_view text) {
    std::string out(text.size() * 3, '\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length, text.data(),
                       static_cast<int32_t>(text.size()), kReplacement, nullptr, &status);
    out.resize(U_SUCCESS(status) ? static_cast<std::size_t>(length) : 0);
    return out;
}

std::u16string utf8ToUtf16(std::string_view text) {
    std::u16string out(text.size(), u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length, text.data(),
                         static_cast<int32_t>(text.size()), kReplacement, nullptr, &status);
    out.resize(U_SUCCESS(status) ? static_cast<std::size_t>(length) : 0);
    return out;
}

std::optional<std::u32string> decodeUtf8(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (int32_t i = 0; i < static_cast<int32_t>(text.size());) {
        const UChar32 c = nextCodePoint(text, i);
        if (c < 0) return std::nullopt;
        out.push_back(static_cast<char32_t>(c));
    }
    return out;
}

std::string decodeCodePage(std::span<const std::uint8_t> bytes, std::uint16_t codePage) {
    if (const UpperHalf* mac = macSingleByteTable(codePage)) return decodeSingleByte(bytes, *mac);
    if (!readsAsWindows1252(codePage)) {
        if (auto decoded = decodeWithIconv(bytes, iconvName(codePage))) return *decoded;
    }
    return decodeSingleByte(bytes, windows1252());
}

std::vector<std::uint8_t> encodeCodePage(std::string_view text, std::uint16_t codePage) {
    if (const UpperHalf* mac = macSingleByteTable(codePage)) return encodeSingleByte(text, *mac);
    return encodeWithIconv(text, iconvName(codePage));
}

}  // namespace xls::biff

namespace xls {

bool isUtf8(std::string_view text) {
    return biff::decodeUtf8(text).has_value();
}

}  // namespace xls
