#pragma once

#include <set>
#include <string>

#include "platform/Files.h"
#include "window/HistoryTree.h"

// Mirrors a history folder into the hidden tree. Folders appear under their
// whole name ("EURUSD.m" is a pair, not "EURUSD"), files under their title
// (the name without the part from the last dot on). Temporaries of an import
// are not entries of a pair. A folder is entered at most once per scan, and a
// linked folder only at the top (a pair folder linked in from elsewhere), so
// that links back up the tree cannot make the scan endless.
class CHistoryScan {
public:
    void Scan(const std::string& folder, CHistoryTreeItem& parent);

private:
    void Scan(const std::string& folder, CHistoryTreeItem& parent, int depth);
    std::set<files::FolderId> m_seen;
};
