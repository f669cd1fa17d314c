#include "io/file_kind.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <string_view>

namespace xls::io {

namespace {

// BOF record ids of workbook streams written without a container: BIFF2 (0x0009),
// BIFF3 (0x0209), BIFF4 (0x0409), and BIFF5/8 (0x0809) saved bare.
constexpr std::array<std::uint16_t, 4> kBareBofIds = {0x0009, 0x0209, 0x0409, 0x0809};
constexpr std::uint16_t kMinBofSize = 4;
constexpr std::uint16_t kMaxBofSize = 20;

bool startsWith(std::span<const std::uint8_t> head, std::string_view prefix) {
    return head.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), head.begin(),
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

bool isBareBiffStream(std::span<const std::uint8_t> head) {
    if (head.size() < 4) return false;
    const auto id = static_cast<std::uint16_t>(head[0] | (head[1] << 8));
    const auto size = static_cast<std::uint16_t>(head[2] | (head[3] << 8));
    return std::find(kBareBofIds.begin(), kBareBofIds.end(), id) != kBareBofIds.end() &&
           size >= kMinBofSize && size <= kMaxBofSize;
}

// The leading text as lower-case ASCII, with a byte-order mark dropped and
// UTF-16 narrowed, so markup can be matched whatever the encoding.
std::string leadingText(std::span<const std::uint8_t> head) {
    std::string text;
    std::size_t start = 0;
    std::size_t step = 1;
    std::size_t lowByte = 0;
    if (startsWith(head, "\xEF\xBB\xBF")) {
        start = 3;
    } else if (startsWith(head, "\xFF\xFE")) {
        start = 2;
        step = 2;
    } else if (startsWith(head, "\xFE\xFF")) {
        start = 2;
        step = 2;
        lowByte = 1;
    }
    for (std::size_t i = start + lowByte; i < head.size(); i += step) {
        text += static_cast<char>(std::tolower(head[i]));
    }
    const auto first = text.find_first_not_of(" \t\r\n");
    return first == std::string::npos ? std::string() : text.substr(first);
}

bool isWebPageStart(std::string_view text) {
    static constexpr std::array<std::string_view, 9> kTags = {
        "<html", "<!doctype html", "<table", "<head", "<body", "<meta", "<style", "<title", "<div"};
    return std::any_of(kTags.begin(), kTags.end(),
                       [&](std::string_view tag) { return text.starts_with(tag); });
}

// Mostly printable: no NUL bytes, and at most one byte in twenty a control
// character other than tab and line ends. Bytes of 0x80 and above count as text
// (UTF-8 or a code page).
bool looksLikeText(std::span<const std::uint8_t> head) {
    std::size_t odd = 0;
    for (std::uint8_t byte : head) {
        if (byte == 0) return false;
        if (byte < 0x20 && byte != '\t' && byte != '\r' && byte != '\n' && byte != '\f') ++odd;
        if (byte == 0x7F) ++odd;
    }
    return odd * 20 <= head.size();
}

}  // namespace

ErrorCode classifyNonCompoundFile(std::span<const std::uint8_t> head) {
    if (head.empty()) return ErrorCode::EmptyFile;
    if (startsWith(head, "PK\x03\x04") || startsWith(head, "PK\x05\x06")) {
        return ErrorCode::ZipBasedWorkbook;
    }
    if (isBareBiffStream(head)) return ErrorCode::OldExcelFormat;

    const std::string text = leadingText(head);
    if (isWebPageStart(text)) return ErrorCode::WebPage;
    if (text.starts_with("<?xml")) {
        // XHTML also opens with an XML declaration.
        const bool html = text.find("<html") != std::string::npos ||
                          text.find("<!doctype html") != std::string::npos;
        return html ? ErrorCode::WebPage : ErrorCode::XmlSpreadsheet;
    }
    if (text.starts_with("<workbook") || text.starts_with("<ss:workbook")) {
        return ErrorCode::XmlSpreadsheet;
    }
    if (looksLikeText(head)) return ErrorCode::PlainText;
    return ErrorCode::NotCompoundFile;
}

}  // namespace xls::io
