#include "window/ComboModel.h"

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    if (prefix.size() > text.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (Lower(text[i]) != Lower(prefix[i])) return false;
    return true;
}

}  // namespace

int CComboModel::AddString(const std::string& text) {
    m_arrItems.push_back(text);
    return GetCount() - 1;
}

void CComboModel::ResetContent() {
    m_arrItems.clear();
    m_nCurSel = -1;
    m_strEditText.clear();
}

void CComboModel::SetCurSel(int index) {
    if (index < 0 || index >= GetCount()) {
        m_nCurSel = -1;
        m_strEditText.clear();
        return;
    }
    m_nCurSel = index;
    m_strEditText = m_arrItems[index];
}

void CComboModel::SetEditText(const std::string& text) {
    m_strEditText = text;
    if (m_nCurSel >= 0 && m_arrItems[m_nCurSel] != text) m_nCurSel = -1;
}

int CComboModel::FindString(int startAfter, const std::string& prefix) const {
    int n = GetCount();
    if (n == 0) return -1;
    int start = (startAfter < 0 || startAfter >= n) ? 0 : startAfter + 1;
    for (int k = 0; k < n; ++k) {
        int i = (start + k) % n;
        if (StartsWithNoCase(m_arrItems[i], prefix)) return i;
    }
    return -1;
}
