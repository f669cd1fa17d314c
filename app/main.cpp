// Tarnvale: start-up only. The window does the rest.
#include <QApplication>

#include "app/form1.h"
#include "excel/native_application.h"
#include "xls/process_heap.h"

int main(int argc, char* argv[]) {
    xls::keepLargeBuffersInHeap();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnvale"));
    excel::NativeApplicationFactory factory;
    tarnvale::Form1Environment environment;
    environment.factory = &factory;
    tarnvale::Form1 form(environment);
    form.show();
    return QApplication::exec();
}
