"""Compares cell formats as xlrd, a reader written elsewhere, resolves them:
for each line "SOURCE_XF DESTINATION_XF" of the pairs file, the source XF of
the first workbook must look like the destination XF of the second: font,
number format string, borders, fill and their colours by value, alignment and
protection. Exit status 0 when every pair matches; differences on stdout."""
import sys

import xlrd


def look(book, index):
    xf = book.xf_list[index]
    colour = lambda icv: book.colour_map.get(icv, ("system", icv))
    font = book.font_list[xf.font_index]
    border, fill, align = xf.border, xf.background, xf.alignment
    return {
        "font": (font.name, font.height, font.bold, font.italic, font.underline_type,
                 font.escapement, font.struck_out, colour(font.colour_index)),
        "format": book.format_map[xf.format_key].format_str,
        "borders": tuple((getattr(border, side + "_line_style"),
                          colour(getattr(border, side + "_colour_index")))
                         for side in ("left", "right", "top", "bottom", "diag")),
        "fill": (fill.fill_pattern, colour(fill.pattern_colour_index),
                 colour(fill.background_colour_index)),
        "alignment": (align.hor_align, align.vert_align, align.rotation, align.text_wrapped,
                      align.indent_level, align.shrink_to_fit, align.text_direction),
        "protection": (xf.protection.cell_locked, xf.protection.formula_hidden),
    }


def main():
    source = xlrd.open_workbook(sys.argv[1], formatting_info=True)
    merged = xlrd.open_workbook(sys.argv[2], formatting_info=True)
    differences = 0
    for line in open(sys.argv[3]):
        s, d = map(int, line.split())
        want, got = look(source, s), look(merged, d)
        for key in want:
            if want[key] != got[key]:
                differences += 1
                print(f"XF {s} -> {d} {key}: {want[key]} became {got[key]}")
    sys.exit(1 if differences else 0)


main()
