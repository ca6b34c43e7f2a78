#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// tarvello-cli's commands, callable in-process for tests. Returns the exit code.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
