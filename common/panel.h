#pragma once

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace tarnvale {

class GraphicalButton;

// One workbook panel of the window: panel 1 is Frame1 (Text1, Check3, List1,
// Check1, Check2, Check7, Check9), panel 2 is Frame2 (Text2, Check6, List2,
// Check5, Check4, Check8, Check10).
struct Panel {
    int number = 0;  // 1 or 2
    QGroupBox* frame = nullptr;
    QLabel* pathLabel = nullptr;
    QLineEdit* pathBox = nullptr;
    GraphicalButton* browseButton = nullptr;
    QLabel* listLabel = nullptr;
    QListWidget* sheetList = nullptr;
    GraphicalButton* copyButton = nullptr;
    GraphicalButton* moveButton = nullptr;
    GraphicalButton* deleteButton = nullptr;
    GraphicalButton* renameButton = nullptr;
};

}  // namespace tarnvale
