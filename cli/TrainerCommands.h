#pragma once

#include <iosfwd>
#include <string>
#include <vector>

class CTarvelloWindow;

// The session's trainer commands:
//   honest on|off
//   back [N]                  N steps back (1 when left out)
//   play N                    N auto-play steps as the timer runs them
//   goto YYYY-MM-DD HH:MM
//   print clock               "clock <M1 index> <YYYY-MM-DD HH:MM>" ("-" without a minute)
//   print readout             the read-out's text
// Returns false when `args` is none of them; otherwise runs it and sets
// `error` when it is malformed.
bool RunTrainerCommand(CTarvelloWindow& window, const std::vector<std::string>& args,
                       std::ostream& out, std::string* error);
