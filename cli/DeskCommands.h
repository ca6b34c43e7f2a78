#pragma once

#include <iosfwd>
#include <string>
#include <vector>

class CTarvelloWindow;

// The session's desk commands:
//   spread N                  the spread in points (0 or more)
//   sl PRICE | tp PRICE       stop-loss / take-profit of the order opened next (0: none)
//   sl ROW PRICE | tp ROW PRICE   the same for open row ROW of the order list
//   print journal             one line a closed order
//   print report              the journal's summary, "<name> <value>" a line
//   export FILE.csv           the journal as CSV
//   save FILE | load FILE     the whole run to a file and back
// Returns false when `args` is none of them; otherwise runs it and sets
// `error` when it is malformed.
bool RunDeskCommand(CTarvelloWindow& window, const std::vector<std::string>& args,
                    std::ostream& out, std::string* error);
