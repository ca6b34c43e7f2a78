// The trainer's handlers of the main window: honest replay, step back,
// auto-play, the jump to a date, the crosshair and the read-out. The logic of
// each lives in trainer/; this file wires it to the window's state.
#include <algorithm>

#include "data/HistoryFile.h"
#include "data/Period.h"
#include "platform/DebugLog.h"
#include "trainer/BarRange.h"
#include "trainer/ChartOverlay.h"
#include "trainer/DateSearch.h"
#include "trainer/ReadOut.h"
#include "trainer/TrainerCommands.h"
#include "trainer/TrainerTime.h"
#include "window/TarvelloWindow.h"

namespace ts = trainer_settings;

void CTarvelloWindow::InitTrainer() {
    m_trainer.m_clock.SetHonest(m_pSettings->GetBool(ts::kSection, ts::kHonestReplay, false));
    m_trainer.m_clock.Reset();
    m_trainer.m_steps.Clear();
    m_trainer.m_play.SetPlaying(false);
    m_trainer.m_play.SetSpeed(
        m_pSettings->GetInt(ts::kSection, ts::kPlaySpeed, CAutoPlay::kDefaultSpeed));
    m_port.StateChanged(CWindowPort::kTrainer);
}

// --- the clock ---

int CTarvelloWindow::GetReplayClock() const {
    if (m_trainer.IsHonest()) return m_trainer.m_clock.Get();
    return CReplayClock::LastRecordOf(m_barIndex.GetIndex(), m_barIndex.GetPeriod());
}

bool CTarvelloWindow::IsCursorBarForming() const {
    const int clock = m_trainer.m_clock.Get();
    return m_trainer.IsHonest() && clock >= 0 &&
           !CReplayClock::EndsBar(clock, m_barIndex.GetPeriod());
}

std::optional<BarRecord> CTarvelloWindow::FormingCursorBar() const {
    if (!IsCursorBarForming()) return std::nullopt;
    const std::string symbol = GetSelectedSymbol();
    if (symbol.empty()) return std::nullopt;
    return BuildClockBar(m_strHistoryFolder, symbol, m_barIndex.GetPeriod(),
                         m_trainer.m_clock.Get());
}

void CTarvelloWindow::ChangeCursorPeriod(int per) {
    if (!m_trainer.IsHonest()) {
        m_barIndex.ChangePeriod(per);
        return;
    }
    m_barIndex.Init(CReplayClock::BarOf(m_trainer.m_clock.Get(), per), per);
}

void CTarvelloWindow::OnHonestReplay() {
    SetHonestReplay(!m_trainer.IsHonest(), true);
}

void CTarvelloWindow::SetHonestReplay(bool on, bool remember) {
    if (remember) {
        m_pSettings->SetBool(ts::kSection, ts::kHonestReplay, on);
        std::string error;
        if (!m_pSettings->Save(&error)) DebugLog("trainer: settings not saved: " + error + "\n");
    }
    if (on == m_trainer.IsHonest()) return;
    if (on) {
        // The clock starts at the end of the bar the plain replay shows, or
        // at the last minute there is when that bar lies past the data.
        int clock = GetReplayClock();
        const std::string symbol = GetSelectedSymbol();
        if (clock >= 0 && !symbol.empty()) {
            const int minutes =
                static_cast<int>(GetBarCount(m_strHistoryFolder, symbol, period::M1));
            if (minutes > 0) clock = std::min(clock, minutes - 1);
        }
        m_trainer.m_clock.Set(clock);
        m_trainer.m_clock.SetHonest(true);
        m_barIndex.Init(CReplayClock::BarOf(clock, m_barIndex.GetPeriod()), m_barIndex.GetPeriod());
    } else {
        // The cursor stays on the bar that holds the clock, now shown whole.
        m_trainer.m_clock.SetHonest(false);
    }
    ReloadChart();
    m_port.StateChanged(CWindowPort::kTrainer | CWindowPort::kToolbar);
    RefreshFloatProfit();
    RefreshOrderList();
    RedrawChart();
}

// --- step back ---

CReplaySnapshot CTarvelloWindow::TakeSnapshot() const {
    CReplaySnapshot s;
    s.nIndex = m_barIndex.GetIndex();
    s.nPeriod = m_barIndex.GetPeriod();
    s.nClock = GetReplayClock();
    s.bHasLastBar = m_kbar.HasLastBar();
    s.lastBar = m_kbar.GetLastBar();
    m_kbar.m_order.GetOpenOrders(s.arrOpenOrders);
    s.pHstOrders = std::make_shared<const std::vector<OrderRecord>>(m_kbar.m_order.HstOrders());
    s.totals = m_kbar.m_order.GetTotals();
    s.fTotalMoney = m_fTotalMoney;
    s.fTotalProfit = m_fTotalProfit;
    s.fFloatProfit = m_fFloatProfit;
    s.fProfitRate = m_fProfitRate;
    s.nWinOrders = m_nWinOrders;
    s.nLossOrders = m_nLossOrders;
    s.fBalance = m_balanceCurve.m_fBalance;
    s.pBalance = std::make_shared<const std::vector<double>>(m_balanceCurve.m_arrBalance);
    s.listOrder = m_listOrder;
    return s;
}

void CTarvelloWindow::PushStep() {
    m_trainer.m_steps.Push(TakeSnapshot());
}

void CTarvelloWindow::RestoreSnapshot(const CReplaySnapshot& s) {
    const int per = m_barIndex.GetPeriod();
    if (m_trainer.IsHonest()) {
        // The clock is the position; the period the trainee looks at stays.
        m_trainer.m_clock.Set(s.nClock);
        m_barIndex.Init(CReplayClock::BarOf(s.nClock, per), per);
    } else {
        m_barIndex.Init(s.nIndex, s.nPeriod);
    }
    ReloadChart();
    if (m_barIndex.GetPeriod() != per) m_chartMouse.RescaleLines(m_barIndex.GetPeriod());
    // The book as saved, after the rebuild has valued the present one.
    COrder& book = m_kbar.m_order;
    book.Reset();
    if (s.pHstOrders)
        for (const OrderRecord& order : *s.pHstOrders) book.AddHstOrder(order);
    for (const OrderRecord& order : s.arrOpenOrders) book.AddOpenOrder(order);
    book.SetTotals(s.totals);
    m_kbar.RestoreLastBar(s.bHasLastBar, s.lastBar);
    m_fTotalMoney = s.fTotalMoney;
    m_fTotalProfit = s.fTotalProfit;
    m_fFloatProfit = s.fFloatProfit;
    m_fProfitRate = s.fProfitRate;
    m_nWinOrders = s.nWinOrders;
    m_nLossOrders = s.nLossOrders;
    m_balanceCurve.m_fBalance = s.fBalance;
    if (s.pBalance) m_balanceCurve.m_arrBalance = *s.pBalance;
    m_listOrder = s.listOrder;
    m_port.StateChanged(CWindowPort::kStatistics | CWindowPort::kOrderList |
                        CWindowPort::kBalanceCurve | CWindowPort::kToolbar | CWindowPort::kTrainer);
    RedrawChart();
}

bool CTarvelloWindow::OnStepBack() {
    StopPlay();
    if (m_trainer.m_steps.Empty()) return false;
    RestoreSnapshot(m_trainer.m_steps.Pop());
    return true;
}

// --- auto-play ---

void CTarvelloWindow::OnPlay() {
    if (m_trainer.m_play.IsPlaying()) return StopPlay();
    if (GetSelectedSymbol().empty()) return ReportStep(StepResult::kNoSymbol);
    m_trainer.m_play.SetPlaying(true);
    m_port.SetPlayTimer(m_trainer.m_play.IntervalMs());
    m_port.StateChanged(CWindowPort::kTrainer);
}

void CTarvelloWindow::StopPlay() {
    if (!m_trainer.m_play.IsPlaying()) return;
    m_trainer.m_play.SetPlaying(false);
    m_port.SetPlayTimer(0);
    m_port.StateChanged(CWindowPort::kTrainer);
}

void CTarvelloWindow::OnPlayTimer() {
    if (!m_trainer.m_play.IsPlaying()) return;
    const StepResult result = NextBar(false);
    if (result == StepResult::kStepped) return;
    // Stopped first, so that the one message does not meet further ticks.
    StopPlay();
    ReportStep(result);
}

void CTarvelloWindow::OnPlayFaster() {
    m_trainer.m_play.Faster();
    m_pSettings->SetInt(ts::kSection, ts::kPlaySpeed, m_trainer.m_play.GetSpeed());
    m_pSettings->Save();
    if (m_trainer.m_play.IsPlaying()) m_port.SetPlayTimer(m_trainer.m_play.IntervalMs());
    m_port.StateChanged(CWindowPort::kTrainer);
}

void CTarvelloWindow::OnPlaySlower() {
    m_trainer.m_play.Slower();
    m_pSettings->SetInt(ts::kSection, ts::kPlaySpeed, m_trainer.m_play.GetSpeed());
    m_pSettings->Save();
    if (m_trainer.m_play.IsPlaying()) m_port.SetPlayTimer(m_trainer.m_play.IntervalMs());
    m_port.StateChanged(CWindowPort::kTrainer);
}

// --- jump to a date ---

void CTarvelloWindow::OnGotoDate() {
    StopPlay();
    if (GetSelectedSymbol().empty()) return ReportStep(StepResult::kNoSymbol);
    // The current bar's time, or before the first step the history's first.
    BarRecord first;
    std::string initial;
    if (!m_kbar.Bars().empty())
        initial = FormatBarTime(m_kbar.Bars().back().time);
    else if (ReadBar(first, 0, m_strHistoryFolder, GetSelectedSymbol(), m_barIndex.GetPeriod()))
        initial = FormatBarTime(first.time);
    const std::optional<std::string> answer = m_port.AskDateTime(initial);
    if (!answer) return;
    const auto space = answer->find(' ');
    std::int64_t time = 0;
    if (space == std::string::npos ||
        !ParseBarTime(answer->substr(0, space), answer->substr(space + 1), &time))
        return m_port.MessageBox("日期格式应为 YYYY-MM-DD HH:MM");
    GotoTime(time);
}

bool CTarvelloWindow::GotoTime(std::int64_t time) {
    const std::string symbol = GetSelectedSymbol();
    if (symbol.empty()) {
        ReportStep(StepResult::kNoSymbol);
        return false;
    }
    const int per = m_barIndex.GetPeriod();
    const int cursor = m_barIndex.GetIndex();
    const bool forming = IsCursorBarForming();
    // Forward only: a bar already on the chart that is at or after the time
    // means the replay is there.
    if (cursor >= 0 && !m_kbar.Bars().empty() && m_kbar.Bars().back().time >= time) {
        m_port.MessageBox("该时间已经回放过了!");
        return false;
    }
    const int from = forming ? cursor : cursor + 1;
    const int count = static_cast<int>(GetBarCount(m_strHistoryFolder, symbol, per));
    int target = FindBarAtOrAfter(m_strHistoryFolder, symbol, per, from, time);
    const bool pastEnd = target < 0;
    // A time past the history takes the replay to its last bar.
    if (pastEnd) target = count - 1;
    if (target < from) {
        ReportStep(StepResult::kAtEnd);
        RedrawChart();
        return false;
    }
    PushStep();
    const int selected = m_listOrder.GetCurSel();
    // Stops and targets are watched over every minute the jump passes.
    const int firstMinute =
        m_trainer.IsHonest() ? m_trainer.m_clock.Get() + 1 : CReplayClock::FirstRecordOf(from, per);
    if (m_trainer.IsHonest()) m_trainer.m_clock.Set(CReplayClock::LastRecordOf(target, per));
    m_barIndex.Init(target, per);
    ReloadChart();
    if (!ApplyStops(firstMinute, CReplayClock::LastRecordOf(target, per))) RefreshFloatProfit();
    RefreshOrderList();
    if (selected >= 0 && selected < m_listOrder.GetCount()) SelectOrderRow(selected);
    RedrawChart();
    if (pastEnd) ReportStep(StepResult::kAtEnd);
    return true;
}

// --- where am I ---

std::string CTarvelloWindow::GetReadoutText() const {
    if (m_kbar.Bars().empty()) return "";
    std::string text = FormatBarReadout(m_barIndex.GetPeriod(), m_kbar.Bars().back());
    if (IsCursorBarForming()) {
        BarRecord minute;
        const std::string symbol = GetSelectedSymbol();
        if (ReadBar(minute, m_trainer.m_clock.Get(), m_strHistoryFolder, symbol, period::M1))
            text += "  至 " + FormatBarTime(minute.time);
    }
    return text;
}

void CTarvelloWindow::OnCrosshair() {
    m_trainer.m_bCrosshair = !m_trainer.m_bCrosshair;
    m_port.StateChanged(CWindowPort::kTrainer);
    RedrawChart();
}

void CTarvelloWindow::OnMouseLeave() {
    m_trainer.m_bMouseIn = false;
    if (m_trainer.m_bCrosshair) RedrawChart();
}

void CTarvelloWindow::OnMouseWheel(int delta, int x, int y) {
    if (delta == 0 || x < m_rcChart.left || x >= m_rcChart.right || y < m_rcChart.top ||
        y >= m_rcChart.bottom)
        return;
    if (delta > 0)
        OnZoomIn();
    else
        OnZoomOut();
    m_port.StateChanged(CWindowPort::kToolbar);
}

void CTarvelloWindow::PaintTrainerOverlay(Canvas& client) {
    if (!m_trainer.m_bCrosshair) return;
    CChartOverlay::PaintTimeAxis(client, m_kbar, m_barIndex.GetPeriod());
    if (m_trainer.m_bMouseIn)
        CChartOverlay::PaintCrosshair(client, m_kbar, m_barIndex.GetPeriod(), m_trainer.m_nMouseX,
                                      m_trainer.m_nMouseY);
}

// --- the trainer's toolbar ---

bool CTarvelloWindow::OnTrainerCommand(int id) {
    switch (id) {
        case ID_TRAINER_HONEST:
            OnHonestReplay();
            return true;
        case ID_TRAINER_BACK:
            OnStepBack();
            return true;
        case ID_TRAINER_PLAY:
            OnPlay();
            return true;
        case ID_TRAINER_SLOWER:
            OnPlaySlower();
            return true;
        case ID_TRAINER_FASTER:
            OnPlayFaster();
            return true;
        case ID_TRAINER_GOTO:
            OnGotoDate();
            return true;
        case ID_TRAINER_CROSSHAIR:
            OnCrosshair();
            return true;
        default:
            return false;
    }
}

std::optional<CTarvelloWindow::CommandState> CTarvelloWindow::GetTrainerCommandState(int id) const {
    CommandState state;
    switch (id) {
        case ID_TRAINER_HONEST:
            state.checked = m_trainer.IsHonest();
            break;
        case ID_TRAINER_BACK:
            state.enabled = !m_trainer.m_steps.Empty();
            break;
        case ID_TRAINER_PLAY:
            state.checked = m_trainer.m_play.IsPlaying();
            break;
        case ID_TRAINER_SLOWER:
            state.enabled = m_trainer.m_play.GetSpeed() > CAutoPlay::kMinSpeed;
            break;
        case ID_TRAINER_FASTER:
            state.enabled = m_trainer.m_play.GetSpeed() < CAutoPlay::kMaxSpeed;
            break;
        case ID_TRAINER_GOTO:
            break;
        case ID_TRAINER_CROSSHAIR:
            state.checked = m_trainer.m_bCrosshair;
            break;
        default:
            return std::nullopt;
    }
    return state;
}
