#include "window/TarvelloWindow.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "data/HistoryFile.h"
#include "data/HistoryLocation.h"
#include "data/ImportGeneration.h"
#include "data/Period.h"
#include "data/SourceFormats.h"
#include "desk/StopLines.h"
#include "platform/Files.h"
#include "platform/Format.h"
#include "window/HelpText.h"
#include "window/HistoryScan.h"
#include "window/ImportSymbol.h"

CTarvelloWindow::CTarvelloWindow(CWindowPort& port, std::string programFolder,
                                 std::string historyFolder)
    : m_strProgramFolder(std::move(programFolder)),
      m_port(port),
      m_strHistoryOverride(std::move(historyFolder)) {
    if (m_strProgramFolder.empty()) m_strProgramFolder = GetProgramFolder();
    if (m_strProgramFolder.back() != '/') m_strProgramFolder += '/';
    if (!m_strHistoryOverride.empty() && m_strHistoryOverride.back() != '/')
        m_strHistoryOverride += '/';
    m_pSettings = std::make_unique<CSettings>(CSettings::DefaultPath(m_strProgramFolder));
}

CTarvelloWindow::~CTarvelloWindow() {
    m_bClosing = true;
    ReleaseWorkers();
}

void CTarvelloWindow::OnInitDialog() {
    m_barIndex.Init(-1, period::H4);

    m_strBackgroundFile = m_strProgramFolder + "background.JPG";
    m_strHistoryFolder = m_strHistoryOverride.empty() ? DefaultHistoryFolder(m_strProgramFolder)
                                                      : m_strHistoryOverride;
    std::string error;
    std::string folder = m_strHistoryFolder.substr(0, m_strHistoryFolder.size() - 1);
    if (!files::CreateFolderPath(folder, &error)) {
        // A read-only program folder: the trainer still runs, but no import can
        // be stored. Say it once, plainly.
        m_strStartupError =
            "无法创建历史数据文件夹 " + folder + "：" + error + "\n载入的历史数据将无法保存。";
        m_port.MessageBox(m_strStartupError);
    }

    RefreshCurrencyList();
    if (m_comboCurrency.GetCount() > 0) m_comboCurrency.SetCurSel(0);

    m_nZoomLevel = 3;
    m_nVisibleBars = m_nZoomBars[m_nZoomLevel];
    m_kbar.SetVisibleCount(m_nVisibleBars);
    m_kbar.SetChartType(kChartCandle);
    m_listOrder.ResetContent();
    m_nLineTool = kToolPointer;

    m_comboLots.ResetContent();
    for (int i = 1; i <= 9; ++i) m_comboLots.AddString(FormatString("%.1f", i / 10.0));
    for (int i = 1; i <= 9; ++i) m_comboLots.AddString(FormatString("%d", i));
    for (int i = 1; i <= 9; ++i) m_comboLots.AddString(FormatString("%d", i * 10));
    m_comboLots.SetCurSel(0);

    m_fTotalMoney = kInitialMoney;
    m_fFloatProfit = m_fTotalProfit = m_fProfitRate = 0.0;
    m_nWinOrders = m_nLossOrders = 0;
    m_bLButtonDown = 0;
    m_ptDragAnchor = BarPoint{0, 0.0};

    m_strCaption = "Tarvello" + FormatString("_V%d.0", kVersion);
    InitTrainer();
    InitDesk();
    m_port.StateChanged(CWindowPort::kCurrencyList | CWindowPort::kLots | CWindowPort::kStatistics |
                        CWindowPort::kCaption | CWindowPort::kOrderList | CWindowPort::kToolbar);
}

void CTarvelloWindow::LayoutControls(int clientWidth, int clientHeight) {
    const int w = clientWidth;
    const int h = clientHeight - 100 - 10;
    m_ptChartOrigin = Point{10, 100};
    m_nChartWidth = w - 200;
    m_nChartHeight = h;
    m_rcChart = Rect{10, 100, 10 + (w - 200), 100 + h * 3 / 4};
    const int listTop = 100 + h * 3 / 4 + 5;
    m_rcOrderList = Rect{10, listTop, 10 + (w - 200), listTop + h / 3};
    m_rcAdList = Rect{w - 185, 120, w - 185 + 180, 120 + h};
    m_nClientWidth = clientWidth;
    m_nClientHeight = clientHeight;
    m_kbar.SetChartArea(clientWidth, clientHeight, 10, 100, w - 200, h * 3 / 4);
    m_port.StateChanged(CWindowPort::kLayout | CWindowPort::kChart);
}

void CTarvelloWindow::RefreshCurrencyList() {
    // What killed imports left is finished or undone before anything is counted.
    RecoverInterruptedImports(m_strHistoryFolder);
    m_treeHistory.DeleteAllItems();
    ScanFolder(m_strHistoryFolder.substr(0, m_strHistoryFolder.size() - 1), m_treeHistory.Root());
    m_comboCurrency.ResetContent();
    for (const auto& item : m_treeHistory.Root().m_arrChildren)
        if (item.m_arrChildren.size() == 9) m_comboCurrency.AddString(item.m_strText);
    m_port.StateChanged(CWindowPort::kCurrencyList);
}

void CTarvelloWindow::ScanFolder(const std::string& folder, CHistoryTreeItem& parent) {
    CHistoryScan().Scan(folder, parent);
}

std::string CTarvelloWindow::GetSelectedSymbol() const {
    int sel = m_comboCurrency.GetCurSel();
    if (sel < 0) return "";
    return m_comboCurrency.GetLBText(sel);
}

void CTarvelloWindow::OnLoadHistory() {
    auto path = m_port.ChooseOpenFile(kImportFilter, "*.hst");
    if (!path) return;
    m_strImportFile = *path;
    if (m_pImportThread.IsSet()) return;  // an import is running: ignored silently
    // A file of bars in text names its pair only in its file name.
    std::optional<std::string> symbol = ImportSymbolFor(*path, m_port);
    if (!symbol) return;
    m_strProgress.clear();
    // The worker gets its own copies: a later Load may store a new path while
    // this import runs.
    m_pImportThread.StartGated(
        [this, source = m_strImportFile, symbol = *symbol, history = m_strHistoryFolder](
            std::stop_token stop, CWorkerGate& gate) {
            ImportThread(source, symbol, history, stop, gate);
        });
    m_port.ShowWaitBox(kImportWaitText);
}

void CTarvelloWindow::ImportThread(const std::string& source, const std::string& symbol,
                                   const std::string& historyFolder, std::stop_token stop,
                                   CWorkerGate& gate) {
    // Runs on the worker: it talks to the window solely through queued calls
    // passed through the gate, and touches nothing of the window otherwise,
    // since the window may have let it go while it was stuck in a read.
    ImportResult result = ImportHistorySource(
        source, historyFolder,
        [this, &gate](const std::string& text) {
            gate.Pass([&] {
                m_port.PostToUi([this, text] {
                    if (m_bClosing || !m_pImportThread.IsSet()) return;
                    m_strProgress = text;
                    m_port.StateChanged(CWindowPort::kProgress);
                });
            });
        },
        stop, symbol);
    if (stop.stop_requested()) return;
    gate.Pass([&] { m_port.PostToUi([this, result] { OnImportFinished(result); }); });
}

void CTarvelloWindow::OnImportFinished(const ImportResult& result) {
    if (m_bClosing || !m_pImportThread.IsSet()) return;
    // The wait is over; what the import came to follows.
    m_port.CloseWaitBox();
    m_pImportThread.Clear();
    m_strProgress.clear();
    m_port.StateChanged(CWindowPort::kProgress);

    using Status = ImportResult::Status;
    if (result.status != Status::kOk && result.status != Status::kCannotOpen) {
        // Nothing new was stored; the pair keeps whatever files it had.
        if (!result.message.empty()) m_port.MessageBox(result.message);
        return;
    }
    // An unreadable file yields "", which matches any item: only an empty
    // combo receives (and selects) an empty item.
    if (m_comboCurrency.FindString(-1, result.symbol) < 0) m_comboCurrency.AddString(result.symbol);
    if (m_comboCurrency.GetCount() == 1) m_comboCurrency.SetCurSel(0);
    m_port.StateChanged(CWindowPort::kCurrencyList);
}

void CTarvelloWindow::OnOK() {
    SaveLastRun();  // nothing of the run is lost by closing
    ReleaseWorkers();
    m_port.EndDialog(IDOK);
}

void CTarvelloWindow::OnCancel() {
    SaveLastRun();
    ReleaseWorkers();
    m_port.EndDialog(IDCANCEL);
}

void CTarvelloWindow::ReleaseWorkers() {
    m_online.ReleaseProbe();
    m_pImportThread.Release();
    m_pVersionThread.Release();
    m_pAdThread.Release();
    if (!m_strProgress.empty()) {
        m_strProgress.clear();
        if (!m_bClosing) m_port.StateChanged(CWindowPort::kProgress);
    }
}

void CTarvelloWindow::PaintProgress(Canvas& canvas) const {
    if (m_strProgress.empty()) return;
    canvas.SetFont(FontDesc{});
    canvas.SetTextColor(RGB(0, 0, 0));
    canvas.SetBkColor(RGB(255, 255, 255));
    canvas.SetBkOpaque(true);
    canvas.TextOut(40, 100, m_strProgress);
}

std::string CTarvelloWindow::GetStatText(int id) const {
    switch (id) {
        case IDC_TOTAL_MONEY:
            return FormatStatDouble(m_fTotalMoney);
        case IDC_TOTAL_PROFIT:
            return FormatStatDouble(m_fTotalProfit);
        case IDC_FLOAT_PROFIT:
            return FormatStatDouble(m_fFloatProfit);
        case IDC_PROFIT_RATE:
            return FormatStatDouble(m_fProfitRate);
        case IDC_WIN_ORDERS:
            return FormatString("%d", m_nWinOrders);
        case IDC_LOSS_ORDERS:
            return FormatString("%d", m_nLossOrders);
        default:
            return "";
    }
}

void CTarvelloWindow::UpdateStatistics() {
    m_port.StateChanged(CWindowPort::kStatistics);
}

// --- replay ---

void CTarvelloWindow::OnNextBar() {
    NextBar(true);
}

bool CTarvelloWindow::StepNextBar() {
    return NextBar(true) == StepResult::kStepped;
}

CTarvelloWindow::StepResult CTarvelloWindow::NextBar(bool report) {
    const std::string symbol = GetSelectedSymbol();
    if (symbol.empty()) {
        if (report) ReportStep(StepResult::kNoSymbol);
        return StepResult::kNoSymbol;
    }
    const int per = m_barIndex.GetPeriod();
    const unsigned count = GetBarCount(m_strHistoryFolder, symbol, per);
    // The honest replay first completes a bar still forming.
    const bool completing = IsCursorBarForming();
    // Unsigned, so that -1 + 1 = 0 passes whenever the file holds a bar.
    const unsigned next = static_cast<unsigned>(m_barIndex.GetIndex() + (completing ? 0 : 1));
    BarRecord bar;
    if (!(next < count) || !ReadBar(bar, static_cast<int>(next), m_strHistoryFolder, symbol, per)) {
        // A file that cannot be read is no end of the history: it is named.
        if (report && !ReportPeriodFile(symbol, per)) ReportStep(StepResult::kAtEnd);
        RedrawChart();
        return StepResult::kAtEnd;
    }
    PushStep();
    m_kbar.m_order.SetMarketSymbol(symbol);
    // The minutes this step replays, over which stops and targets are watched.
    const int lastMinute = CReplayClock::LastRecordOf(static_cast<int>(next), per);
    const int firstMinute = m_trainer.IsHonest()
                                ? m_trainer.m_clock.Get() + 1
                                : CReplayClock::FirstRecordOf(static_cast<int>(next), per);
    if (m_trainer.IsHonest()) m_trainer.m_clock.Set(lastMinute);
    const int selected = m_listOrder.GetCurSel();
    if (completing) {
        // The forming bar and the indicator points computed from it are replaced.
        ReloadChart();
    } else {
        m_barIndex.Advance();
        m_kbar.AddBar(bar);
        const auto cursor = static_cast<std::uint32_t>(m_barIndex.GetIndex());
        UpdateIndicators(
            [&](CIndicate& ind) { ind.Compute(m_strHistoryFolder, symbol, per, cursor); });
    }
    if (!ApplyStops(firstMinute, lastMinute)) RefreshFloatProfit();
    RefreshOrderList();
    if (selected >= 0 && selected < m_listOrder.GetCount()) SelectOrderRow(selected);
    RedrawChart();
    return StepResult::kStepped;
}

void CTarvelloWindow::ReportStep(StepResult result) {
    if (result == StepResult::kNoSymbol) m_port.MessageBox("请选择货币或者载入货币历史数据！");
    if (result == StepResult::kAtEnd) m_port.MessageBox("已经到结尾!");
}

bool CTarvelloWindow::ReportPeriodFile(const std::string& symbol, int period) {
    if (symbol.empty()) return false;
    const std::string message = PeriodFileFaultMessage(m_strHistoryFolder, symbol, period);
    if (!message.empty()) m_port.MessageBox(message);
    return !message.empty();
}

void CTarvelloWindow::ReportPeriodFiles() {
    const std::string symbol = GetSelectedSymbol();
    // The shown period, and the minutes that stops and the clock go by.
    const int per = m_barIndex.GetPeriod();
    if (!ReportPeriodFile(symbol, per) && per != 0) ReportPeriodFile(symbol, 0);
}

void CTarvelloWindow::ReloadChart() {
    m_kbar.ResetChart();
    if (m_comboCurrency.GetCount() == 0) {
        m_barIndex.ResetIndex();
        return;
    }
    const std::string symbol = GetSelectedSymbol();
    m_nVisibleBars = m_nZoomBars[m_nZoomLevel];
    m_kbar.SetVisibleCount(m_nVisibleBars);
    // Nothing selected reads nothing, as no symbol does.
    if (symbol.empty()) return;
    // The bars below value only this pair's orders.
    m_kbar.m_order.SetMarketSymbol(symbol);
    const int cursor = m_barIndex.GetIndex();
    const int per = m_barIndex.GetPeriod();
    // The honest replay shows the cursor's bar only as far as the clock.
    const std::optional<BarRecord> forming = FormingCursorBar();
    if (cursor != -1) {
        const int k = std::min(m_nVisibleBars - 1, cursor);
        // Counted up by AddBar, so that the chart knows each held bar's index.
        m_kbar.SetLastIndex(cursor - k - 1);
        for (int j = k; j >= 0; --j) {
            BarRecord bar;
            if (j == 0 && forming) {
                m_kbar.AddBar(*forming);
                continue;
            }
            // Only bars the file holds: after a change of pair or period the
            // cursor may lie beyond its end.
            if (ReadBar(bar, cursor - j, m_strHistoryFolder, symbol, per)) m_kbar.AddBar(bar);
        }
    }
    m_kbar.RecalcLayout();
    m_kbar.SetLastIndex(cursor);
    UpdateIndicators([&](CIndicate& ind) {
        ind.Recompute(m_strHistoryFolder, symbol, per, static_cast<std::uint32_t>(cursor),
                      forming ? &*forming : nullptr);
    });
}

void CTarvelloWindow::UpdateIndicators(const std::function<void(CIndicate&)>& update) {
    // Each indicator is changed on a copy that is then stored back.
    for (int k = 0; k < m_kbar.GetIndicateCount(); ++k) {
        CIndicate ind;
        ind.Assign(m_kbar.GetIndicate(k));
        update(ind);
        m_kbar.SetIndicate(k, ind);
    }
}

void CTarvelloWindow::OnSelchangeCurrency(int index) {
    m_comboCurrency.SetCurSel(index);
    // The boxes hold the statistics as shown, rounded to 15 digits.
    m_fTotalMoney = std::atof(GetStatText(IDC_TOTAL_MONEY).c_str());
    m_fTotalProfit = std::atof(GetStatText(IDC_TOTAL_PROFIT).c_str());
    m_fFloatProfit = std::atof(GetStatText(IDC_FLOAT_PROFIT).c_str());
    m_fProfitRate = std::atof(GetStatText(IDC_PROFIT_RATE).c_str());
    ReloadChart();
    RedrawChart();
    ReportPeriodFiles();
}

void CTarvelloWindow::OnPeriod(int per) {
    ChangeCursorPeriod(per);
    ReloadChart();
    m_chartMouse.RescaleLines(per);
    RedrawChart();
    ReportPeriodFile(GetSelectedSymbol(), per);
}

void CTarvelloWindow::OnZoomIn() {
    if (m_nZoomLevel > 0) --m_nZoomLevel;
    ReloadChart();
    RedrawChart();
}

void CTarvelloWindow::OnZoomOut() {
    if (m_nZoomLevel < 5) ++m_nZoomLevel;
    ReloadChart();
    RedrawChart();
}

void CTarvelloWindow::OnChartType(int type) {
    m_kbar.SetChartType(type);
    RedrawChart();
}

bool CTarvelloWindow::OnCommand(int id) {
    if (int per = PeriodOfCommand(id); per >= 0) {
        OnPeriod(per);
    } else if (int tool = ToolOfCommand(id); tool >= 0) {
        m_nLineTool = tool;  // only the mode: nothing changes on the chart yet
    } else if (int type = ChartTypeOfCommand(id); type >= 0) {
        OnChartType(type);
    } else if (id == ID_ZOOM_IN) {
        OnZoomIn();
    } else if (id == ID_ZOOM_OUT) {
        OnZoomOut();
    } else if (int kind = IndicateTypeOfCommand(id); kind >= 0) {
        OnAddIndicator(kind);
    } else if (id == ID_INDICATOR_PROPERTY) {
        OnIndicatorProperty();
    } else if (id == ID_INDICATOR_DELETE) {
        OnDeleteIndicator();
    } else if (id == ID_INDICATOR_DELETE_ALL) {
        OnDeleteAllIndicators();
    } else if (id == ID_DELETE_ALL_INDICATORS_AND_LINES) {
        OnDeleteAllIndicatorsLines();
    } else if (id == ID_LINE_DELETE) {
        OnDeleteLine();
    } else if (id == ID_LINE_DELETE_ALL) {
        OnDeleteAllLines();
    } else if (id == ID_LINE_PROPERTY) {
        OnLineProperty();
    } else if (OnTrainerCommand(id)) {
    } else {
        return false;
    }
    m_port.StateChanged(CWindowPort::kToolbar);
    return true;
}

CTarvelloWindow::CommandState CTarvelloWindow::GetCommandState(int id) const {
    CommandState state;
    if (auto trainer = GetTrainerCommandState(id)) return *trainer;
    if (int per = PeriodOfCommand(id); per >= 0)
        state.checked = m_barIndex.GetPeriod() == per;
    else if (int tool = ToolOfCommand(id); tool >= 0)
        state.checked = m_nLineTool == tool;
    else if (int type = ChartTypeOfCommand(id); type >= 0)
        state.checked = m_kbar.GetChartType() == type;
    else if (id == ID_ZOOM_IN)
        state.enabled = m_nZoomLevel != 0;
    else if (id == ID_ZOOM_OUT)
        state.enabled = m_nZoomLevel != 5;
    return state;
}

void CTarvelloWindow::OnBalanceCurve() {
    m_port.ShowBalanceCurve(!m_port.IsBalanceCurveVisible());
}

void CTarvelloWindow::OnHelp() {
    m_port.ShowHelp(BuildHelpText());
}

void CTarvelloWindow::OnDeleteKey() {
    m_chartMouse.DeleteSelectedLines();
    RedrawChart();
}

// --- mouse on the chart ---

static_assert(kToolPointer == kLineToolPointer);

void CTarvelloWindow::OnLButtonDown(int x, int y) {
    if (StopDragDown(x, y)) return;
    ApplyMouse(m_chartMouse.LButtonDown(x, y, m_barIndex.GetPeriod()), x, y);
}

void CTarvelloWindow::OnMouseMove(int x, int y) {
    const bool followed = m_trainer.m_bCrosshair;
    m_trainer.m_bMouseIn = true;
    m_trainer.m_nMouseX = x;
    m_trainer.m_nMouseY = y;
    if (followed) RedrawChart();
    if (StopDragMove(x, y)) return;
    ApplyMouse(m_chartMouse.MouseMove(x, y), x, y);
}

void CTarvelloWindow::OnLButtonUp(int x, int y) {
    if (StopDragUp(x, y)) return;
    ApplyMouse(m_chartMouse.LButtonUp(x, y), x, y);
}

void CTarvelloWindow::OnLButtonDblClk(int x, int y) {
    ApplyMouse(m_chartMouse.LButtonDblClk(x, y), x, y);
}

void CTarvelloWindow::OnRButtonDown(int x, int y) {
    ApplyMouse(m_chartMouse.RButtonDown(x, y), x, y);
}

void CTarvelloWindow::ApplyMouse(const CChartMouse::Outcome& outcome, int x, int y) {
    if (outcome.toolChanged) m_port.StateChanged(CWindowPort::kToolbar);
    if (outcome.indicatorProperty) OnCommand(ID_INDICATOR_PROPERTY);
    if (outcome.redraw) RedrawChart();
    // The chosen command comes back through OnCommand.
    if (outcome.menu != 0) m_port.ShowPopupMenu(outcome.menu, x, y);
}

void CTarvelloWindow::OnDeleteLine() {
    m_chartMouse.DeleteLine();
    RedrawChart();
}

void CTarvelloWindow::OnDeleteAllLines() {
    m_chartMouse.DeleteAllLines();
    RedrawChart();
}

void CTarvelloWindow::OnLineProperty() {
    m_port.MessageBox("property");
}

// --- painting ---

void CTarvelloWindow::RedrawChart() {
    m_online.ClearVersionNotice();
    m_port.StateChanged(CWindowPort::kChart);
}

void CTarvelloWindow::PaintChart(Canvas& client) {
    m_kbar.Draw(client);
    stop_lines::Paint(client, m_kbar);
    PaintTrainerOverlay(client);
    FontDesc font;
    font.face = "华文彩云";
    font.height = 20;
    font.weight = 40;
    client.SetFont(font);
    client.SetBkOpaque(false);
    client.SetTextColor(RGB(0, 128, 128));
    client.TextOut(m_nClientWidth - 120, m_ptChartOrigin.y, "广告位");
    client.SetFont(FontDesc{});
    m_online.PaintVersionNotice(client);
}
