#include "app/TarvelloApp.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

#include "app/AppIcon.h"
#include "app/TarvelloDlg.h"
#include "net/HttpGetText.h"

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

    // The network layer, prepared once before any window needs it.
    if (!InitHttp()) {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tarvello"),
                        QStringLiteral("Windows 通信端口初始化失败。"), QMessageBox::Ok);
        box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
        box.exec();
        return false;
    }

    CTarvelloDlg dlg;
    dlg.InitDialog();
    dlg.show();
    // The window is up; the probe and the online jobs run behind it.
    dlg.Logic().m_online.StartConnectivityProbe();
    dlg.exec();
    return false;
}
