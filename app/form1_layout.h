// The layout of the main window Form1 in twips, in the order in which the
// window creates its controls. Positions inside a frame are relative to it.
#pragma once

#include <span>

namespace tarnvale {

enum class ControlKind { Frame, GraphicalButton, TextBox, ListBox, Label, CommandButton };

struct ControlSpec {
    const char* name;
    ControlKind kind;
    const char* container;  // "Form1" or a frame created before
    const char* caption;    // caption, or the design-time text of a text box
    int left, top, width, height;
    int tabIndex;
};

inline constexpr int kForm1ClientWidth = 8535;   // twips
inline constexpr int kForm1ClientHeight = 5295;  // twips

std::span<const ControlSpec> Form1Controls();

}  // namespace tarnvale
