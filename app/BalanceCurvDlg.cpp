#include "app/BalanceCurvDlg.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include "app/DialogUnits.h"
#include "app/QtCanvas.h"

namespace {
constexpr int kBorder = 5;
constexpr int kMinSize = 60;
}  // namespace

CBalanceCurvDlg::CBalanceCurvDlg(const CBalanceCurve& curve, QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::FramelessWindowHint), m_curve(curve) {
    setObjectName(QStringLiteral("balanceCurve"));
    setWindowTitle(QStringLiteral("资金曲线"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    resize(DluToPixels(348), DluToPixels(280));
}

void CBalanceCurvDlg::paintEvent(QPaintEvent*) {
    QtCanvas canvas(this);
    m_curve.DrawCurve(canvas, width(), height());
}

int CBalanceCurvDlg::EdgesAt(const QPoint& p) const {
    int edges = 0;
    if (p.x() < kBorder) edges |= 1;
    if (p.y() < kBorder) edges |= 2;
    if (p.x() >= width() - kBorder) edges |= 4;
    if (p.y() >= height() - kBorder) edges |= 8;
    return edges;
}

void CBalanceCurvDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    m_bDragging = true;
    m_nDragEdges = EdgesAt(event->position().toPoint());
    m_ptPressGlobal = event->globalPosition().toPoint();
    m_rcPressGeometry = geometry();
}

void CBalanceCurvDlg::mouseMoveEvent(QMouseEvent* event) {
    if (!m_bDragging) {
        const int e = EdgesAt(event->position().toPoint());
        if ((e & 5) && (e & 10))
            setCursor(((e & 1) != 0) == ((e & 2) != 0) ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor);
        else if (e & 5)
            setCursor(Qt::SizeHorCursor);
        else if (e & 10)
            setCursor(Qt::SizeVerCursor);
        else
            unsetCursor();
        return;
    }
    const QPoint d = event->globalPosition().toPoint() - m_ptPressGlobal;
    QRect r = m_rcPressGeometry;
    if (m_nDragEdges == 0) {
        r.translate(d);  // a press inside moves the window
    } else {
        if (m_nDragEdges & 1) r.setLeft(std::min(r.left() + d.x(), r.right() - kMinSize));
        if (m_nDragEdges & 2) r.setTop(std::min(r.top() + d.y(), r.bottom() - kMinSize));
        if (m_nDragEdges & 4) r.setRight(std::max(r.right() + d.x(), r.left() + kMinSize));
        if (m_nDragEdges & 8) r.setBottom(std::max(r.bottom() + d.y(), r.top() + kMinSize));
    }
    setGeometry(r);
    update();
}

void CBalanceCurvDlg::mouseReleaseEvent(QMouseEvent*) { m_bDragging = false; }

void CBalanceCurvDlg::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) {
        hide();
        if (parentWidget()) parentWidget()->activateWindow();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CBalanceCurvDlg::closeEvent(QCloseEvent* event) {
    // Never destroyed before the main window: closing only hides it.
    event->ignore();
    hide();
}
