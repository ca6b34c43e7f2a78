#include "app/TarvelloApp.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/AppIcon.h"
#include "app/TarvelloDlg.h"

QTranslator* CTarvelloApp::InstallQtTranslations() {
    // Qt's own dialogs (file choice, colours, standard buttons) speak the
    // program's language, whatever the machine's.
    auto* translator = new QTranslator(qApp);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return nullptr;
    }
    QApplication::installTranslator(translator);
    return translator;
}

bool CTarvelloApp::InitInstance() {
    InstallQtTranslations();
    QApplication::setWindowIcon(CAppIcon::Icon());

    CTarvelloDlg dlg;
    dlg.InitDialog();
    dlg.show();
    dlg.exec();
    return false;
}
