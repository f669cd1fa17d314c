#include "biff/continued_writer.h"

#include <algorithm>

namespace xls::biff {

ContinuedWriter::ContinuedWriter(std::size_t maxPayload) : maxPayload_(maxPayload) {
    records_.emplace_back();
}

void ContinuedWriter::splittable(std::span<const std::uint8_t> bytes, std::size_t unit) {
    std::size_t at = 0;
    while (at < bytes.size()) {
        reserve(unit);
        const std::size_t n = std::min(bytes.size() - at, space() / unit * unit);
        current().bytes(bytes.subspan(at, n));
        at += n;
    }
}

std::vector<std::vector<std::uint8_t>> ContinuedWriter::take() {
    std::vector<std::vector<std::uint8_t>> payloads;
    payloads.reserve(records_.size());
    for (io::ByteWriter& record : records_) payloads.push_back(record.take());
    records_.clear();
    records_.emplace_back();
    return payloads;
}

}  // namespace xls::biff
