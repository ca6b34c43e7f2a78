#pragma once

#include <iosfwd>
#include <string>
#include <vector>

class CHeadlessPort;
class CTarvelloWindow;

// The session's indicator commands. The property dialog opens preset by the
// command; the given fields are typed into it, then OK (or Cancel):
//   indicator add KIND [p1 ...] [method=N] [apply=N] [colorK=R,G,B] [styleK=N]
//                      [widthK=N] [cancel]
//   indicator edit K [the same fields] [cancel]
//   indicator delete K
//   print indicators
// Returns false when `args` is none of them; otherwise runs it and sets
// `error` when it is malformed.
bool RunIndicatorCommand(CTarvelloWindow& window, CHeadlessPort& port,
                         const std::vector<std::string>& args, std::ostream& out,
                         std::string* error);
