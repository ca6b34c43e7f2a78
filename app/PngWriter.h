#pragma once

#include <string>

#include "platform/ImageWriter.h"

// Paints through a QtCanvas into a black image and saves it as PNG. Usable
// without a running application: it starts an offscreen one when needed.
bool WritePng(int width, int height, const PaintFn& paint, const std::string& path,
              std::string* error);
