#include "app/ChartMouseFilter.h"

#include <QLabel>
#include <QMouseEvent>
#include <QWidget>

#include "window/TarvelloWindow.h"

CChartMouseFilter::CChartMouseFilter(QWidget* window, CTarvelloWindow& logic)
    : QObject(window), m_pWindow(window), m_logic(logic) {
    // Moves reach the logic with the button up too, as the platform sends them.
    window->setMouseTracking(true);
    window->installEventFilter(this);
}

bool CChartMouseFilter::IsCoveredByControl(const QPoint& pos) const {
    // Static texts let the mouse through to the window, as on the platform.
    QWidget* child = m_pWindow->childAt(pos);
    return child && !qobject_cast<QLabel*>(child);
}

bool CChartMouseFilter::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched != m_pWindow ||
        (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
         type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick))
        return QObject::eventFilter(watched, event);
    auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint pos = mouse->position().toPoint();
    const bool left = mouse->button() == Qt::LeftButton;
    switch (type) {
        case QEvent::MouseButtonPress:
            // Qt keeps the mouse grabbed until the release, so a drag that
            // ends outside the window still finishes its object.
            if (!left || IsCoveredByControl(pos)) return false;
            m_bLeftPressed = true;
            m_logic.OnLButtonDown(pos.x(), pos.y());
            return true;
        case QEvent::MouseMove:
            m_logic.OnMouseMove(pos.x(), pos.y());
            return true;
        case QEvent::MouseButtonRelease:
            // Only the release of a press the logic saw: one that began on a
            // control belongs to that control.
            if (!left || !m_bLeftPressed) return false;
            m_bLeftPressed = false;
            m_logic.OnLButtonUp(pos.x(), pos.y());
            return true;
        default:
            // Only the double click: the press it replaces is not delivered again.
            if (!left || IsCoveredByControl(pos)) return true;
            // The release that follows belongs to the window as well.
            m_bLeftPressed = true;
            m_logic.OnLButtonDblClk(pos.x(), pos.y());
            return true;
    }
}
