#include "app/TarvelloApp.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/AppIcon.h"
#include "app/TarvelloDlg.h"

bool CTarvelloApp::InitInstance() {
    // Qt's own dialogs (file choice, standard buttons) speak the program's
    // language.
    auto* translator = new QTranslator(qApp);
    if (translator->load(QStringLiteral("qtbase_zh_CN"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
    QApplication::setWindowIcon(CAppIcon::Icon());

    CTarvelloDlg dlg;
    dlg.InitDialog();
    dlg.show();
    dlg.exec();
    return false;
}
