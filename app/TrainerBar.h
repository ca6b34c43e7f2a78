#pragma once

#include <QObject>
#include <map>
#include <optional>
#include <string>

class CTarvelloWindow;
class QAction;
class QDialog;
class QLabel;
class QTimer;
class QToolBar;

// The trainer's controls on the main window: the second toolbar at the top
// right, the read-out above the chart, the playing speed, the auto-play timer,
// the trainer's keys, the mouse wheel and the pointer leaving the window.
class CTrainerBar : public QObject {
    Q_OBJECT

public:
    CTrainerBar(QDialog* window, CTarvelloWindow& logic);

    // Mirrors the switches, the read-out and the speed.
    void Update();
    // The tool bar at the top right of a client area this wide, the read-out and the speed
    // over the chart's top, up to `textRight` (where the desk strip starts).
    void Place(int clientWidth, int textRight);
    void SetPlayTimer(int intervalMs);
    // The jump dialog, modal; virtual so that tests can answer it.
    virtual std::optional<std::string> AskDateTime(const std::string& initial);

    QToolBar* ToolBar() const { return m_pToolBar; }
    QLabel* Readout() const { return m_pReadout; }
    QLabel* Speed() const { return m_pSpeed; }
    QTimer* Timer() const { return m_pTimer; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool HandleKey(QObject* watched, QEvent* event);
    void PlaceSpeed();

    QDialog* m_pWindow;
    CTarvelloWindow& m_logic;
    QToolBar* m_pToolBar;
    QLabel* m_pReadout;
    QLabel* m_pSpeed;
    int m_nTextRight = 0;  // where the read-out's strip ends
    QTimer* m_pTimer;
    std::map<int, QAction*> m_mapActions;
};
