#pragma once

#include <string>
#include <vector>

// The contents of a drop-down combo box: its items in insertion order (never
// sorted), the selected item and the text of its edit field.
class CComboModel {
public:
    int AddString(const std::string& text);
    void ResetContent();
    int GetCount() const { return static_cast<int>(m_arrItems.size()); }
    // -1 when nothing is selected.
    int GetCurSel() const { return m_nCurSel; }
    // Selects item `index` (its text goes into the edit field); -1 or an index
    // out of range clears the selection.
    void SetCurSel(int index);
    const std::string& GetLBText(int index) const { return m_arrItems.at(index); }
    const std::vector<std::string>& Items() const { return m_arrItems; }

    // The first item after `startAfter` (-1: from the start, wrapping round)
    // whose text begins with `prefix`, ignoring ASCII case; "" matches every
    // item. -1 when none does.
    int FindString(int startAfter, const std::string& prefix) const;

    // The edit field: what the user typed, or the selected item's text.
    const std::string& GetEditText() const { return m_strEditText; }
    // Typing clears the selection unless the text is exactly the selected item's.
    void SetEditText(const std::string& text);

private:
    std::vector<std::string> m_arrItems;
    int m_nCurSel = -1;
    std::string m_strEditText;
};
