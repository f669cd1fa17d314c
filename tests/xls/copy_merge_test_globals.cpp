#include "copy_merge_test_globals.h"

namespace xls::ops::copy::testing {

using biff::RecordType;
using model::Record;
namespace records = model::records;

model::Substream globalsOf(const GlobalsSpec& spec) {
    model::Substream globals;
    globals.records.emplace_back(RecordType::BOF, std::vector<std::uint8_t>(16));
    for (const auto& f : spec.fonts)
        globals.records.emplace_back(RecordType::Font, records::writeFont(f));
    for (const auto& f : spec.formats)
        globals.records.emplace_back(RecordType::Format, records::writeNumberFormat(f));
    for (const auto& xf : spec.xfs)
        globals.records.emplace_back(RecordType::XF, records::writeXF(xf));
    if (!spec.exts.empty()) {
        globals.records.emplace_back(
            RecordType::XFCRC, records::writeXFCRC({static_cast<std::uint16_t>(spec.xfs.size()),
                                                    records::xfChecksum(spec.xfs)}));
        for (const auto& ext : spec.exts)
            globals.records.emplace_back(RecordType::XFExt, records::writeXFExt(ext));
    }
    for (const auto& style : spec.styles)
        globals.records.emplace_back(RecordType::Style, records::writeStyle(style));
    if (spec.palette)
        globals.records.emplace_back(RecordType::Palette, records::writePalette(*spec.palette));
    globals.records.emplace_back(RecordType::BoundSheet8, std::vector<std::uint8_t>(8));
    globals.records.emplace_back(RecordType::EOF_, std::vector<std::uint8_t>{});
    return globals;
}

records::Font font(std::u16string name, std::uint16_t icv, std::uint16_t bls) {
    records::Font f;
    f.fontName = std::move(name);
    f.icv = icv;
    f.bls = bls;
    return f;
}

records::XF cellXf(std::uint16_t ifnt, std::uint16_t ifmt, std::uint16_t parent, std::uint8_t fore,
                   std::uint8_t back) {
    records::XF xf;
    xf.setIfnt(ifnt);
    xf.setIfmt(ifmt);
    xf.bytes[4] = 0x01;  // fLocked
    xf.setIxfParent(parent);
    xf.setIcv(records::XfColour::Fore, fore);
    xf.setIcv(records::XfColour::Back, back);
    return xf;
}

records::XF styleXf(std::uint16_t ifnt) {
    records::XF xf = cellXf(ifnt);
    xf.bytes[4] = 0x05;  // fLocked, fStyle
    xf.setIxfParent(records::kNoParent);
    return xf;
}

records::Style builtInStyle(std::uint16_t ixfe, std::uint8_t istyBuiltIn, std::uint8_t iLevel) {
    return {ixfe, true, istyBuiltIn, iLevel, {}};
}

records::Style userStyle(std::uint16_t ixfe, std::u16string name) {
    return {ixfe, false, 0, 0xFF, std::move(name)};
}

std::vector<RecordType> typesOf(const model::Substream& globals) {
    std::vector<RecordType> types;
    for (const auto& record : globals.records) types.push_back(record.type);
    return types;
}

}  // namespace xls::ops::copy::testing
