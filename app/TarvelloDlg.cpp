#include "app/TarvelloDlg.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolBar>
#include <algorithm>

#include "app/AppIcon.h"
#include "app/DeskBar.h"
#include "app/BalanceCurvDlg.h"
#include "app/ChartMouseFilter.h"
#include "app/DialogUnits.h"
#include "app/DlgHelp.h"
#include "app/DlgIndicateProperty.h"
#include "app/ListAdvertisementView.h"
#include "app/QtCanvas.h"
#include "app/ToolbarImages.h"
#include "app/TrainerBar.h"

namespace {

using W = CTarvelloWindow;

// The window's template: 626 x 511 units.
constexpr int kTemplateWidth = 626;
constexpr int kTemplateHeight = 511;
constexpr int kBackgroundSize = 400;

struct ButtonTemplate {
    int id;
    const char* text;
    int x, y, w, h;
};

// In template order, which is also the tab order.
constexpr ButtonTemplate kButtons[] = {
    {W::IDOK, "确定", 569, 14, 50, 14},
    {W::IDCANCEL, "取消", 569, 29, 50, 14},
    {W::ID_HELP, "帮助(&H)", 569, 44, 50, 14},
    {W::IDC_BUY, "&Buy", 159, 24, 50, 14},
    {W::IDC_SELL, "&Sell", 215, 24, 50, 14},
    {W::IDC_CLOSE_ORDER, "&Close", 215, 41, 50, 14},
    {W::IDC_LOAD_HISTORY, "载入历史数据", 14, 41, 56, 14},
    {W::IDC_NEXT_BAR, "下根K线", 85, 42, 50, 14},
    {W::IDC_RETRAIN, "重新训练", 85, 25, 50, 14},
    {W::IDC_BALANCE_CURVE, "资金曲线", 517, 24, 47, 17},
};

struct LabelTemplate {
    const char* text;
    int x, y;
};

constexpr LabelTemplate kCurrencyLabel{"货币", 7, 27};
constexpr LabelTemplate kLotsLabel{"手数", 142, 47};

struct StatTemplate {
    int id;
    int x, y, w, h;
    LabelTemplate label;
};

constexpr StatTemplate kStats[] = {
    {W::IDC_TOTAL_MONEY, 302, 25, 40, 14, {"总金额", 269, 29}},
    {W::IDC_TOTAL_PROFIT, 302, 41, 40, 14, {"总盈亏", 269, 45}},
    {W::IDC_FLOAT_PROFIT, 385, 43, 40, 14, {"浮动盈亏", 351, 47}},
    {W::IDC_PROFIT_RATE, 385, 25, 40, 14, {"盈利率", 355, 27}},
    {W::IDC_WIN_ORDERS, 479, 27, 34, 14, {"盈利单数量", 434, 29}},
    {W::IDC_LOSS_ORDERS, 479, 44, 34, 14, {"亏损单数量", 433, 47}},
};

QString IdName(int id) {
    return QStringLiteral("id%1").arg(id);
}

QString ToQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CTarvelloDlg::CTarvelloDlg(const std::string& programFolder, QWidget* parent)
    : QDialog(parent), m_logic(*this, programFolder) {
    // An application window with minimise and maximise boxes, not a dialog
    // that window managers keep off the task bar.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setWindowTitle(ToQString(m_logic.m_strCaption));
    setWindowIcon(CAppIcon::Icon());
    setFont(QtCanvas::DefaultFont());
    // The dialog colour reaches the labels through Window; the background
    // itself is painted in full by paintEvent.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QtCanvas::ToQColor(W::kDialogColor));
    setPalette(pal);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(DluToPixels(kTemplateWidth), DluToPixels(kTemplateHeight));
    CreateControls();
    CreateToolBar();
    CreateMenus();
    m_pDlgHelp = new CDlgHelp(this);
    m_pDlgIndicateProperty = new CDlgIndicateProperty(this);
    new CChartMouseFilter(this, m_logic);
    m_pTrainerBar = new CTrainerBar(this, m_logic);
    m_pDeskBar = new CDeskBar(this, m_logic);
    // Space, and the trading keys, act before any control sees them.
    qApp->installEventFilter(this);
}

CTarvelloDlg::~CTarvelloDlg() {
    // Workers are stopped while the widgets they report to still exist.
    m_logic.ReleaseWorkers();
    // The child widgets go while the logic their handlers call still exists
    // (a combo can still report a choice while it is taken down).
    while (auto* child = findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) delete child;
}

void CTarvelloDlg::CreateControls() {
    for (const ButtonTemplate& t : kButtons) {
        auto* button = new QPushButton(QString::fromUtf8(t.text), this);
        button->setObjectName(IdName(t.id));
        button->setGeometry(DluRect(t.x, t.y, t.w, t.h));
        switch (t.id) {
            case W::IDOK:
                button->setDefault(true);
                connect(button, &QPushButton::clicked, this, &CTarvelloDlg::accept);
                break;
            case W::IDCANCEL:
                connect(button, &QPushButton::clicked, this, &CTarvelloDlg::reject);
                break;
            case W::IDC_LOAD_HISTORY:
                connect(button, &QPushButton::clicked, this, [this] { m_logic.OnLoadHistory(); });
                break;
            case W::IDC_NEXT_BAR:
                connect(button, &QPushButton::clicked, this, [this] { m_logic.OnNextBar(); });
                break;
            case W::ID_HELP:
                connect(button, &QPushButton::clicked, this, [this] { m_logic.OnHelp(); });
                break;
            case W::IDC_BUY:
                connect(button, &QPushButton::clicked, this, [this] { m_logic.OnBuy(); });
                break;
            case W::IDC_SELL:
                connect(button, &QPushButton::clicked, this, [this] { m_logic.OnSell(); });
                break;
            case W::IDC_CLOSE_ORDER:
                connect(button, &QPushButton::clicked, this, [this] { m_logic.OnCloseOrder(); });
                break;
            case W::IDC_RETRAIN:
                connect(button, &QPushButton::clicked, this, [this] { m_logic.OnRetrain(); });
                break;
            case W::IDC_BALANCE_CURVE:
                connect(button, &QPushButton::clicked, this, [this] { m_logic.OnBalanceCurve(); });
                break;
            default:
                break;
        }
    }

    auto addLabel = [this](const LabelTemplate& t) {
        auto* label = new QLabel(QString::fromUtf8(t.text), this);
        label->setObjectName(QStringLiteral("label_") + label->text());
        label->setAutoFillBackground(true);
        label->move(DluRect(t.x, t.y, 0, 0).topLeft());
        label->resize(label->sizeHint());
    };
    auto addCombo = [this](int id, int x, int y, int w, int dropHeight) {
        auto* combo = new QComboBox(this);
        combo->setObjectName(IdName(id));
        combo->setEditable(true);
        // A typed text is only the edit field's, never a new item, and it is
        // not completed from the items.
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setCompleter(nullptr);
        const QRect r = DluRect(x, y, w, dropHeight);
        combo->setGeometry(r.x(), r.y(), r.width(), combo->sizeHint().height());
        // The template's height is that of the dropped-down combo.
        const int itemHeight = combo->fontMetrics().height() + 2;
        combo->setMaxVisibleItems(std::max(1, (r.height() - combo->height()) / itemHeight));
        return combo;
    };

    m_pComboCurrency = addCombo(W::IDC_CURRENCY, 29, 25, 48, 74);
    ConnectCombo(m_pComboCurrency, m_logic.m_comboCurrency);
    // A new pair rebuilds the chart around the cursor.
    connect(m_pComboCurrency, &QComboBox::activated, this,
            [this](int index) { m_logic.OnSelchangeCurrency(index); });
    addLabel(kCurrencyLabel);
    m_pComboLots = addCombo(W::IDC_LOTS, 162, 43, 48, 78);
    ConnectCombo(m_pComboLots, m_logic.m_comboLots);
    addLabel(kLotsLabel);

    for (const StatTemplate& t : kStats) {
        auto* box = new QLineEdit(this);
        box->setObjectName(IdName(t.id));
        box->setReadOnly(true);
        box->setGeometry(DluRect(t.x, t.y, t.w, t.h));
        // Read-only boxes take the dialog colour like the labels.
        QPalette pal = box->palette();
        pal.setColor(QPalette::Base, QtCanvas::ToQColor(W::kDialogColor));
        box->setPalette(pal);
        m_mapStatBoxes[t.id] = box;
    }
    for (const StatTemplate& t : kStats) addLabel(t.label);

    auto addList = [this](int id) {
        auto* list = new QListWidget(this);
        list->setObjectName(IdName(id));
        list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        // The lists get menus of their own; until then a right click on them
        // must not bring up the window's menu.
        list->setContextMenuPolicy(Qt::PreventContextMenu);
        return list;
    };
    m_pListOrder = addList(W::IDC_ORDER_LIST);
    connect(m_pListOrder, &QListWidget::currentRowChanged, this,
            [this](int row) { m_logic.m_listOrder.SetCurSel(row); });
    m_pListAdvertisement = new CListAdvertisementView(m_logic.m_listAdvertisement, this);
    m_pListAdvertisement->setObjectName(IdName(W::IDC_AD_LIST));

    m_pActionAbout = new QAction(QString::fromUtf8(W::kAboutMenuText), this);
    m_pActionAbout->setObjectName(QStringLiteral("actionAbout"));
    connect(m_pActionAbout, &QAction::triggered, this, &CTarvelloDlg::ShowAboutBox);
}

void CTarvelloDlg::ConnectCombo(QComboBox* combo, CComboModel& model) {
    connect(combo, &QComboBox::activated, this, [&model](int index) { model.SetCurSel(index); });
    connect(combo->lineEdit(), &QLineEdit::textEdited, this,
            [&model](const QString& text) { model.SetEditText(text.toStdString()); });
}

void CTarvelloDlg::CreateToolBar() {
    m_pToolBar = new QToolBar(this);
    m_pToolBar->setObjectName(QStringLiteral("toolbar"));
    m_pToolBar->setIconSize(QSize(CToolbarImages::kWidth, CToolbarImages::kHeight));
    m_pToolBar->setMovable(false);
    m_pToolBar->setContentsMargins(4, 4, 0, 0);
    m_pToolBar->setFocusPolicy(Qt::NoFocus);
    for (const ToolbarButton& b : kToolbarButtons) {
        QAction* action = m_pToolBar->addAction(QIcon(CToolbarImages::ForCommand(b.id)), QString());
        action->setObjectName(QStringLiteral("cmd%1").arg(b.id));
        action->setToolTip(b.tooltip ? QString::fromUtf8(b.tooltip) : QString());
        const bool checkable = PeriodOfCommand(b.id) >= 0 || ToolOfCommand(b.id) >= 0 ||
                               ChartTypeOfCommand(b.id) >= 0;
        action->setCheckable(checkable);
        const int id = b.id;
        connect(action, &QAction::triggered, this, [this, id] {
            if (id == ID_INDICATOR_MENU) {
                QWidget* button = m_pToolBar->widgetForAction(m_mapToolActions[id]);
                PopupMenu(Menu(147), button->mapToGlobal(QPoint(0, button->height())));
                return;
            }
            m_logic.OnCommand(id);
            UpdateToolBar();
        });
        m_mapToolActions[b.id] = action;
    }
    for (QWidget* w : m_pToolBar->findChildren<QWidget*>()) w->setFocusPolicy(Qt::NoFocus);
    m_pToolBar->setGeometry(QRect(QPoint(0, 0), m_pToolBar->sizeHint()));
}

void CTarvelloDlg::CreateMenus() {
    struct Item {
        int id;
        const char* text;
    };
    auto make = [this](int resource, const char* title, std::initializer_list<Item> items) {
        auto* menu = new QMenu(QString::fromUtf8(title), this);
        menu->setObjectName(QStringLiteral("menu%1").arg(resource));
        for (const Item& item : items) {
            QAction* action = menu->addAction(QString::fromUtf8(item.text));
            action->setObjectName(QStringLiteral("cmd%1").arg(item.id));
            const int id = item.id;
            connect(action, &QAction::triggered, this, [this, id] {
                m_logic.OnCommand(id);
                UpdateToolBar();
            });
        }
        m_mapMenus[resource] = menu;
    };
    make(140, "LINE",
         {{ID_LINE_DELETE, "删除所有线条"}, {ID_LINE_PROPERTY, "当前线条属性"},
          {ID_LINE_DELETE_ALL, "删除所有线条"}});
    make(147, "指标",
         {{ID_ADD_MA, "Moving Average"}, {ID_ADD_KDJ, "KDJ"}, {ID_ADD_MACD, "MACD"},
          {ID_ADD_RSI, "RSI"}, {ID_ADD_BOLLIN, "BOLLIN"}, {ID_ADD_MAX, "MAX"}, {ID_ADD_MIN, "MIN"}});
    make(148, "技术指标",
         {{ID_INDICATOR_DELETE, "删除当前指标"}, {ID_INDICATOR_PROPERTY, "当前指标属性"},
          {ID_INDICATOR_DELETE_ALL, "删除所有指标"}});
    make(150, "指标线条",
         {{ID_INDICATOR_DELETE_ALL, "删除所有指标"}, {ID_LINE_DELETE_ALL, "删除所有线条"},
          {ID_DELETE_ALL_INDICATORS_AND_LINES, "删除所有指标线条"}});
}

QMenu* CTarvelloDlg::Menu(int resource) const {
    auto it = m_mapMenus.find(resource);
    return it == m_mapMenus.end() ? nullptr : it->second;
}

void CTarvelloDlg::PopupMenu(QMenu* menu, const QPoint& globalPos) { menu->exec(globalPos); }

bool CTarvelloDlg::IsBalanceCurveVisible() const {
    return m_pBalanceCurvDlg && m_pBalanceCurvDlg->isVisible();
}

void CTarvelloDlg::ShowBalanceCurve(bool show) {
    if (!m_pBalanceCurvDlg) return;
    if (show) {
        // The first time, over the right part of the chart rather than
        // wherever the window system puts a new window.
        if (!m_pBalanceCurvDlg->property("placed").toBool()) {
            const Rect& chart = m_logic.m_rcChart;
            const QPoint at(std::max(0, chart.right - m_pBalanceCurvDlg->width() - 10),
                            chart.top + 10);
            m_pBalanceCurvDlg->move(mapToGlobal(at));
            m_pBalanceCurvDlg->setProperty("placed", true);
        }
        m_pBalanceCurvDlg->show();
        m_pBalanceCurvDlg->showNormal();
        m_pBalanceCurvDlg->raise();
    } else {
        m_pBalanceCurvDlg->hide();
    }
    // The main window keeps the keys.
    activateWindow();
    setFocus();
}

void CTarvelloDlg::UpdateToolBar() {
    for (const auto& [id, action] : m_mapToolActions) {
        const CTarvelloWindow::CommandState state = m_logic.GetCommandState(id);
        action->setEnabled(state.enabled);
        if (action->isCheckable()) action->setChecked(state.checked);
    }
}

void CTarvelloDlg::MirrorOrderList() {
    const QSignalBlocker blocker(m_pListOrder);
    const auto& rows = m_logic.m_listOrder.Rows();
    if (m_pListOrder->count() != static_cast<int>(rows.size())) {
        m_pListOrder->clear();
        for (const auto& row : rows) m_pListOrder->addItem(ToQString(row));
    } else {
        for (int i = 0; i < m_pListOrder->count(); ++i) {
            const QString text = ToQString(rows[i]);
            if (m_pListOrder->item(i)->text() != text) m_pListOrder->item(i)->setText(text);
        }
    }
    m_pListOrder->setCurrentRow(m_logic.m_listOrder.GetCurSel());
}

bool CTarvelloDlg::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return QDialog::eventFilter(watched, event);
    // Only keys meant for this window, whichever of its controls has the focus;
    // a modal box in front of it keeps its keys.
    auto* widget = qobject_cast<QWidget*>(watched);
    QWidget* modal = QApplication::activeModalWidget();
    // The balance-curve window takes the focus when it is dragged; the keys
    // act from there too.
    const bool ours = widget && (widget->window() == this ||
                                 (m_pBalanceCurvDlg && widget->window() == m_pBalanceCurvDlg));
    if (!ours || (modal && modal != this)) return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    // Letters by their key, with or without Shift.
    void (CTarvelloWindow::*action)() = nullptr;
    switch (key->key()) {
        case Qt::Key_Space: action = &CTarvelloWindow::OnNextBar; break;
        case Qt::Key_B: action = &CTarvelloWindow::OnBuy; break;
        case Qt::Key_S: action = &CTarvelloWindow::OnSell; break;
        case Qt::Key_C: action = &CTarvelloWindow::OnCloseOrder; break;
        case Qt::Key_Z: action = &CTarvelloWindow::OnBalanceCurve; break;
        case Qt::Key_Delete: action = &CTarvelloWindow::OnDeleteKey; break;
        default: return QDialog::eventFilter(watched, event);
    }
    const Qt::KeyboardModifiers mods = key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (mods != Qt::NoModifier) return QDialog::eventFilter(watched, event);
    // The press acts once; its release and the shortcut check are swallowed so
    // that a focused button is not clicked and no combo is typed into.
    if (type == QEvent::KeyPress) (m_logic.*action)();
    return true;
}

void CTarvelloDlg::InitDialog() {
    m_logic.OnInitDialog();
    // Created hidden, owned by this window for the whole run.
    m_pBalanceCurvDlg = new CBalanceCurvDlg(m_logic.m_balanceCurve, this);
    m_pBalanceCurvDlg->hide();
    LoadBackground();
    m_logic.LayoutControls(width(), height());
}

void CTarvelloDlg::LoadBackground() {
    m_imgBackground = QImage(kBackgroundSize, kBackgroundSize, QImage::Format_RGB32);
    m_imgBackground.fill(QtCanvas::ToQColor(W::kDialogColor));
    QImage picture;
    if (picture.load(QFile::decodeName(m_logic.m_strBackgroundFile.c_str()))) {
        QPainter p(&m_imgBackground);
        p.drawImage(QPoint(0, 0), picture);
    }
    m_imgScaledBackground = QImage();
}

void CTarvelloDlg::MirrorCombo(QComboBox* combo, const CComboModel& model) {
    const QSignalBlocker blocker(combo);
    QStringList items;
    for (const std::string& item : model.Items()) items.append(ToQString(item));
    QStringList shown;
    for (int i = 0; i < combo->count(); ++i) shown.append(combo->itemText(i));
    if (shown != items) {
        combo->clear();
        combo->addItems(items);
    }
    combo->setCurrentIndex(model.GetCurSel());
    const QString edit = ToQString(model.GetEditText());
    if (combo->currentText() != edit) combo->setEditText(edit);
}

void CTarvelloDlg::PlaceLists() {
    auto place = [](QWidget* widget, const Rect& r) {
        widget->setGeometry(r.left, r.top, std::max(0, r.Width()), std::max(0, r.Height()));
    };
    place(m_pListOrder, m_logic.m_rcOrderList);
    place(m_pListAdvertisement, m_logic.m_rcAdList);
}

void CTarvelloDlg::PostToUi(std::function<void()> call) {
    // Thread-safe; calls still queued when the dialog goes die with it.
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

void CTarvelloDlg::StateChanged(unsigned changes) {
    if (changes & kCurrencyList) MirrorCombo(m_pComboCurrency, m_logic.m_comboCurrency);
    if (changes & kLots) MirrorCombo(m_pComboLots, m_logic.m_comboLots);
    if (changes & kStatistics)
        for (const auto& [id, box] : m_mapStatBoxes)
            box->setText(ToQString(m_logic.GetStatText(id)));
    if (changes & kCaption) setWindowTitle(ToQString(m_logic.m_strCaption));
    if (changes & kLayout) PlaceLists();
    if (changes & kLayout) {
        // The read-out ends where the desk strip begins.
        const int deskLeft = m_pDeskBar ? m_pDeskBar->Place() : width();
        if (m_pTrainerBar) m_pTrainerBar->Place(width(), deskLeft - 4);
    }
    if ((changes & (kTrainer | kToolbar | kChart)) && m_pTrainerBar) m_pTrainerBar->Update();
    if ((changes & (kDesk | kOrderList | kStatistics)) && m_pDeskBar) m_pDeskBar->Update();
    if (changes & kOrderList) MirrorOrderList();
    if (changes & kToolbar) UpdateToolBar();
    if ((changes & kBalanceCurve) && m_pBalanceCurvDlg) m_pBalanceCurvDlg->update();
    if (changes & kChart) {
        const Rect& r = m_logic.m_rcChart;
        update(r.left, r.top, r.Width(), r.Height());
    }
    // The progress line may also have been taken away: repaint what it covered.
    if (changes & kProgress) update();
}

void CTarvelloDlg::EndDialog(int result) {
    QDialog::done(result);
}

void CTarvelloDlg::accept() {
    m_logic.OnOK();
}

void CTarvelloDlg::reject() {
    m_logic.OnCancel();
}

void CTarvelloDlg::closeEvent(QCloseEvent* event) {
    if (isVisible()) m_logic.OnCancel();
    if (isVisible())
        event->ignore();
    else
        event->accept();
}

void CTarvelloDlg::contextMenuEvent(QContextMenuEvent* event) {
    // Sent on the right press. On the chart the logic picks the line, indicator
    // or general menu; the background keeps the about item, which stands in
    // for the system menu.
    const Rect& chart = m_logic.m_rcChart;
    const QPoint pos = event->pos();
    if (pos.x() >= chart.left && pos.x() < chart.right && pos.y() >= chart.top &&
        pos.y() < chart.bottom) {
        m_logic.OnRButtonDown(pos.x(), pos.y());
        return;
    }
    QMenu menu(this);
    menu.addAction(m_pActionAbout);
    menu.exec(event->globalPos());
}

void CTarvelloDlg::SetPlayTimer(int intervalMs) {
    m_pTrainerBar->SetPlayTimer(intervalMs);
}

void CTarvelloDlg::ShowPopupMenu(int resource, int x, int y) {
    if (QMenu* menu = Menu(resource)) PopupMenu(menu, mapToGlobal(QPoint(x, y)));
}

void CTarvelloDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    m_logic.LayoutControls(width(), height());
    update();
}

void CTarvelloDlg::paintEvent(QPaintEvent* /*event*/) {
    if (m_imgBackground.isNull()) LoadBackground();
    // Stretched by plain pixel copy, like a block stretch without smoothing.
    if (m_imgScaledBackground.size() != size())
        m_imgScaledBackground =
            m_imgBackground.scaled(size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    QtCanvas canvas(this);
    canvas.Painter().drawImage(QPoint(0, 0), m_imgScaledBackground);
    m_logic.PaintChart(canvas);
    m_logic.PaintProgress(canvas);
}
