#include "app/ListAdvertisementView.h"

#include <QDesktopServices>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QUrl>

#include "app/QtCanvas.h"
#include "net/ListAdvertisement.h"

namespace {

// Paints a row as the list's DrawItem does: into an image of the row's
// size that starts in the list's background, then onto the list.
class CItemDelegate : public QStyledItemDelegate {
public:
    CItemDelegate(const CListAdvertisement& list, QObject* parent)
        : QStyledItemDelegate(parent), m_list(list) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return QSize(option.rect.width(), CListAdvertisement::kItemHeight);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QRect r = option.rect;
        if (r.width() <= 0 || r.height() <= 0) return;
        QtCanvas row(r.width(), r.height());
        const Rect rc{0, 0, r.width(), r.height()};
        row.FillSolidRect(rc, m_list.m_brushBack);
        const QColor caption = option.palette.color(QPalette::Active, QPalette::Highlight);
        m_list.DrawItem(row, index.row(), rc, CListAdvertisement::kDrawEntire,
                        (option.state & QStyle::State_Selected) != 0,
                        RGB(caption.red(), caption.green(), caption.blue()));
        painter->drawImage(r.topLeft(), *row.Image());
    }

private:
    const CListAdvertisement& m_list;
};

}  // namespace

CListAdvertisementView::CListAdvertisementView(CListAdvertisement& list, QWidget* parent)
    : QListWidget(parent), m_list(list) {
    setItemDelegate(new CItemDelegate(m_list, this));
    setUniformItemSizes(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setContextMenuPolicy(Qt::PreventContextMenu);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, QtCanvas::ToQColor(m_list.m_brushBack));
    setPalette(pal);
    m_list.m_fnRowsChanged = [this] { Mirror(); };
    m_list.m_fnOpenUrl = [](const std::string& link) {
        QDesktopServices::openUrl(QUrl(QString::fromStdString(link), QUrl::StrictMode));
    };
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) m_list.OnSelchange(row);
    });
}

void CListAdvertisementView::Mirror() {
    const QSignalBlocker blocker(this);
    clear();
    for (const std::string& title : m_list.m_arrTitle) addItem(QString::fromStdString(title));
}
