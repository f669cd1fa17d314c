#include "form1.h"

#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QHash>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>
#include <vector>

#include "common/centre_form.h"
#include "common/file_exists.h"
#include "common/graphical_button.h"
#include "common/qt_prompts.h"
#include "common/twips.h"
#include "excel/guard.h"
#include "form1_layout.h"
#include "home_page.h"
#include "hover_pointer.h"
#include "mouse_icon.h"
#include "operations/copy_move_sheet.h"
#include "operations/delete_sheet.h"
#include "operations/rename_sheet.h"
#include "panels/sheet_listing.h"
#include "panels/workbook_selection.h"

namespace tarnvale {
namespace {

QRect pixelsFromTwips(const ControlSpec& spec) {
    return {PixelsFromTwips(spec.left), PixelsFromTwips(spec.top), PixelsFromTwips(spec.width),
            PixelsFromTwips(spec.height)};
}

QFont arialBold(double points) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

void paintWhite(QWidget& widget) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::Button, Qt::white);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

QWidget* newControl(ControlKind kind, const QString& caption, QWidget* container) {
    switch (kind) {
        case ControlKind::Frame: {
            // The caption sits on the frame's top line, as frames draw it on Windows.
            auto* frame = new QGroupBox(caption, container);
            frame->setStyleSheet(QStringLiteral(
                "QGroupBox { background: white; border: 1px solid #a0a0a0; border-radius: 2px;"
                " margin-top: 7px; }"
                "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
                " left: 7px; padding: 0 2px; }"));
            return frame;
        }
        case ControlKind::GraphicalButton:
            return new GraphicalButton(caption, container);
        case ControlKind::TextBox:
            return new QLineEdit(caption, container);
        case ControlKind::Label:
            return new QLabel(caption, container);
        case ControlKind::CommandButton:
            return new QPushButton(caption, container);
        case ControlKind::ListBox: {
            auto* list = new QListWidget(container);
            list->setSelectionMode(QAbstractItemView::SingleSelection);
            list->setSortingEnabled(false);
            return list;
        }
    }
    return nullptr;
}

QWidget* createControl(const ControlSpec& spec, QWidget* container) {
    QWidget* control = newControl(spec.kind, QString::fromUtf8(spec.caption), container);
    control->setObjectName(QString::fromUtf8(spec.name));
    control->setGeometry(pixelsFromTwips(spec));
    // The graphical buttons use the larger face; Command1 keeps the system's.
    if (spec.kind == ControlKind::GraphicalButton)
        control->setFont(arialBold(11.25));
    else if (spec.kind != ControlKind::CommandButton)
        control->setFont(arialBold(9));
    // Text and list boxes keep the system's window colours.
    if (spec.kind == ControlKind::Frame || spec.kind == ControlKind::Label ||
        spec.kind == ControlKind::GraphicalButton)
        paintWhite(*control);
    return control;
}

template <typename T>
T* child(QObject& parent, const char* name) {
    return parent.findChild<T*>(QString::fromUtf8(name));
}

}  // namespace

Form1::Form1(Form1Environment environment, QWidget* parent)
    : QWidget(parent), environment_(std::move(environment)), pointer_(*this) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(PixelsFromTwips(kForm1ClientWidth), PixelsFromTwips(kForm1ClientHeight));
    setWindowIcon(QIcon(QStringLiteral(":/tarnvale/tarnvale.png")));
    paintWhite(*this);

    if (!environment_.prompts) {
        ownPrompts_ = std::make_unique<QtPrompts>(this);
        environment_.prompts = ownPrompts_.get();
    }
    if (!environment_.isExcelRunning)
        environment_.isExcelRunning = [] { return excel::IsExcelRunning(); };
    if (!environment_.draw) environment_.draw = DrawFromTimeOfDay;
    if (!environment_.openAddress) environment_.openAddress = OpenAddressInBrowser;
    if (environment_.applicationFolder.isEmpty())
        environment_.applicationFolder = QCoreApplication::applicationDirPath();

    context_.pointer = &pointer_;
    context_.factory = environment_.factory;
    context_.prompts = environment_.prompts;
    context_.isExcelRunning = environment_.isExcelRunning;

    createControls();
    createPanels();
    setTabOrderFromLayout();
    connectHandlers();
    watchMouseMoves();
    load();
}

Form1::~Form1() = default;

void Form1::createControls() {
    QHash<QString, QWidget*> containers{{QStringLiteral("Form1"), this}};
    for (const ControlSpec& spec : Form1Controls()) {
        QWidget* control = createControl(spec, containers.value(QString::fromUtf8(spec.container)));
        if (spec.kind == ControlKind::Frame) containers.insert(control->objectName(), control);
    }
}

void Form1::createPanels() {
    // The controls of each panel, role by role.
    struct PanelNames {
        const char *frame, *pathLabel, *pathBox, *browse, *listLabel, *list, *copy, *move, *remove,
            *rename;
    };
    constexpr PanelNames kPanelNames[] = {
        {"Frame1", "Label2", "Text1", "Check3", "Label4", "List1", "Check1", "Check2", "Check7",
         "Check9"},
        {"Frame2", "Label3", "Text2", "Check6", "Label1", "List2", "Check5", "Check4", "Check8",
         "Check10"},
    };
    for (int i = 0; i < 2; ++i) {
        const PanelNames& names = kPanelNames[i];
        context_.panels[static_cast<std::size_t>(i)] =
            Panel{i + 1,
                  child<QGroupBox>(*this, names.frame),
                  child<QLabel>(*this, names.pathLabel),
                  child<QLineEdit>(*this, names.pathBox),
                  child<GraphicalButton>(*this, names.browse),
                  child<QLabel>(*this, names.listLabel),
                  child<QListWidget>(*this, names.list),
                  child<GraphicalButton>(*this, names.copy),
                  child<GraphicalButton>(*this, names.move),
                  child<GraphicalButton>(*this, names.remove),
                  child<GraphicalButton>(*this, names.rename)};
        pointer_.addTextBox(*context_.panels[static_cast<std::size_t>(i)].pathBox);
    }
}

void Form1::setTabOrderFromLayout() {
    std::vector<const ControlSpec*> order;
    for (const ControlSpec& spec : Form1Controls()) {
        if (spec.kind != ControlKind::Frame && spec.kind != ControlKind::Label)
            order.push_back(&spec);
    }
    std::sort(order.begin(), order.end(),
              [](const ControlSpec* a, const ControlSpec* b) { return a->tabIndex < b->tabIndex; });
    QWidget* previous = nullptr;
    for (const ControlSpec* spec : order) {
        auto* control = findChild<QWidget*>(QString::fromUtf8(spec->name));
        if (previous) setTabOrder(previous, control);
        previous = control;
    }
    findChild<QWidget*>(QStringLiteral("Command1"))->setFocus();
}

void Form1::connectHandlers() {
    for (const Panel& panel : context_.panels) {
        const int n = panel.number;
        connect(panel.pathBox, &QLineEdit::textChanged, this,
                [this, n] { ListSheets(context_, n); });
        connect(panel.browseButton, &GraphicalButton::Click, this,
                [this, n] { BrowseForWorkbook(context_, n); });
        connect(panel.copyButton, &GraphicalButton::Click, this,
                [this, n] { CopySheetToOtherFile(context_, n); });
        connect(panel.moveButton, &GraphicalButton::Click, this,
                [this, n] { MoveSheetToOtherFile(context_, n); });
        connect(panel.deleteButton, &GraphicalButton::Click, this,
                [this, n] { DeleteSelectedSheet(context_, n); });
        connect(panel.renameButton, &GraphicalButton::Click, this,
                [this, n] { RenameSelectedSheet(context_, n); });
    }
}

void Form1::watchMouseMoves() {
    hover_ = new HoverPointer(pointer_, this);
    hover_->watch(*this, MousePointer::kDefault);
    for (const Panel& panel : context_.panels) {
        for (QWidget* control :
             {static_cast<QWidget*>(panel.frame), static_cast<QWidget*>(panel.pathLabel),
              static_cast<QWidget*>(panel.listLabel), static_cast<QWidget*>(panel.pathBox),
              static_cast<QWidget*>(panel.sheetList), panel.sheetList->viewport()}) {
            hover_->watch(*control, MousePointer::kDefault);
        }
        for (GraphicalButton* button : {panel.browseButton, panel.copyButton, panel.moveButton,
                                        panel.deleteButton, panel.renameButton}) {
            hover_->watch(*button, MousePointer::kHover);
        }
    }
}

// The start-up sequence, run before the window is first shown.
void Form1::load() {
    context_.panels[0].pathBox->setText(QString());  // each runs the listing, which finds no file
    context_.panels[1].pathBox->setText(QString());
    CentreForm(*this);
    const QString cursorPath =
        QDir(environment_.applicationFolder).filePath(QStringLiteral("HAND-M.CUR"));
    if (FileExists(cursorPath.toStdString())) pointer_.setMouseIcon(LoadMouseIcon(cursorPath));
    VisitHomePageByChance(environment_.draw, environment_.openAddress);
    setWindowTitle(QStringLiteral("Tarnvale"));
}

}  // namespace tarnvale
