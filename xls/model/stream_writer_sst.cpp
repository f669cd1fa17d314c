#include "model/stream_writer_sst.h"

#include <algorithm>

#include "biff/record_reader.h"
#include "io/byte_reader.h"
#include "xls/error.h"

namespace xls::model {

namespace {

constexpr std::uint8_t kHighByte = 0x01;
constexpr std::uint8_t kExtSt = 0x04;
constexpr std::uint8_t kRichSt = 0x08;
constexpr std::size_t kSstHeaderSize = 8;  // cstTotal, cstUnique

// Reads across the payloads of the table's records as one byte sequence, and
// tells when a read starts a new record (where character data gets a fresh
// flag byte).
class SstCursor {
  public:
    explicit SstCursor(const std::vector<std::span<const std::uint8_t>>& payloads)
        : payloads_(payloads) {}

    bool atEnd() {
        skipEmpty();
        return record_ >= payloads_.size();
    }
    SstPosition position() {
        skipEmpty();
        return {record_, offset_};
    }
    std::size_t availableInRecord() const {
        return record_ < payloads_.size() ? payloads_[record_].size() - offset_ : 0;
    }
    // Moves to the next record when this one is used up; true when it did.
    bool enterNextRecordIfDone() {
        if (record_ < payloads_.size() && offset_ == payloads_[record_].size()) {
            ++record_;
            offset_ = 0;
            if (record_ >= payloads_.size()) cutShort();
            return true;
        }
        return false;
    }
    std::uint8_t u8() {
        enterNextRecordIfDone();
        if (record_ >= payloads_.size()) cutShort();
        return payloads_[record_][offset_++];
    }
    std::uint16_t u16() { return static_cast<std::uint16_t>(u8() | (u8() << 8)); }
    std::uint32_t u32() {
        const std::uint32_t lo = u16();
        return lo | (std::uint32_t{u16()} << 16);
    }
    void bytes(std::size_t count, std::vector<std::uint8_t>& out) {
        out.reserve(out.size() + count);
        while (count > 0) {
            enterNextRecordIfDone();
            const std::size_t n = std::min(count, availableInRecord());
            const auto& p = payloads_[record_];
            out.insert(out.end(), p.begin() + offset_, p.begin() + offset_ + n);
            offset_ += n;
            count -= n;
        }
    }

    [[noreturn]] static void cutShort() {
        fail(ErrorCode::CorruptWorkbook, "shared string table: a string is cut short");
    }

  private:
    void skipEmpty() {
        while (record_ < payloads_.size() && offset_ == payloads_[record_].size()) {
            ++record_;
            offset_ = 0;
        }
    }

    const std::vector<std::span<const std::uint8_t>>& payloads_;
    std::size_t record_ = 0;
    std::size_t offset_ = 0;
};

void readChars(SstCursor& cur, std::size_t cch, bool highByte, SstString& s) {
    s.chars.reserve(cch);
    while (s.chars.size() < cch) {
        if (cur.enterNextRecordIfDone()) highByte = (cur.u8() & kHighByte) != 0;  // fresh flags
        const std::size_t width = highByte ? 2 : 1;
        std::size_t n = std::min(cch - s.chars.size(), cur.availableInRecord() / width);
        if (n == 0) {
            // An odd byte left over in a record of UTF-16 characters: damaged.
            if (cur.availableInRecord() > 0) SstCursor::cutShort();
            continue;
        }
        if (highByte) s.highByte = true;
        for (; n > 0; --n)
            s.chars.push_back(highByte ? static_cast<char16_t>(cur.u16()) : char16_t{cur.u8()});
    }
}

class LayoutWriter {
  public:
    LayoutWriter() { payloads_.emplace_back(); }

    std::vector<std::uint8_t>& current() { return payloads_.back(); }
    std::size_t space() const { return biff::kMaxRecordPayload - payloads_.back().size(); }
    void startContinue() { payloads_.emplace_back(); }
    SstPosition here() const { return {payloads_.size() - 1, payloads_.back().size()}; }

    void putU8(std::uint8_t v) { current().push_back(v); }
    void putU16(std::uint16_t v) {
        putU8(static_cast<std::uint8_t>(v & 0xFF));
        putU8(static_cast<std::uint8_t>(v >> 8));
    }
    void putU32(std::uint32_t v) {
        putU16(static_cast<std::uint16_t>(v & 0xFFFF));
        putU16(static_cast<std::uint16_t>(v >> 16));
    }
    // Bytes that may break anywhere (ExtRst), or in whole units (runs).
    void putSplittable(std::span<const std::uint8_t> bytes, std::size_t unit) {
        std::size_t at = 0;
        while (at < bytes.size()) {
            if (space() < unit) startContinue();
            const std::size_t n = std::min(bytes.size() - at, space() / unit * unit);
            current().insert(current().end(), bytes.begin() + at, bytes.begin() + at + n);
            at += n;
        }
    }

    std::vector<std::vector<std::uint8_t>> take() { return std::move(payloads_); }

  private:
    std::vector<std::vector<std::uint8_t>> payloads_;
};

void writeString(LayoutWriter& w, const SstString& s) {
    const std::size_t width = s.highByte ? 2 : 1;
    const std::size_t header = 3 + (s.rich ? 2 : 0) + (s.ext ? 4 : 0);
    // The fixed header and the first character share a record.
    if (w.space() < header + (s.chars.empty() ? 0 : width)) w.startContinue();
    w.putU16(static_cast<std::uint16_t>(s.chars.size()));
    w.putU8(static_cast<std::uint8_t>((s.highByte ? kHighByte : 0) | (s.rich ? kRichSt : 0) |
                                      (s.ext ? kExtSt : 0)));
    if (s.rich) w.putU16(static_cast<std::uint16_t>(s.runs.size() / 4));
    if (s.ext) w.putU32(static_cast<std::uint32_t>(s.extRst.size()));
    std::size_t done = 0;
    while (done < s.chars.size()) {
        if (w.space() < width) {
            w.startContinue();
            w.putU8(s.highByte ? kHighByte : 0);
        }
        const std::size_t n = std::min(s.chars.size() - done, w.space() / width);
        for (std::size_t k = 0; k < n; ++k, ++done) {
            if (s.highByte) {
                w.putU16(static_cast<std::uint16_t>(s.chars[done]));
            } else {
                w.putU8(static_cast<std::uint8_t>(s.chars[done]));
            }
        }
    }
    w.putSplittable(s.runs, 4);
    w.putSplittable(s.extRst, 1);
}

}  // namespace

SstTable readSst(const std::vector<std::span<const std::uint8_t>>& payloads) {
    SstTable table;
    if (payloads.empty()) return table;
    io::ByteReader head(payloads.front(), ErrorCode::CorruptWorkbook, "SST");
    table.cstTotal = head.u32();
    const std::uint32_t cstUnique = head.u32();
    std::vector<std::span<const std::uint8_t>> rest = payloads;
    rest.front() = rest.front().subspan(kSstHeaderSize);
    SstCursor cur(rest);
    // Never trust cstUnique for the count: it is wrong in real files (too
    // large as often as too small); the bytes decide.
    while (!cur.atEnd()) {
        SstPosition at = cur.position();
        if (at.record == 0) at.offset += kSstHeaderSize;
        SstString s;
        const std::size_t cch = cur.u16();
        const std::uint8_t flags = cur.u8();
        s.rich = (flags & kRichSt) != 0;
        s.ext = (flags & kExtSt) != 0;
        const std::size_t cRun = s.rich ? cur.u16() : 0;
        const std::size_t cbExtRst = s.ext ? cur.u32() : 0;
        readChars(cur, cch, (flags & kHighByte) != 0, s);
        cur.bytes(cRun * 4, s.runs);
        cur.bytes(cbExtRst, s.extRst);
        table.strings.push_back(std::move(s));
        table.positions.push_back(at);
    }
    (void)cstUnique;
    return table;
}

SstLayout layoutSst(std::uint32_t cstTotal, const std::vector<SstString>& strings) {
    LayoutWriter w;
    w.putU32(cstTotal);
    w.putU32(static_cast<std::uint32_t>(strings.size()));
    SstLayout layout;
    layout.positions.reserve(strings.size());
    for (const SstString& s : strings) {
        // A string starting right at a record's end starts the next record instead.
        const std::size_t header = 3 + (s.rich ? 2 : 0) + (s.ext ? 4 : 0);
        if (w.space() < header + (s.chars.empty() ? 0 : (s.highByte ? 2 : 1))) w.startContinue();
        layout.positions.push_back(w.here());
        writeString(w, s);
    }
    layout.payloads = w.take();
    return layout;
}

std::uint16_t extSstBucketSize(std::size_t stringCount) {
    return static_cast<std::uint16_t>(std::clamp<std::size_t>(stringCount / 128 + 1, 8, 0xFFFF));
}

std::vector<std::uint8_t> buildExtSst(std::uint16_t dsst, const std::vector<SstPosition>& positions,
                                      const std::vector<std::uint64_t>& recordOffsets) {
    std::vector<std::uint8_t> out;
    auto put16 = [&](std::uint16_t v) {
        out.push_back(static_cast<std::uint8_t>(v & 0xFF));
        out.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    put16(dsst == 0 ? 8 : dsst);
    const std::size_t step = dsst == 0 ? 8 : dsst;
    for (std::size_t i = 0; i < positions.size(); i += step) {
        const SstPosition& p = positions[i];
        const std::uint64_t ib = recordOffsets.at(p.record) + biff::kRecordHeaderSize + p.offset;
        const std::uint32_t ib32 = static_cast<std::uint32_t>(ib);
        put16(static_cast<std::uint16_t>(ib32 & 0xFFFF));
        put16(static_cast<std::uint16_t>(ib32 >> 16));
        put16(static_cast<std::uint16_t>(biff::kRecordHeaderSize + p.offset));
        put16(0);
    }
    return out;
}

}  // namespace xls::model
