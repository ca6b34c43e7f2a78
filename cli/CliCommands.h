#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "platform/ImageWriter.h"

// tarvello-cli's commands, callable in-process for tests. Returns the exit
// code. `in` feeds the session command; `writer` renders its images.
int RunCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
           std::ostream& err, const ImageWriterFn& writer = {});
