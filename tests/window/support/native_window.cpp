#include "support/native_window.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace tarnvale::testing {
namespace {

Form1Environment nativeEnvironment(excel::ApplicationFactory& factory) {
    Form1Environment environment;
    environment.factory = &factory;
    return environment;
}

}  // namespace

QString corpus(const QString& name) {
    return QDir(QStringLiteral(TARNVALE_CORPUS_DIR)).filePath(name);
}

QJsonArray readWithXlrd(const QString& path, bool withFormats) {
    const char* script =
        "import json, sys, xlrd\n"
        "formats = sys.argv[2] == '1'\n"
        "book = xlrd.open_workbook(sys.argv[1], on_demand=True, formatting_info=formats)\n"
        "def cell(c):\n"
        "    if not formats: return repr(c.value)\n"
        "    xf = book.xf_list[c.xf_index]\n"
        "    font = book.font_list[xf.font_index]\n"
        "    return [repr(c.value), book.format_map[xf.format_key].format_str, font.name,\n"
        "            font.height, font.bold, font.italic, font.underline_type]\n"
        "out = []\n"
        "for i in range(book.nsheets):\n"
        "    s = book.sheet_by_index(i)\n"
        "    out.append({'name': s.name, 'cells': [[cell(c) for c in s.row(r)]"
        " for r in range(s.nrows)]})\n"
        "print(json.dumps(out))\n";
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"), script, path, withFormats ? "1" : "0"});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        qWarning() << python.readAllStandardError();
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}

QStringList namesOf(const QJsonArray& sheets) {
    QStringList names;
    for (const auto& sheet : sheets) names << sheet.toObject().value("name").toString();
    return names;
}

QByteArray digest(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

NativeWindow::NativeWindow() : window(nativeEnvironment(factory)) {}

QString NativeWindow::listCopy(int panel, const QString& name, const QString& fileName) {
    const QString copy = folder.filePath(fileName.isEmpty() ? name : fileName);
    QFile::copy(corpus(name), copy);
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
    window.choose(panel, copy.toStdString());
    return copy;
}

}  // namespace tarnvale::testing
