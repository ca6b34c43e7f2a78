// Saved runs: "保存训练", "继续训练", and the run saved when the program
// ends. The file format lives in desk/SavedRun; this file takes the run out
// of the window and puts it back.
#include "desk/SavedRun.h"
#include "desk/TextFile.h"
#include "platform/Files.h"
#include "platform/Format.h"
#include "window/TarvelloWindow.h"

namespace {

constexpr const char* kLastRunName = "last-run.tvrun";

}  // namespace

CSavedRun CTarvelloWindow::TakeRun() const {
    CSavedRun run;
    run.strSymbol = GetSelectedSymbol();
    run.nPeriod = m_barIndex.GetPeriod();
    run.nZoomLevel = m_nZoomLevel;
    run.nChartType = m_kbar.GetChartType();
    run.nIndex = m_barIndex.GetIndex();
    run.nClock = m_trainer.m_clock.Get();
    run.bHonest = m_trainer.IsHonest();
    const COrder& book = m_kbar.m_order;
    run.nSpread = book.GetSpread();
    run.bHasLastBar = m_kbar.HasLastBar();
    run.lastBar = m_kbar.GetLastBar();
    book.GetOpenOrders(run.arrOpenOrders);
    run.arrHstOrders = book.HstOrders();
    run.totals = book.GetTotals();
    run.fTotalMoney = m_fTotalMoney;
    run.fTotalProfit = m_fTotalProfit;
    run.fFloatProfit = m_fFloatProfit;
    run.fProfitRate = m_fProfitRate;
    run.nWinOrders = m_nWinOrders;
    run.nLossOrders = m_nLossOrders;
    run.fBalance = m_balanceCurve.m_fBalance;
    run.arrBalance = m_balanceCurve.m_arrBalance;
    run.arrRows = m_listOrder.Rows();
    run.nSelectedRow = m_listOrder.GetCurSel();
    for (const CIndicate& ind : m_kbar.m_arrIndicate)
        run.arrIndicators.push_back({ind.m_nType, ind.m_bOwnPane, ind.m_nApplyTo, ind.m_arrParam,
                                     ind.m_arrOption, ind.m_arrRealParam, ind.m_arrColor,
                                     ind.m_arrStyle, ind.m_arrWidth});
    for (const CLine& line : m_kbar.m_arrDrawing)
        run.arrLines.push_back({line.m_nLineType, line.m_nAnchorPeriod, line.m_bSelected,
                                line.m_arrAnchor, line.m_arrHandle});
    run.fNextStopLoss = m_desk.m_fNextStopLoss;
    run.fNextTakeProfit = m_desk.m_fNextTakeProfit;
    return run;
}

bool CTarvelloWindow::SaveRun(const std::string& path) {
    if (GetSelectedSymbol().empty()) {
        m_port.MessageBox("请选择货币或者载入货币历史数据！");
        return false;
    }
    std::string error;
    if (!text_file::WriteAtomically(path, EncodeRun(TakeRun()), &error)) {
        m_port.MessageBox("保存训练到 " + path + " 失败：" + error);
        return false;
    }
    return true;
}

bool CTarvelloWindow::LoadRun(const std::string& path) {
    std::string error;
    const std::optional<std::string> bytes = text_file::ReadAll(path, &error);
    if (!bytes) {
        m_port.MessageBox("无法读取训练文件 " + path + "：" + error);
        return false;
    }
    CSavedRun run;
    int version = 0;
    switch (DecodeRun(*bytes, &run, &version)) {
        case RunFileError::kNone:
            break;
        case RunFileError::kNotARun:
            m_port.MessageBox(path + " 不是训练文件，训练没有改变。");
            return false;
        case RunFileError::kNewer:
            m_port.MessageBox(FormatString(
                "训练文件 %s 来自更新的版本(版本 %d)，本程序只能读取版本 %d，训练没有改变。",
                path.c_str(), version, CSavedRun::kVersion));
            return false;
        case RunFileError::kDamaged:
            m_port.MessageBox("训练文件 " + path + " 已损坏或不完整，训练没有改变。");
            return false;
    }
    int index = -1;
    for (int i = 0; i < m_comboCurrency.GetCount(); ++i)
        if (m_comboCurrency.GetLBText(i) == run.strSymbol) index = i;
    if (index < 0) {
        m_port.MessageBox("训练文件 " + path + " 的货币 " + run.strSymbol +
                          " 没有载入，请先载入它的历史数据，训练没有改变。");
        return false;
    }
    ApplyRun(run, index);
    return true;
}

void CTarvelloWindow::ApplyRun(const CSavedRun& run, int symbolIndex) {
    StopPlay();
    m_trainer.m_steps.Clear();
    m_comboCurrency.SetCurSel(symbolIndex);
    m_nZoomLevel = run.nZoomLevel;
    m_kbar.SetChartType(run.nChartType);
    m_trainer.m_clock.SetHonest(run.bHonest);
    m_trainer.m_clock.Set(run.nClock);
    m_barIndex.Init(run.nIndex, run.nPeriod);
    m_kbar.RemoveAllIndicates();
    m_kbar.m_arrDrawing.clear();
    m_nCurLine = -1;
    m_nCurIndicator = -1;
    m_bLButtonDown = 0;
    ReloadChart();
    for (const CSavedRun::Indicator& saved : run.arrIndicators) {
        CIndicate ind;
        ind.m_nType = saved.nType;
        ind.m_bOwnPane = saved.bOwnPane;
        ind.m_nApplyTo = saved.nApplyTo;
        ind.m_arrParam = saved.arrParam;
        ind.m_arrOption = saved.arrOption;
        ind.m_arrRealParam = saved.arrRealParam;
        ind.m_arrColor = saved.arrColor;
        ind.m_arrStyle = saved.arrStyle;
        ind.m_arrWidth = saved.arrWidth;
        AddIndicator(ind);
    }
    for (const CSavedRun::Drawing& saved : run.arrLines) {
        CLine line;
        line.m_nLineType = saved.nType;
        line.m_nAnchorPeriod = saved.nPeriod;
        line.m_bSelected = saved.bSelected;
        line.m_arrAnchor = saved.arrAnchor;
        line.m_arrHandle = saved.arrHandle;
        m_kbar.m_arrDrawing.push_back(line);
    }
    // The book as saved, after the rebuild has valued the present one.
    COrder& book = m_kbar.m_order;
    book.Reset();
    book.SetSpread(run.nSpread);
    for (const OrderRecord& order : run.arrHstOrders) book.AddHstOrder(order);
    for (const OrderRecord& order : run.arrOpenOrders) book.AddOpenOrder(order);
    book.SetTotals(run.totals);
    m_kbar.RestoreLastBar(run.bHasLastBar, run.lastBar);
    m_fTotalMoney = run.fTotalMoney;
    m_fTotalProfit = run.fTotalProfit;
    m_fFloatProfit = run.fFloatProfit;
    m_fProfitRate = run.fProfitRate;
    m_nWinOrders = run.nWinOrders;
    m_nLossOrders = run.nLossOrders;
    m_balanceCurve.m_fBalance = run.fBalance;
    m_balanceCurve.m_arrBalance = run.arrBalance;
    m_listOrder.SetRows(run.arrRows, run.nSelectedRow);
    m_desk.m_fNextStopLoss = run.fNextStopLoss;
    m_desk.m_fNextTakeProfit = run.fNextTakeProfit;
    m_port.StateChanged(CWindowPort::kCurrencyList | CWindowPort::kStatistics |
                        CWindowPort::kOrderList | CWindowPort::kBalanceCurve |
                        CWindowPort::kToolbar | CWindowPort::kTrainer | CWindowPort::kDesk);
    RedrawChart();
    ReportPeriodFiles();
}

std::string CTarvelloWindow::LastRunPath() const {
    // Beside the history folder: the program folder, or the user's data folder.
    std::string folder = m_strHistoryFolder.substr(0, m_strHistoryFolder.size() - 1);
    const auto slash = folder.rfind('/');
    folder = slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
    return folder + kLastRunName;
}

bool CTarvelloWindow::SaveLastRun() {
    // A run with nothing in it keeps the last one that had something.
    if (GetSelectedSymbol().empty() ||
        (m_barIndex.GetIndex() < 0 && m_kbar.m_order.GetOpenOrderCount() == 0 &&
         m_kbar.m_order.GetHstOrderCount() == 0))
        return false;
    return SaveRun(LastRunPath());
}

bool CTarvelloWindow::LoadLastRun() {
    if (!files::Exists(LastRunPath())) {
        m_port.MessageBox("没有上次训练的记录!");
        return false;
    }
    return LoadRun(LastRunPath());
}
