#pragma once

#include <QObject>

class CTarvelloWindow;
class QPoint;
class QWidget;

// Hands the main window's mouse to its logic in client coordinates: left
// press, move, release and double click wherever no child control covers the
// client area. Right presses reach the logic through the window's context-menu
// event, which Qt sends on the press.
class CChartMouseFilter : public QObject {
    Q_OBJECT

public:
    // Installs itself on `window`, which owns it.
    CChartMouseFilter(QWidget* window, CTarvelloWindow& logic);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // True when a child control (not a static label) lies under a client point.
    bool IsCoveredByControl(const QPoint& pos) const;

    QWidget* m_pWindow;
    CTarvelloWindow& m_logic;
    // The left button went down on the window itself (not on a control).
    bool m_bLeftPressed = false;
};
