#pragma once

#include <string>
#include <vector>

// The hidden mirror of the history folder: the top-level items are the
// entries of the history folder, their children the entries of each symbol
// folder, and so on down. Item texts are entry titles (names without the
// part from the last dot on).
struct CHistoryTreeItem {
    std::string m_strText;
    std::vector<CHistoryTreeItem> m_arrChildren;
};

class CHistoryTree {
public:
    void DeleteAllItems() { m_root.m_arrChildren.clear(); }
    CHistoryTreeItem& Root() { return m_root; }
    const CHistoryTreeItem& Root() const { return m_root; }

private:
    CHistoryTreeItem m_root;
};
