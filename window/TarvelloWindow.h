#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "chart/ChartMouse.h"
#include "chart/Kbar.h"
#include "data/KBarIndex.h"
#include "data/PeriodConverter.h"
#include "desk/Desk.h"
#include "desk/Journal.h"
#include "desk/SavedRun.h"
#include "indicators/IndicatePropertyData.h"
#include "net/ListAdvertisement.h"
#include "platform/Canvas.h"
#include "platform/Settings.h"
#include "platform/WindowPort.h"
#include "trade/BalanceCurve.h"
#include "trade/ListBoxOrder.h"
#include "trainer/Trainer.h"
#include "window/ComboModel.h"
#include "window/Commands.h"
#include "window/HistoryTree.h"
#include "window/OnlineJobs.h"
#include "window/WorkerSlot.h"

// The main window's state and handlers, free of any widget toolkit. The Qt
// dialog (app/TarvelloDlg) is its view: it forwards commands, keys and resizes
// here, mirrors the state into its widgets when told through the port, and
// implements the port. The command-line tool drives the same object through a
// scripted port.
class CTarvelloWindow {
public:
    // Control ids of the window's template.
    enum ControlId {
        IDOK = 1,
        IDCANCEL = 2,
        ID_HELP = 57670,
        IDC_BUY = 1001,
        IDC_LOAD_HISTORY = 1003,
        IDC_CURRENCY = 1004,
        IDC_TREE_HISTORY = 1006,
        IDC_NEXT_BAR = 1008,
        IDC_SELL = 1010,
        IDC_CLOSE_ORDER = 1011,
        IDC_ORDER_LIST = 1014,
        IDC_LOTS = 1015,
        IDC_TOTAL_MONEY = 1017,
        IDC_FLOAT_PROFIT = 1018,
        IDC_TOTAL_PROFIT = 1019,
        IDC_PROFIT_RATE = 1020,
        IDC_WIN_ORDERS = 1021,
        IDC_LOSS_ORDERS = 1022,
        IDC_RETRAIN = 1023,
        IDC_BALANCE_CURVE = 1024,
        IDC_AD_LIST = 1037,
    };

    static constexpr double kInitialMoney = 10000.0;
    static constexpr int kVersion = 6;
    static constexpr Color kDialogColor = RGB(128, 184, 223);
    static constexpr const char* kImportFilter =
        "外汇历史数据(*.hst)|*.hst|K线数据(*.csv *.txt)|*.csv;*.txt|All Files (*.*)|*.*||";
    static constexpr const char* kImportWaitText = "正载入数据,请稍等!";
    static constexpr const char* kAboutMenuText = "关于 Tarvello(&A)...";

    // `programFolder` ends in "/"; by default the folder of the executable.
    // `historyFolder` replaces the program folder's history folder (for the
    // command-line tool).
    explicit CTarvelloWindow(CWindowPort& port, std::string programFolder = "",
                             std::string historyFolder = "");
    ~CTarvelloWindow();
    CTarvelloWindow(const CTarvelloWindow&) = delete;
    CTarvelloWindow& operator=(const CTarvelloWindow&) = delete;

    // --- start-up and layout ---
    void OnInitDialog();
    // From the client size; every resize.
    void LayoutControls(int clientWidth, int clientHeight);

    // --- commands ---
    void OnLoadHistory();
    void OnOK();
    void OnCancel();
    // Stops every running worker and clears its slot: waits for each, but
    // lets an import that is stuck in the file system go.
    void ReleaseWorkers();

    // --- replay ---
    void OnNextBar();
    // OnNextBar that tells whether the replay stepped; false when it could not
    // (its message has been shown), so that a repetition can stop there.
    bool StepNextBar();
    // Rebuilds the chart around the cursor; does not redraw.
    void ReloadChart();
    // The user picked currency entry `index` (-1: none).
    void OnSelchangeCurrency(int index);
    void OnPeriod(int period);
    void OnZoomIn();
    void OnZoomOut();
    void OnChartType(int type);

    // A toolbar or menu command; false when the id is not one of them.
    bool OnCommand(int id);
    struct CommandState {
        bool enabled = true;
        bool checked = false;
    };
    // The toolbar button's state as its update handler sets it.
    CommandState GetCommandState(int id) const;

    // --- trading ---
    void OnBuy() { OpenOrder(1); }
    void OnSell() { OpenOrder(-1); }
    void OnCloseOrder();
    void OnRetrain();
    // Shows the balance-curve window when hidden, hides it when shown.
    void OnBalanceCurve();
    void OnHelp();
    // The Delete key: removes the selected drawing objects, then redraws.
    void OnDeleteKey();

    // --- mouse on the chart, in client coordinates ---
    void OnLButtonDown(int x, int y);
    void OnMouseMove(int x, int y);
    void OnLButtonUp(int x, int y);
    void OnLButtonDblClk(int x, int y);
    void OnRButtonDown(int x, int y);
    // The drawing-object commands of the popup menus.
    void OnDeleteLine();
    void OnDeleteAllLines();
    void OnLineProperty();
    // The lot size the next order gets: the selected entry, or the typed
    // text when it is a lot size an order may have (trade/LotSize.h).
    bool GetLotSize(double* lots) const;

    // --- trainer (window/TrainerHandlers.cpp) ---
    // The honest replay's switch; OnHonestReplay toggles and remembers it.
    void OnHonestReplay();
    void SetHonestReplay(bool on, bool remember);
    // Undoes the newest step with everything done since; false when none.
    bool OnStepBack();
    // Auto-play: starts or pauses; the timer's step; the speed keys.
    void OnPlay();
    void OnPlayTimer();
    void StopPlay();
    void OnPlayFaster();
    void OnPlaySlower();
    // Asks for a date and jumps there; GotoTime steps forward to the first
    // bar at or after `time` (seconds since 1970, UTC).
    void OnGotoDate();
    bool GotoTime(std::int64_t time);
    void OnCrosshair();
    // The pointer left the window: no crosshair.
    void OnMouseLeave();
    // The wheel over the chart zooms: forward in, backward out.
    void OnMouseWheel(int delta, int x, int y);
    bool OnTrainerCommand(int id);
    std::optional<CommandState> GetTrainerCommandState(int id) const;
    // The newest replayed one-minute record (in the plain replay the last
    // record of the cursor's bar); -1 when nothing is replayed.
    int GetReplayClock() const;
    // Time and prices of the current bar; "" without one.
    std::string GetReadoutText() const;
    // The replay's state as step back keeps it, and its restoration.
    CReplaySnapshot TakeSnapshot() const;
    void RestoreSnapshot(const CReplaySnapshot& snapshot);
    CSettings& Settings() { return *m_pSettings; }

    // --- desk: spread, stops, journal, saved runs (window/DeskHandlers.cpp) ---
    // The spread in points; `remember` writes it to the settings.
    void SetSpread(int points, bool remember);
    // The stop-loss and take-profit of the order opened next (0.0: none).
    void SetNextStops(double stopLoss, double takeProfit);
    // Changes the levels of open order `row`; false (with a message) when
    // they do not fit the order or there is no such row.
    bool SetOrderStops(int row, double stopLoss, double takeProfit);
    // The run's closed orders as the journal shows them.
    CJournal GetJournal() const;
    // Writes the journal as CSV to `path`; false (with a message) on failure.
    bool ExportJournal(const std::string& path);
    // The whole run to `path` and back (window/RunHandlers.cpp). A file that
    // cannot be used is refused with a message and changes nothing.
    bool SaveRun(const std::string& path);
    bool LoadRun(const std::string& path);
    // The run saved when the program ends, and its restoration.
    std::string LastRunPath() const;
    bool SaveLastRun();
    bool LoadLastRun();
    CSavedRun TakeRun() const;

    // --- indicators ---
    // The add commands: the own-pane limit, the kind's presets, the property
    // dialog, then the indicator built from it. Cancel adds nothing.
    void OnAddIndicator(int type);
    void OnAddMA() { OnAddIndicator(kIndicateMA); }
    void OnAddKDJ() { OnAddIndicator(kIndicateKDJ); }
    void OnAddMACD() { OnAddIndicator(kIndicateMACD); }
    void OnAddRSI() { OnAddIndicator(kIndicateRSI); }
    void OnAddBollin() { OnAddIndicator(kIndicateBOLLIN); }
    void OnAddMax() { OnAddIndicator(kIndicateMAX); }
    void OnAddMin() { OnAddIndicator(kIndicateMIN); }
    // The dialog on indicator m_nCurIndicator, changed in place on OK.
    void OnIndicatorProperty();
    void OnDeleteIndicator();
    void OnDeleteAllIndicators();
    // Drawing objects and indicators.
    void OnDeleteAllIndicatorsLines();
    // Adds an indicator built elsewhere, as an add command does after its
    // dialog was confirmed. False (nothing added) at the own-pane limit or
    // without a symbol.
    bool AddIndicator(const CIndicate& built);

    // --- account and order list ---
    void RefreshFloatProfit();
    void RefreshAccountStats();
    void RefreshOrderList();
    // Selects a row of the order list (-1 or past the end: none).
    void SelectOrderRow(int row);

    // --- currency list ---
    void RefreshCurrencyList();
    // "" when the combo is empty or nothing is selected.
    std::string GetSelectedSymbol() const;

    // --- painting ---
    // Asks the view to repaint the chart.
    void RedrawChart();
    // Paints the chart and the "广告位" caption onto the window's client area.
    void PaintChart(Canvas& client);
    // The import's progress line at (40, 100): black on opaque white.
    void PaintProgress(Canvas& canvas) const;

    // --- statistics as their boxes show them ---
    // Text of statistics box `id` (IDC_TOTAL_MONEY .. IDC_LOSS_ORDERS).
    std::string GetStatText(int id) const;

    // --- for tests and scripted sessions ---
    bool IsImporting() const { return m_pImportThread.IsSet(); }
    // Waits until the import worker's thread has ended; its hand-off to the
    // user-interface thread may still be queued in the port.
    void JoinImportWorker() { m_pImportThread.Join(); }

    CWindowPort& Port() { return m_port; }

    // --- state (the members the main window owns) ---
    std::string m_strProgramFolder;
    std::string m_strBackgroundFile;
    std::string m_strHistoryFolder;
    std::string m_strImportFile;
    int m_nZoomBars[6] = {20, 40, 80, 120, 160, 300};
    int m_nZoomLevel = 3;
    int m_nVisibleBars = 120;
    CKBarIndex m_barIndex;
    CKbar m_kbar;

    // Layout, client coordinates.
    Point m_ptChartOrigin{10, 100};
    int m_nChartWidth = 0;
    int m_nChartHeight = 0;  // H: shared by the chart and the order list
    Rect m_rcChart;          // the chart area
    Rect m_rcOrderList;
    Rect m_rcAdList;

    int m_nLineTool = kToolPointer;
    int m_nCurLine = -1;
    int m_nCurIndicator = -1;
    // The property dialog's values, kept for the whole run.
    CIndicatePropertyData m_dlgIndicateProperty;
    int m_bLButtonDown = 0;
    BarPoint m_ptDragAnchor;

    CWorkerSlot m_pImportThread;
    CWorkerSlot m_pVersionThread;
    CWorkerSlot m_pAdThread;
    CListAdvertisement m_listAdvertisement;
    // The probe, the version check and the advertisement download.
    COnlineJobs m_online{*this};

    CComboModel m_comboLots;
    CListBoxOrder m_listOrder;
    CBalanceCurve m_balanceCurve;
    CHistoryTree m_treeHistory;
    CComboModel m_comboCurrency;

    double m_fTotalProfit = 0.0;
    double m_fTotalMoney = 0.0;
    double m_fFloatProfit = 0.0;
    int m_nLossOrders = 0;
    int m_nWinOrders = 0;
    double m_fProfitRate = 0.0;

    std::string m_strCaption = "Tarvello";
    // The last progress line of the running import; "" when none is shown.
    std::string m_strProgress;
    // Set when the history folder could not be created at start.
    std::string m_strStartupError;

    CTrainer m_trainer;
    CDesk m_desk;

private:
    enum class StepResult { kStepped, kNoSymbol, kAtEnd };
    // One replay step; messages only when `report`.
    StepResult NextBar(bool report);
    void ReportStep(StepResult result);
    // Names the period file of `symbol` that cannot be read as bars, if it
    // cannot; true when it did.
    bool ReportPeriodFile(const std::string& symbol, int period);
    // The same for the selected pair's shown period and its minutes.
    void ReportPeriodFiles();
    // The cursor to a new period: rescaled, or in the honest replay the bar
    // that holds the clock.
    void ChangeCursorPeriod(int period);
    // In the honest replay the cursor's bar while it is still forming.
    std::optional<BarRecord> FormingCursorBar() const;
    // Fits a new or changed indicator to the chart and computes it for the
    // selected symbol, period and cursor; false (with the message) without a
    // symbol.
    bool PrepareIndicator(CIndicate& ind);
    bool IsCursorBarForming() const;
    void InitTrainer();
    void InitDesk();
    // Closes every open order of the shown pair whose stop or target the
    // one-minute records `firstMinute` to `lastMinute` reach, in the order
    // they were reached, like Close: curve, statistics. False when none was.
    bool ApplyStops(int firstMinute, int lastMinute);
    // Gives a new order the levels set for it; false (with a message) when
    // they do not fit it.
    bool TakeNextStops(OrderRecord& order);
    void ApplyRun(const CSavedRun& run, int symbolIndex);
    // Dragging a stop or target line with the pointer tool; true when the
    // mouse message was the drag's.
    bool StopDragDown(int x, int y);
    bool StopDragMove(int x, int y);
    bool StopDragUp(int x, int y);
    void PushStep();
    // After a jump or a restore: chart, valuation, order list and redraw.
    void ReloadAfterJump(int selectedRow);
    void PaintTrainerOverlay(Canvas& client);
    void ScanFolder(const std::string& folder, CHistoryTreeItem& parent);
    void ImportThread(const std::string& source, const std::string& symbol,
                      const std::string& historyFolder, std::stop_token stop, CWorkerGate& gate);
    void OnImportFinished(const ImportResult& result);
    void UpdateStatistics();
    void OpenOrder(int direction);
    void UpdateIndicators(const std::function<void(CIndicate&)>& update);
    // Does what a mouse message asks for; (x, y) is where it happened.
    void ApplyMouse(const CChartMouse::Outcome& outcome, int x, int y);
    // The window's client size, as last laid out.
    int m_nClientWidth = 0;
    int m_nClientHeight = 0;

    CWindowPort& m_port;
    std::unique_ptr<CSettings> m_pSettings;
    // The mouse and line logic, working on the members above.
    CChartMouse m_chartMouse{
        m_kbar, {m_nLineTool, m_bLButtonDown, m_ptDragAnchor, m_nCurLine, m_nCurIndicator}};
    std::string m_strHistoryOverride;
    bool m_bClosing = false;
};
