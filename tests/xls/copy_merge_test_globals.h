// Tiny hand-built globals for the tests of the format merges: a few fonts,
// number formats, XFs and styles, laid out in the order a workbook holds them.
#pragma once

#include <string>
#include <vector>

#include "model/records/font.h"
#include "model/records/number_format.h"
#include "model/records/palette.h"
#include "model/records/style.h"
#include "model/records/xf.h"
#include "model/records/xf_ext.h"
#include "model/workbook_stream.h"

namespace xls::ops::copy::testing {

struct GlobalsSpec {
    std::vector<model::records::Font> fonts{};
    std::vector<model::records::NumberFormat> formats{};
    std::vector<model::records::XF> xfs{};
    std::vector<model::records::XFExt> exts{};  // with an XFCRC that matches the XFs
    std::vector<model::records::Style> styles{};
    std::optional<model::records::Palette> palette{};
};

model::Substream globalsOf(const GlobalsSpec& spec);

model::records::Font font(std::u16string name, std::uint16_t icv = 0x7FFF, std::uint16_t bls = 400);
// A cell XF: font, number format, parent style, pattern colours.
model::records::XF cellXf(std::uint16_t ifnt, std::uint16_t ifmt = 0, std::uint16_t parent = 0,
                          std::uint8_t fore = 0x40, std::uint8_t back = 0x41);
model::records::XF styleXf(std::uint16_t ifnt = 0);
model::records::Style builtInStyle(std::uint16_t ixfe, std::uint8_t istyBuiltIn,
                                   std::uint8_t iLevel = 0xFF);
model::records::Style userStyle(std::uint16_t ixfe, std::u16string name);

// The record types of the globals in order, for checks of where records went.
std::vector<biff::RecordType> typesOf(const model::Substream& globals);

}  // namespace xls::ops::copy::testing
