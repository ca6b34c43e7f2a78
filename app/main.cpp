#include <QApplication>

#include "app/TarvelloApp.h"

namespace {
CTarvelloApp theApp;
}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvello"));
    theApp.InitInstance();
    return 0;
}
