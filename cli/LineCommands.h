#pragma once

#include <iosfwd>
#include <string>
#include <vector>

class CTarvelloWindow;

// The session's drawing-tool, mouse and Delete-key commands and `print lines`:
//   tool pointer|vertical|horizontal|trend|fibonacci
//   mouse down|move|up|dblclick|right X Y   (client coordinates)
//   key delete
//   print lines
// Returns false when `args` is none of them; otherwise runs it and sets
// `error` when it is malformed.
bool RunLineCommand(CTarvelloWindow& window, const std::vector<std::string>& args,
                    std::ostream& out, std::string* error);
