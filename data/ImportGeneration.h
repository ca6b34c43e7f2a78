#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "data/Period.h"

// An import writes the nine new period files of a pair as temporaries beside
// the old ones and then installs them as one generation:
//
//   1. the temporaries "<period file>.part-<pid>-<start>-<serial>" are written
//      and closed;
//   2. the commit marker "<symbol>.part-...commit" is created: from here on
//      the new generation is complete and wins;
//   3. each old period file gets a hard link "<period file>.part-....old";
//   4. the temporaries are renamed over the period files one by one;
//   5. the links and then the marker are removed.
//
// A process killed on the way leaves these names behind. Recovery (at start
// and before the next import of the pair) looks at the imports whose process
// is gone: with a marker it finishes the renames (the new generation), without
// one it puts the old files back and removes the temporaries (the old
// generation). Either way the pair ends with one complete generation.

struct ImportTemporary {
    enum class Kind { kTemporary, kBackup, kCommit };
    Kind kind = Kind::kTemporary;
    std::string target;  // the name it stands for ("<symbol>" for a marker)
    std::string id;      // ".part-<pid>-<start>-<serial>", shared by one import's files
    long pid = 0;
    std::uint64_t start = 0;  // 0: unknown
    bool legacy = false;      // ".part-<pid>-<serial>", written without a marker
};

// The parts of a temporary's name; nullopt for any other name.
std::optional<ImportTemporary> ParseImportTemporary(const std::string& name);
bool IsImportTemporary(const std::string& name);

// A fresh id for one import of this process.
std::string NewImportId();

// Finishes or undoes what imports of dead processes left in a symbol folder.
void RecoverSymbolFolder(const std::string& symbolFolder);
// The same for every symbol folder of a history folder (ending in "/").
void RecoverInterruptedImports(const std::string& historyFolder);

struct InstallOutcome {
    bool ok = true;
    std::string failedPath;  // the file that could not be replaced or created
    int error = 0;
};

// Steps 2 to 5 for the temporaries `target + id` of the nine `targets` (index
// = period) in `symbolFolder`. On a failure the old files are put back and
// the temporaries removed.
InstallOutcome InstallGeneration(const std::string& symbolFolder, const std::string& symbol,
                                 const std::string& id,
                                 const std::array<std::string, period::kCount>& targets);
