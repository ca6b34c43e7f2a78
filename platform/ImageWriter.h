#pragma once

#include <functional>
#include <string>

#include "platform/Canvas.h"

// Paints into an off-screen image of the given size (black at first) and
// writes it to a PNG file; false with a reason in *error on failure. The
// command-line tool gets one from the Qt side.
using PaintFn = std::function<void(Canvas&)>;
using ImageWriterFn = std::function<bool(int width, int height, const PaintFn& paint,
                                         const std::string& path, std::string* error)>;
