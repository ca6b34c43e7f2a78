#include "app/DeskBar.h"

#include <QApplication>
#include <QDialog>
#include <QDoubleValidator>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

#include "app/JournalDlg.h"
#include "platform/Format.h"
#include "window/TarvelloWindow.h"

namespace {

// Below the trade panel's lowest boxes, above the chart.
constexpr int kTop = 86;
constexpr int kHeight = 14;
constexpr const char* kRunFilter = "训练文件 (*.tvrun);;All Files (*)";

double LevelOf(const QLineEdit* edit) {
    bool ok = false;
    const double v = edit->text().trimmed().toDouble(&ok);
    return ok && v > 0.0 ? v : 0.0;
}

QString LevelText(double v) {
    return v > 0.0 ? QString::fromStdString(FormatStatDouble(v)) : QString();
}

}  // namespace

CDeskBar::CDeskBar(QDialog* window, CTarvelloWindow& logic)
    : QObject(window), m_pWindow(window), m_logic(logic) {
    m_pPanel = new QWidget(window);
    m_pPanel->setObjectName(QStringLiteral("deskBar"));
    QFont font = window->font();
    font.setPointSizeF(font.pointSizeF() > 0 ? font.pointSizeF() * 0.85 : 8.0);
    m_pPanel->setFont(font);
    auto* row = new QHBoxLayout(m_pPanel);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(3);
    auto label = [&](const char* text) {
        auto* l = new QLabel(QString::fromUtf8(text), m_pPanel);
        row->addWidget(l);
    };
    auto level = [&](const char* name, const char* tip) {
        auto* edit = new QLineEdit(m_pPanel);
        edit->setObjectName(QString::fromUtf8(name));
        edit->setToolTip(QString::fromUtf8(tip));
        edit->setPlaceholderText(QStringLiteral("无"));
        edit->setValidator(new QDoubleValidator(0.0, 1e9, 6, edit));
        edit->setTextMargins(1, 0, 1, 0);
        edit->setFixedWidth(52);
        row->addWidget(edit);
        connect(edit, &QLineEdit::textEdited, this, &CDeskBar::LevelsEdited);
        return edit;
    };
    label("止损");
    m_pStopLoss = level("deskStopLoss", "下一张订单的止损价格；选中订单后按“改单”改它的止损");
    label("止盈");
    m_pTakeProfit = level("deskTakeProfit", "下一张订单的止盈价格；选中订单后按“改单”改它的止盈");
    m_pModify = new QPushButton(QStringLiteral("改单"), m_pPanel);
    m_pModify->setObjectName(QStringLiteral("deskModify"));
    m_pModify->setToolTip(QStringLiteral("把止损和止盈设到订单列表中选中的订单上"));
    row->addWidget(m_pModify);
    connect(m_pModify, &QPushButton::clicked, this, [this] {
        const int row = m_logic.m_listOrder.GetCurSel();
        if (m_logic.SetOrderStops(row, LevelOf(m_pStopLoss), LevelOf(m_pTakeProfit)))
            m_logic.SetNextStops(0.0, 0.0);
    });
    m_pJournal = new QPushButton(QStringLiteral("日志"), m_pPanel);
    m_pJournal->setObjectName(QStringLiteral("deskJournal"));
    m_pJournal->setToolTip(QStringLiteral("交易日志和统计 (J)"));
    row->addWidget(m_pJournal);
    connect(m_pJournal, &QPushButton::clicked, this, &CDeskBar::ShowJournal);

    m_pRun = new QToolButton(m_pPanel);
    m_pRun->setObjectName(QStringLiteral("deskRun"));
    m_pRun->setText(QStringLiteral("训练"));
    m_pRun->setPopupMode(QToolButton::InstantPopup);
    m_pRunMenu = new QMenu(m_pRun);
    QAction* save = m_pRunMenu->addAction(QStringLiteral("保存训练..."));
    QAction* open = m_pRunMenu->addAction(QStringLiteral("继续训练..."));
    QAction* last = m_pRunMenu->addAction(QStringLiteral("继续上次训练"));
    m_pRunMenu->addSeparator();
    m_pSpreadAction = m_pRunMenu->addAction(QStringLiteral("点差..."));
    m_pSpreadAction->setObjectName(QStringLiteral("deskSpread"));
    connect(m_pSpreadAction, &QAction::triggered, this, [this] {
        if (const std::optional<int> points = AskSpread(m_logic.m_kbar.m_order.GetSpread()))
            m_logic.SetSpread(*points, true);
    });
    save->setObjectName(QStringLiteral("deskSaveRun"));
    open->setObjectName(QStringLiteral("deskLoadRun"));
    last->setObjectName(QStringLiteral("deskLoadLastRun"));
    m_pRun->setMenu(m_pRunMenu);
    row->addWidget(m_pRun);
    connect(save, &QAction::triggered, this, [this] {
        const QString path = AskSaveFile();
        if (!path.isEmpty()) m_logic.SaveRun(path.toStdString());
    });
    connect(open, &QAction::triggered, this, [this] {
        const QString path = AskOpenFile();
        if (!path.isEmpty()) m_logic.LoadRun(path.toStdString());
    });
    connect(last, &QAction::triggered, this, [this] { m_logic.LoadLastRun(); });

    // Buttons as wide as their texts: the strip is narrow.
    for (QAbstractButton* b : m_pPanel->findChildren<QAbstractButton*>())
        b->setFixedWidth(b->fontMetrics().horizontalAdvance(b->text()) + 14);
    for (QWidget* w : m_pPanel->findChildren<QWidget*>())
        if (!qobject_cast<QLineEdit*>(w)) w->setFocusPolicy(Qt::NoFocus);
    qApp->installEventFilter(this);
    Update();
}

int CDeskBar::Place() {
    const Rect& chart = m_logic.m_rcChart;
    // From the chart's right edge leftwards, but not past the middle of the
    // window, where the background picture's half ends.
    const int width = m_pPanel->sizeHint().width();
    const int left = std::max(chart.right - width, m_pWindow->width() / 2 + 4);
    m_pPanel->setGeometry(left, kTop, std::max(0, chart.right - left), kHeight);
    m_pPanel->raise();
    return left;
}

void CDeskBar::Update() {
    // A field being typed in keeps its text while it means the same level.
    auto mirror = [](QLineEdit* edit, double v) {
        if (LevelOf(edit) != v) edit->setText(LevelText(v));
    };
    mirror(m_pStopLoss, m_logic.m_desk.m_fNextStopLoss);
    mirror(m_pTakeProfit, m_logic.m_desk.m_fNextTakeProfit);
    m_pSpreadAction->setText(
        QStringLiteral("点差: %1 点...").arg(m_logic.m_kbar.m_order.GetSpread()));
    if (m_pJournalDlg && m_pJournalDlg->isVisible()) m_pJournalDlg->Refill();
}

void CDeskBar::LevelsEdited() {
    m_logic.SetNextStops(LevelOf(m_pStopLoss), LevelOf(m_pTakeProfit));
}

void CDeskBar::ShowJournal() {
    if (!m_pJournalDlg) m_pJournalDlg = new CJournalDlg(m_logic, m_pWindow);
    m_pJournalDlg->Refill();
    m_pJournalDlg->show();
    m_pJournalDlg->raise();
}

QString CDeskBar::AskSaveFile() {
    return QFileDialog::getSaveFileName(m_pWindow, QStringLiteral("保存训练"),
                                        QStringLiteral("training.tvrun"),
                                        QString::fromUtf8(kRunFilter));
}

std::optional<int> CDeskBar::AskSpread(int current) {
    bool ok = false;
    const int points = QInputDialog::getInt(
        m_pWindow, QStringLiteral("点差"),
        QStringLiteral("点差(点)：买单以收盘价加点差成交、以收盘价估值，卖单反之"), current, 0,
        1000, 1, &ok);
    return ok ? std::optional<int>(points) : std::nullopt;
}

QString CDeskBar::AskOpenFile() {
    return QFileDialog::getOpenFileName(m_pWindow, QStringLiteral("继续训练"), QString(),
                                        QString::fromUtf8(kRunFilter));
}

bool CDeskBar::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return QObject::eventFilter(watched, event);
    auto* widget = qobject_cast<QWidget*>(watched);
    QWidget* modal = QApplication::activeModalWidget();
    if (!widget || widget->window() != m_pWindow || (modal && modal != m_pWindow)) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (key->key() != Qt::Key_J || mods != Qt::NoModifier) return false;
    if (type == QEvent::KeyPress) ShowJournal();
    return true;
}
