#pragma once

#include <QPoint>
#include <QRect>
#include <QWidget>

#include "trade/BalanceCurve.h"

// The balance-curve window: frameless, owned by the main window (it stays
// above it and goes with it), moved by dragging anywhere inside it and
// resized by its border. It paints the curve model it is given.
class CBalanceCurvDlg : public QWidget {
    Q_OBJECT

public:
    CBalanceCurvDlg(const CBalanceCurve& curve, QWidget* owner);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Enter and Escape hide the window; it lives as long as its owner.
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Which borders lie under a point: bits 1 left, 2 top, 4 right, 8 bottom.
    int EdgesAt(const QPoint& pos) const;

    const CBalanceCurve& m_curve;
    int m_nDragEdges = 0;  // 0 while moving the window
    bool m_bDragging = false;
    QPoint m_ptPressGlobal;
    QRect m_rcPressGeometry;
};
