#pragma once

#include <iosfwd>
#include <string>

#include "platform/ImageWriter.h"

// A scripted session: reads commands from `in`, one a line, drives the same
// window logic as the trainer's window and writes results to `out`.
int RunSession(const std::string& historyFolder, std::istream& in, std::ostream& out,
               const ImageWriterFn& writer);
