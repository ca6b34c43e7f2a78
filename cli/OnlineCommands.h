#pragma once

#include <iosfwd>
#include <string>
#include <vector>

class CHeadlessPort;
class CTarvelloWindow;

// The session's online commands:
//   online          the probe and both jobs, waited for; then the notice, if
//                   one was painted, as "notice: <text>"
//   print ads       "ad <row> <title> <link> <value> <expiry>" a row
//   ad select ROW   "open: <link>" or "refused: <link>"
// Returns false when `args` is none of them; otherwise runs it and sets
// `error` when it is malformed.
bool RunOnlineCommand(CTarvelloWindow& window, CHeadlessPort& port,
                      const std::vector<std::string>& args, std::ostream& out, std::string* error);
