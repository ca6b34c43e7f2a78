#include "window/HistoryScan.h"

#include "data/ImportGeneration.h"

namespace {

std::string Title(const std::string& name) {
    auto dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace

void CHistoryScan::Scan(const std::string& folder, CHistoryTreeItem& parent) {
    if (auto id = files::IdOfFolder(folder)) m_seen.insert(*id);
    Scan(folder, parent, 0);
}

void CHistoryScan::Scan(const std::string& folder, CHistoryTreeItem& parent, int depth) {
    for (const auto& entry : files::ListFolder(folder)) {
        if (IsImportTemporary(entry.name)) continue;
        parent.m_arrChildren.push_back(
            CHistoryTreeItem{entry.isFolder ? entry.name : Title(entry.name), {}});
        if (!entry.isFolder || (entry.isLink && depth > 0)) continue;
        const std::string path = folder + "/" + entry.name;
        auto id = files::IdOfFolder(path);
        if (!id || !m_seen.insert(*id).second) continue;
        Scan(path, parent.m_arrChildren.back(), depth + 1);
    }
}
