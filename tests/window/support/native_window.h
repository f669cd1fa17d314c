// The window over the native engine on real workbooks from the corpus (copies
// for anything that writes), and xlrd under the system's Python as the
// independent reader that checks what the engine wrote.
#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "excel/native_application.h"
#include "support/window_under_test.h"

namespace tarnvale::testing {

QString corpus(const QString& name);

// Every worksheet's name and cell values in tab order, as xlrd reads them;
// withFormats adds each cell's number format and font.
QJsonArray readWithXlrd(const QString& path, bool withFormats = false);
QStringList namesOf(const QJsonArray& sheets);
QByteArray digest(const QString& path);

struct NativeWindow {
    NativeWindow();
    // A writable copy of a corpus workbook in the temporary folder, named
    // fileName (the corpus name when empty), listed in the panel.
    QString listCopy(int panel, const QString& name, const QString& fileName = {});

    excel::NativeApplicationFactory factory;
    QTemporaryDir folder;
    WindowUnderTest window;
};

}  // namespace tarnvale::testing
