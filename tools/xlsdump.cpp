// xlsdump: prints a workbook file's compound-file directory, then the records of
// its workbook stream (offset, record name, size, first payload bytes). For
// reading failures: run it on the file a test or a user reports.
//
//   xlsdump FILE [--all]     --all prints every record (default: the first 2000)
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>

#include "biff/record_reader.h"
#include "biff/text_encoding.h"
#include "cfb/compound_file.h"
#include "io/byte_source.h"
#include "model/stream_location.h"
#include "model/workbook_listing.h"
#include "xls/error.h"

namespace {

using namespace xls;

constexpr std::size_t kDefaultRecordLimit = 2000;
constexpr std::size_t kBytesShown = 16;

const char* entryTypeName(cfb::EntryType type) {
    switch (type) {
        case cfb::EntryType::Storage:
            return "storage";
        case cfb::EntryType::Stream:
            return "stream";
        case cfb::EntryType::Root:
            return "root";
        default:
            return "unknown";
    }
}

std::string printableName(const std::u16string& name) {
    std::string out;
    for (char16_t c : name) {
        if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += biff::utf16ToUtf8(std::u16string(1, c));
        }
    }
    return out;
}

void printDirectory(const cfb::CompoundFile& file, std::uint32_t storage, int depth) {
    for (std::uint32_t id : file.children(storage)) {
        const cfb::DirectoryEntry& entry = file.entries().at(id);
        std::printf("%*s[%u] %-8s %s", depth * 2, "", id, entryTypeName(entry.type),
                    printableName(entry.name).c_str());
        if (entry.type == cfb::EntryType::Stream) {
            std::printf("  %llu bytes", static_cast<unsigned long long>(entry.size));
        }
        std::printf("\n");
        if (entry.type == cfb::EntryType::Storage) printDirectory(file, id, depth + 1);
    }
}

// Bodies are shown decrypted when the workbook opens with the default password.
void printRecords(std::shared_ptr<const io::ByteSource> stream, std::size_t limit) {
    biff::RecordReader reader(stream);
    try {
        model::WorkbookListing listing = model::readWorkbookListing(stream);
        if (listing.cipher) std::printf("(encrypted: bodies shown decrypted)\n");
        reader.setDecoder(listing.cipher);
    } catch (const Error& error) {
        std::printf("(listing fails: %s [%s])\n", error.what(), error.context().c_str());
    }
    std::size_t count = 0;
    int depth = 0;
    while (std::optional<biff::RecordHeader> header = reader.next()) {
        if (count++ == limit) {
            std::printf("... (more records: use --all)\n");
            return;
        }
        if (header->type == biff::RecordType::EOF_ && depth > 0) --depth;
        std::vector<std::uint8_t> body = reader.readBody(*header);
        if (body.size() > kBytesShown) body.resize(kBytesShown);
        std::printf("%08llX %*s%-22s %5u ", static_cast<unsigned long long>(header->offset),
                    depth * 2, "", biff::describeRecordType(header->id()).c_str(), header->size);
        for (std::uint8_t b : body) std::printf(" %02X", b);
        std::printf(header->size > kBytesShown ? " ...\n" : "\n");
        if (header->type == biff::RecordType::BOF) ++depth;
    }
    std::uint64_t rest = reader.streamSize() - reader.position();
    if (rest > 0)
        std::printf("%llu bytes after the last record\n", static_cast<unsigned long long>(rest));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: xlsdump FILE [--all]\n");
        return 2;
    }
    std::size_t limit =
        argc > 2 && std::string_view(argv[2]) == "--all" ? SIZE_MAX : kDefaultRecordLimit;
    try {
        auto source = std::make_shared<io::FileSource>(argv[1]);
        cfb::CompoundFile file = cfb::CompoundFile::open(source);
        std::printf("compound file v%u, %u-byte sectors\n", file.majorVersion(), file.sectorSize());
        printDirectory(file, 0, 1);
        model::WorkbookStreamEntry entry = model::findWorkbookStream(file);
        std::printf("\nrecords of stream %s:\n", printableName(entry.name).c_str());
        printRecords(file.openStream(entry.id), limit);
    } catch (const Error& error) {
        std::fprintf(stderr, "xlsdump: %s: %s [%s]\n", argv[1], error.what(),
                     error.context().c_str());
        return 1;
    }
    return 0;
}
