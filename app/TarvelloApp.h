#pragma once

class QTranslator;

// The application object. It holds no data: it runs the main window modally
// and the program ends when that returns.
class CTarvelloApp {
public:
    // Runs the main window; returns when it has been closed. Always false:
    // there is no message loop to run after the window.
    bool InitInstance();

    // Installs Qt's Chinese texts for its own dialogs and buttons (file and
    // colour dialogs); nullptr when they are not installed on the machine.
    static QTranslator* InstallQtTranslations();
};
