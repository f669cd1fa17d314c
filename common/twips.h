#pragma once

namespace tarnvale {

// The window's layout is given in twips; 15 twips are one pixel at 96 dpi.
// Sizes that fall between pixels are rounded to the nearest one.
constexpr int PixelsFromTwips(int twips) {
    return twips >= 0 ? (twips + 7) / 15 : -((-twips + 7) / 15);
}

}  // namespace tarnvale
