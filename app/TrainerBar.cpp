#include "app/TrainerBar.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QToolBar>
#include <QWheelEvent>
#include <functional>

#include "app/GotoDlg.h"
#include "trainer/TrainerCommands.h"
#include "window/TarvelloWindow.h"

namespace {

QString ToQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The toolbar's pictures, drawn in code at the size of the window's toolbar.
QIcon TrainerIcon(int id) {
    QPixmap pixmap(16, 15);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0, 0, 128);
    p.setPen(QPen(ink, 1.5));
    p.setBrush(ink);
    switch (id) {
        case ID_TRAINER_HONEST:  // a clock: only the minutes replayed so far
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QRectF(1.5, 1, 13, 13));
            p.drawLine(QPointF(8, 7.5), QPointF(8, 3.5));
            p.drawLine(QPointF(8, 7.5), QPointF(11, 9));
            break;
        case ID_TRAINER_BACK:
            p.drawRect(QRectF(2, 3, 1.5, 9));
            p.drawPolygon(QPolygonF({QPointF(14, 2.5), QPointF(5, 7.5), QPointF(14, 12.5)}));
            break;
        case ID_TRAINER_PLAY:
            p.drawPolygon(QPolygonF({QPointF(4, 2), QPointF(13, 7.5), QPointF(4, 13)}));
            break;
        case ID_TRAINER_SLOWER:
            p.drawRect(QRectF(3, 6.5, 10, 2));
            break;
        case ID_TRAINER_FASTER:
            p.drawRect(QRectF(3, 6.5, 10, 2));
            p.drawRect(QRectF(7, 2.5, 2, 10));
            break;
        case ID_TRAINER_GOTO:
            p.drawLine(QPointF(2, 7.5), QPointF(10, 7.5));
            p.drawPolygon(QPolygonF({QPointF(8, 3.5), QPointF(12, 7.5), QPointF(8, 11.5)}));
            p.drawRect(QRectF(13, 2, 1, 11));
            break;
        default:  // the crosshair
            p.drawLine(QPointF(8, 1), QPointF(8, 14));
            p.drawLine(QPointF(1, 7.5), QPointF(15, 7.5));
            break;
    }
    return QIcon(pixmap);
}

// The strip between the controls and the chart.
constexpr int kReadoutTop = 84;
constexpr int kToolbarHeight = 21;
constexpr int kReadoutHeight = 16;

}  // namespace

CTrainerBar::CTrainerBar(QDialog* window, CTarvelloWindow& logic)
    : QObject(window), m_pWindow(window), m_logic(logic) {
    m_pToolBar = new QToolBar(window);
    m_pToolBar->setObjectName(QStringLiteral("trainerToolbar"));
    m_pToolBar->setMovable(false);
    m_pToolBar->setFocusPolicy(Qt::NoFocus);
    m_pToolBar->setIconSize(QSize(16, 15));
    m_pToolBar->setContentsMargins(0, 2, 2, 0);
    for (const TrainerButton& b : kTrainerButtons) {
        QAction* action = m_pToolBar->addAction(TrainerIcon(b.id), QString::fromUtf8(b.text));
        action->setObjectName(QStringLiteral("cmd%1").arg(b.id));
        action->setToolTip(QString::fromUtf8(b.tooltip));
        action->setCheckable(b.checkable);
        const int id = b.id;
        connect(action, &QAction::triggered, this, [this, id] {
            m_logic.OnCommand(id);
            Update();
        });
        m_mapActions[id] = action;
    }
    for (QWidget* w : m_pToolBar->findChildren<QWidget*>()) w->setFocusPolicy(Qt::NoFocus);

    m_pReadout = new QLabel(window);
    m_pReadout->setObjectName(QStringLiteral("trainerReadout"));
    m_pReadout->setToolTip(QStringLiteral("当前K线的时间(UTC)和开高低收"));
    m_pSpeed = new QLabel(window);
    m_pSpeed->setObjectName(QStringLiteral("trainerSpeed"));
    m_pSpeed->setAlignment(Qt::AlignCenter);
    // Opaque, in the colour of the statistics labels: it may cover the end
    // of the read-out.
    m_pSpeed->setStyleSheet(QStringLiteral("background-color: rgb(128, 184, 223);"));
    m_pSpeed->hide();

    m_pTimer = new QTimer(this);
    m_pTimer->setTimerType(Qt::PreciseTimer);
    connect(m_pTimer, &QTimer::timeout, this, [this] {
        // No step under a modal box or dialog: it waits until it is closed.
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != m_pWindow) return;
        m_logic.OnPlayTimer();
    });

    qApp->installEventFilter(this);
}

void CTrainerBar::Place(int clientWidth, int textRight) {
    // Above the OK button, which starts 21 pixels down.
    const QSize size = m_pToolBar->sizeHint();
    m_pToolBar->setGeometry(clientWidth - size.width(), 0, size.width(),
                            std::min(size.height(), kToolbarHeight));
    const Rect& chart = m_logic.m_rcChart;
    m_nTextRight = std::clamp(textRight, chart.left, std::max(chart.left, chart.right));
    m_pReadout->setGeometry(chart.left, kReadoutTop, m_nTextRight - chart.left, kReadoutHeight);
    PlaceSpeed();
}

void CTrainerBar::PlaceSpeed() {
    // Right after the read-out's text, or over its end where the strip
    // beside it leaves no room.
    const QFontMetrics metrics = m_pSpeed->fontMetrics();
    const int width = metrics.horizontalAdvance(m_pSpeed->text()) + 8;
    const int left = m_logic.m_rcChart.left;
    const int x = std::max(left, std::min(left + metrics.horizontalAdvance(m_pReadout->text()) + 12,
                                          m_nTextRight - width));
    m_pSpeed->setGeometry(x, kReadoutTop, std::min(width, m_nTextRight - x), kReadoutHeight);
    m_pSpeed->raise();
}

void CTrainerBar::Update() {
    for (const auto& [id, action] : m_mapActions) {
        const CTarvelloWindow::CommandState state = m_logic.GetCommandState(id);
        action->setEnabled(state.enabled);
        if (action->isCheckable()) action->setChecked(state.checked);
    }
    const QString readout = ToQString(m_logic.GetReadoutText());
    if (m_pReadout->text() != readout) m_pReadout->setText(readout);
    const CAutoPlay& play = m_logic.m_trainer.m_play;
    m_pSpeed->setText(QStringLiteral("播放中 %1 根/秒").arg(play.GetSpeed()));
    if (play.IsPlaying()) PlaceSpeed();
    m_pSpeed->setVisible(play.IsPlaying());
}

void CTrainerBar::SetPlayTimer(int intervalMs) {
    if (intervalMs <= 0) {
        m_pTimer->stop();
        return;
    }
    m_pTimer->start(intervalMs);
}

std::optional<std::string> CTrainerBar::AskDateTime(const std::string& initial) {
    CGotoDlg dialog(initial, m_pWindow);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Value();
}

bool CTrainerBar::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == m_pWindow && type == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        const QPoint pos = wheel->position().toPoint();
        m_logic.OnMouseWheel(wheel->angleDelta().y(), pos.x(), pos.y());
        return true;
    }
    if (watched == m_pWindow && type == QEvent::Leave) m_logic.OnMouseLeave();
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease || type == QEvent::ShortcutOverride)
        return HandleKey(watched, event);
    return QObject::eventFilter(watched, event);
}

bool CTrainerBar::HandleKey(QObject* watched, QEvent* event) {
    // Only keys meant for the main window, and not while a modal box is up.
    auto* widget = qobject_cast<QWidget*>(watched);
    QWidget* modal = QApplication::activeModalWidget();
    if (!widget || widget->window() != m_pWindow || (modal && modal != m_pWindow)) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (mods != Qt::NoModifier) return false;
    std::function<void()> action;
    CTarvelloWindow& w = m_logic;
    switch (key->key()) {
        case Qt::Key_Left:
        case Qt::Key_Backspace: {
            // A typed lot size or pair name keeps its editing keys.
            QWidget* focus = QApplication::focusWidget();
            auto* edit = qobject_cast<QLineEdit*>(focus);
            auto* combo = qobject_cast<QComboBox*>(focus);
            if ((edit && !edit->isReadOnly()) || (combo && combo->isEditable())) return false;
            action = [&w] { w.OnStepBack(); };
            break;
        }
        case Qt::Key_P:
            action = [&w] { w.OnPlay(); };
            break;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            action = [&w] { w.OnPlayFaster(); };
            break;
        case Qt::Key_Minus:
            action = [&w] { w.OnPlaySlower(); };
            break;
        case Qt::Key_G:
            action = [&w] { w.OnGotoDate(); };
            break;
        case Qt::Key_X:
            action = [&w] { w.OnCrosshair(); };
            break;
        default:
            return false;
    }
    if (event->type() == QEvent::KeyPress) {
        action();
        Update();
    }
    return true;
}
