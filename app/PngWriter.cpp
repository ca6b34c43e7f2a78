#include "app/PngWriter.h"

#include <QFile>
#include <QGuiApplication>

#include "app/QtCanvas.h"

bool WritePng(int width, int height, const PaintFn& paint, const std::string& path,
              std::string* error) {
    // Fonts need an application object; a command-line caller has none. It
    // lives until the process ends: tearing it down among the static
    // destructors would outlive the platform it runs on.
    if (!QGuiApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "tarvello-cli";
        static char* argv[] = {name, nullptr};
        new QGuiApplication(argc, argv);
    }
    QImage image;
    {
        QtCanvas canvas(width, height);
        paint(canvas);
        image = *canvas.Image();
    }
    if (!image.save(QFile::decodeName(path.c_str()), "PNG")) {
        if (error) *error = "the PNG file could not be written";
        return false;
    }
    return true;
}
