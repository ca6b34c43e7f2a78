#pragma once

#include <QDialog>
#include <QImage>
#include <QStringList>
#include <map>
#include <optional>
#include <string>

#include "platform/WindowPort.h"
#include "window/TarvelloWindow.h"

class CBalanceCurvDlg;
class CDeskBar;
class CDlgHelp;
class CDlgIndicateProperty;
class CTrainerBar;
class QAction;
class QMenu;
class QToolBar;
class QComboBox;
class QLineEdit;
class QListWidget;
class QMessageBox;

// The main window: a thin Qt view of CTarvelloWindow. It forwards buttons,
// combo edits, resizes and closing to the logic, mirrors the logic's state
// into its widgets when told through the port, and implements the port.
// Widgets are named "id<control id>" (labels "label_<text>") so that tests
// can find them.
class CTarvelloDlg : public QDialog, public CWindowPort {
    Q_OBJECT

public:
    // `programFolder` ends in "/"; "" means the folder of the executable.
    explicit CTarvelloDlg(const std::string& programFolder = "", QWidget* parent = nullptr);
    ~CTarvelloDlg() override;

    // The logic's start-up, the first layout and the background picture;
    // once, before the dialog is shown.
    void InitDialog();

    CTarvelloWindow& Logic() { return m_logic; }
    QToolBar* ToolBar() const { return m_pToolBar; }

    // "desc|pattern|...||" as Qt name filters ("desc (pattern)").
    static QStringList ToQtFilters(const std::string& filter);

    // --- CWindowPort ---
    void MessageBox(const std::string& text) override;
    void ShowWaitBox(const std::string& text) override;
    void CloseWaitBox() override;
    std::optional<std::string> ChooseOpenFile(const std::string& filter,
                                              const std::string& defaultExt) override;
    void PostToUi(std::function<void()> call) override;
    void StateChanged(unsigned changes) override;
    void EndDialog(int result) override;
    bool IsBalanceCurveVisible() const override;
    void ShowBalanceCurve(bool show) override;
    void ShowHelp(const std::string& text) override;
    void ShowPopupMenu(int resource, int x, int y) override;
    std::optional<std::string> AskDateTime(const std::string& initial) override;
    std::optional<std::string> AskText(const std::string& title, const std::string& prompt,
                                       const std::string& initial) override;
    void SetPlayTimer(int intervalMs) override;
    bool DoModalIndicateProperty(CIndicatePropertyData& data) override;
    // The indicator property dialog, kept for the run.
    CDlgIndicateProperty* IndicatePropertyDialog() const { return m_pDlgIndicateProperty; }
    CTrainerBar* TrainerBar() const { return m_pTrainerBar; }
    CDeskBar* DeskBar() const { return m_pDeskBar; }

    CBalanceCurvDlg* BalanceCurveWindow() const { return m_pBalanceCurvDlg; }
    CDlgHelp* HelpDialog() const { return m_pDlgHelp; }
    // The popup menus by resource number: 140, 147, 148, 150.
    QMenu* Menu(int resource) const;

public slots:
    // Every way of closing goes through the logic, which releases the workers
    // and then ends the dialog through EndDialog.
    void accept() override;
    void reject() override;

protected:
    // The modal boxes, virtual so that tests can answer them without blocking.
    virtual void ShowMessageBox(const QString& text);
    // The same box, closed by CloseWaitBox when what it waits for has ended.
    virtual void ShowWaitMessageBox(const QString& text);
    // "" when cancelled.
    virtual QString GetOpenFileName(const QStringList& filters, const QString& defaultSuffix);
    virtual void ShowAboutBox();
    virtual void ShowHelpDialog();
    // Shows a popup menu at a global position.
    virtual void PopupMenu(QMenu* menu, const QPoint& globalPos);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // The keys that act whichever control has the focus.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void LoadBackground();
    void MirrorCombo(QComboBox* combo, const CComboModel& model);
    void ConnectCombo(QComboBox* combo, CComboModel& model);
    void PlaceLists();
    void CreateToolBar();
    void UpdateToolBar();
    void MirrorOrderList();
    void CreateMenus();

    CTarvelloWindow m_logic;

    // The background picture's top-left 400 x 400 pixels, decoded once, and
    // that image stretched to the current client size.
    QImage m_imgBackground;
    QImage m_imgScaledBackground;

    QComboBox* m_pComboCurrency = nullptr;
    QComboBox* m_pComboLots = nullptr;
    std::map<int, QLineEdit*> m_mapStatBoxes;
    QListWidget* m_pListOrder = nullptr;
    QListWidget* m_pListAdvertisement = nullptr;
    QAction* m_pActionAbout = nullptr;
    QToolBar* m_pToolBar = nullptr;
    CBalanceCurvDlg* m_pBalanceCurvDlg = nullptr;
    QMessageBox* m_pWaitBox = nullptr;  // while a wait box is shown
    CDlgHelp* m_pDlgHelp = nullptr;
    CDlgIndicateProperty* m_pDlgIndicateProperty = nullptr;
    CTrainerBar* m_pTrainerBar = nullptr;
    CDeskBar* m_pDeskBar = nullptr;
    std::map<int, QMenu*> m_mapMenus;
    std::map<int, QAction*> m_mapToolActions;
};
