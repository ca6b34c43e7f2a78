// The indicator commands of the main window: add, change, delete.
#include "window/TarvelloWindow.h"

namespace {

constexpr const char* kNoSymbol = "请选择货币或者载入货币历史数据！";

int OwnPanes(CKbar& chart) {
    int own = 0;
    for (int k = 0; k < chart.GetIndicateCount(); ++k) own += chart.GetIndicate(k).m_bOwnPane;
    return own;
}

}  // namespace

bool CTarvelloWindow::PrepareIndicator(CIndicate& ind) {
    ind.SetMaxPoints(m_kbar.GetVisibleCount());
    ind.SetCalcIndex(m_barIndex.GetIndex());
    const std::string symbol = GetSelectedSymbol();
    if (symbol.empty()) {
        m_port.MessageBox(kNoSymbol);
        return false;
    }
    const std::optional<BarRecord> forming = FormingCursorBar();
    ind.Recompute(m_strHistoryFolder, symbol, m_barIndex.GetPeriod(),
                  static_cast<std::uint32_t>(m_barIndex.GetIndex()), forming ? &*forming : nullptr);
    return true;
}

void CTarvelloWindow::OnAddIndicator(int type) {
    // The own-pane kinds stop silently at four panes, before any dialog.
    if (CIndicate::OwnPaneOf(type) && OwnPanes(m_kbar) >= 4) return;
    m_dlgIndicateProperty.Preset(type);
    if (!m_port.DoModalIndicateProperty(m_dlgIndicateProperty)) return;
    AddIndicator(m_dlgIndicateProperty.Build());
}

bool CTarvelloWindow::AddIndicator(const CIndicate& built) {
    if (built.m_bOwnPane == 1 && OwnPanes(m_kbar) >= 4) return false;
    CIndicate ind = built;
    if (!PrepareIndicator(ind)) return false;
    m_kbar.AddIndicate(ind);
    RedrawChart();
    return true;
}

void CTarvelloWindow::OnIndicatorProperty() {
    // The chosen indicator may be gone (deleted, all deleted, retrained).
    if (m_nCurIndicator < 0 || m_nCurIndicator >= m_kbar.GetIndicateCount()) return;
    const int index = m_nCurIndicator;
    m_dlgIndicateProperty.PresetFrom(m_kbar.GetIndicate(index));
    if (!m_port.DoModalIndicateProperty(m_dlgIndicateProperty)) return;
    // Rebuilt from the dialog: the kind stays, everything else is as typed.
    CIndicate ind = m_dlgIndicateProperty.Build();
    if (!PrepareIndicator(ind)) return;
    // The dialog is modal, but a worker's hand-off may have changed the list.
    if (index >= m_kbar.GetIndicateCount()) return;
    m_kbar.SetIndicate(index, ind);
    RedrawChart();
}

void CTarvelloWindow::OnDeleteIndicator() {
    if (m_nCurIndicator < 0 || m_nCurIndicator >= m_kbar.GetIndicateCount()) return;
    m_kbar.RemoveIndicate(m_nCurIndicator);
    m_nCurIndicator = -1;
    RedrawChart();
}

void CTarvelloWindow::OnDeleteAllIndicators() {
    m_kbar.RemoveAllIndicates();
    m_nCurIndicator = -1;
    RedrawChart();
}

void CTarvelloWindow::OnDeleteAllIndicatorsLines() {
    m_chartMouse.DeleteAllLines();
    OnDeleteAllIndicators();
}
