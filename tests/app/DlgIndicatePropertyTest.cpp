#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "OffscreenTestMain.h"
#include "app/DlgIndicateProperty.h"
#include "app/MyButton.h"
#include "app/TarvelloDlg.h"
#include "data/PeriodConverter.h"
#include "data/SampleHistory.h"

namespace {

template <class T>
T* Control(QWidget* dlg, int id) {
    return dlg->findChild<T*>(QStringLiteral("id%1").arg(id));
}

QString Caption(QWidget* dlg, int id) { return Control<QLabel>(dlg, id)->text(); }

QStringList Items(QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items.append(combo->itemText(i));
    return items;
}

// Answers the next modal dialog once it is up.
void WhenModal(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [act] {
        QWidget* modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        act(modal);
    });
}

}  // namespace

class DlgIndicatePropertyTest : public QObject {
    Q_OBJECT

private slots:
    void RowsCaptionsAndSizePerKind_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QList<int>>("visible");  // rows shown
        QTest::addColumn<QStringList>("captions");  // of the shown rows' first labels
        QTest::addColumn<QSize>("size");
        QTest::newRow("MA") << 0 << QList<int>{0, 5, 6, 7}
                            << QStringList{"Period", "ApplyTo", "MA Method", "Line Color"}
                            << QSize(440, 260);
        QTest::newRow("KDJ") << 1 << QList<int>{0, 1, 2, 7, 8, 9}
                             << QStringList{"RSV Period", "K Period", "D Period", "K Color",
                                            "D Color", "J Color"}
                             << QSize(640, 220);
        QTest::newRow("RSI") << 2 << QList<int>{0, 1, 2, 3, 5, 7, 8}
                             << QStringList{"Period", "Level1", "Level2", "Level3", "ApplyTo",
                                            "Line Color", "Level Color"}
                             << QSize(580, 260);
        QTest::newRow("MACD") << 3 << QList<int>{0, 1, 2, 5, 6, 7, 8, 9}
                              << QStringList{"Fast EMA", "Slow EMA", "MACD SMA", "ApplyTo",
                                             "DISPLAY", "DIF Color", "DEA Color", "MACD Color"}
                              << QSize(640, 260);
        QTest::newRow("BOLLIN") << 4 << QList<int>{0, 1, 5, 7}
                                << QStringList{"Period", "偏差", "ApplyTo", "Line Color"}
                                << QSize(440, 260);
        QTest::newRow("MAX") << 5 << QList<int>{0, 5, 7}
                             << QStringList{"Period", "ApplyTo", "Line Color"} << QSize(440, 220);
        QTest::newRow("MIN") << 6 << QList<int>{0, 5, 7}
                             << QStringList{"Period", "ApplyTo", "Line Color"} << QSize(440, 220);
    }
    void RowsCaptionsAndSizePerKind() {
        QFETCH(int, type);
        QFETCH(QList<int>, visible);
        QFETCH(QStringList, captions);
        QFETCH(QSize, size);
        QWidget owner;
        CDlgIndicateProperty dlg(&owner);
        CIndicatePropertyData data;
        data.Preset(type);
        dlg.OnInitDialog(data);
        dlg.show();
        QStringList shown;
        for (int row = 0; row < 10; ++row) {
            const auto& r = dlg.Row(row);
            const bool on = visible.contains(row);
            for (QLabel* label : r.labels) QCOMPARE(label->isVisible(), on);
            for (QWidget* control : r.controls) QCOMPARE(control->isVisible(), on);
            if (on) {
                shown.append(r.labels[0]->text());
                // The label ends where its text ends; the control follows 2 pixels on.
                const QFontMetrics metrics(QGuiApplication::font());
                QCOMPARE(r.labels[0]->width(), metrics.horizontalAdvance(r.labels[0]->text()));
                QCOMPARE(r.controls[0]->x(), r.labels[0]->x() + r.labels[0]->width() + 2);
            }
        }
        QCOMPARE(shown, captions);
        QCOMPARE(dlg.size(), size);
        QCOMPARE(dlg.windowTitle(), QString("指标属性"));
        QCOMPARE(Control<QPushButton>(&dlg, 1)->geometry(),
                 QRect(size.width() / 2 - 100, size.height() - 30, 80, 20));
        QCOMPARE(Control<QPushButton>(&dlg, 2)->geometry(),
                 QRect(size.width() / 2 + 20, size.height() - 30, 80, 20));
        // The lists' items; the method list only for MA and MACD.
        QCOMPARE(Items(Control<QComboBox>(&dlg, 1051)),
                 (QStringList{"实线", "虚线", "点线", "虚点线", "虚双点线", "无线"}));
        QCOMPARE(Items(Control<QComboBox>(&dlg, 1058)),
                 (QStringList{"0", "1", "2", "3", "4", "5"}));
        QCOMPARE(Items(Control<QComboBox>(&dlg, 1040)),
                 (QStringList{"Close", "Open", "High", "Low", "HL/2", "HL/3", "HL/4"}));
        const QStringList methods =
            type == 0   ? QStringList{"Simple Moving Average(SMA)", "Exponential Moving Average(EMA)"}
            : type == 3 ? QStringList{"DISPLAY 1", "DISPLAY 2"}
                        : QStringList{};
        QCOMPARE(Items(Control<QComboBox>(&dlg, 1072)), methods);
        // OK reads everything back; an empty method list gives -1.
        dlg.OnOK();
        QCOMPARE(dlg.Data().m_nOption, methods.isEmpty() ? -1 : 0);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }

    void RsiLevelsSideBySideBelowThePeriod() {
        QWidget owner;
        CDlgIndicateProperty dlg(&owner);
        CIndicatePropertyData data;
        data.Preset(2);
        dlg.OnInitDialog(data);
        auto* period = Control<QLineEdit>(&dlg, 1046);
        auto* l1 = Control<QLineEdit>(&dlg, 1047);
        auto* l2 = Control<QLineEdit>(&dlg, 1048);
        auto* l3 = Control<QLineEdit>(&dlg, 1049);
        QCOMPARE(Caption(&dlg, 1042), QString("Level1"));
        QCOMPARE(period->y(), 20);
        QCOMPARE(l1->y(), 60);
        QCOMPARE(l2->y(), 60);
        QCOMPARE(l3->y(), 60);
        QVERIFY(l1->x() < l2->x() && l2->x() < l3->x());
        QCOMPARE(Control<QLabel>(&dlg, 1043)->x(), 20 + 130);
        QCOMPARE(l3->x() + l3->width(), 20 + 260 + 120);
        QCOMPARE(period->text(), QString("12"));
        QCOMPARE(l3->text(), QString("70"));
        // A line row stacks colour, style and width downwards.
        auto* color = Control<CMyButton>(&dlg, 1053);
        auto* style = Control<QComboBox>(&dlg, 1051);
        auto* width = Control<QComboBox>(&dlg, 1052);
        QCOMPARE(color->y(), 100);
        QVERIFY(style->y() >= color->y() + color->height());
        QVERIFY(width->y() >= style->y() + style->height());
        QCOMPARE(color->GetColor(), RGB(255, 255, 0));
        QCOMPARE(Control<CMyButton>(&dlg, 1056)->GetColor(), RGB(128, 128, 128));
        QCOMPARE(Control<QComboBox>(&dlg, 1054)->currentIndex(), 2);  // levels dotted
    }

    void TypedTextsAndColoursOnlyOnOk() {
        QWidget owner;
        CDlgIndicateProperty dlg(&owner);
        CIndicatePropertyData data;
        data.Preset(0);
        // The colour dialog: first Cancel, then blue.
        std::vector<std::optional<Color>> answers = {std::nullopt, RGB(0, 0, 255)};
        std::vector<Color> asked;  // the colour each dialog opened with
        dlg.m_chooseColor = [&](Color initial) {
            asked.push_back(initial);
            auto answer = answers.front();
            answers.erase(answers.begin());
            return answer;
        };
        auto* button = Control<CMyButton>(&dlg, 1053);
        // Cancel in the property dialog after a colour and a text: nothing changes.
        WhenModal([&](QWidget* modal) {
            QTest::mouseClick(Control<QPushButton>(modal, 1053), Qt::LeftButton);
            QCOMPARE(button->GetColor(), RGB(255, 255, 0));  // colour dialog cancelled
            QTest::mouseClick(Control<QPushButton>(modal, 1053), Qt::LeftButton);
            QCOMPARE(button->GetColor(), RGB(0, 0, 255));
            Control<QLineEdit>(modal, 1046)->setText("abc");
            QTest::mouseClick(Control<QPushButton>(modal, 2), Qt::LeftButton);
        });
        CIndicatePropertyData before = data;
        QVERIFY(!dlg.DoModal(data));
        QCOMPARE(asked, (std::vector<Color>{RGB(255, 255, 0), RGB(255, 255, 0)}));
        QCOMPARE(data.m_clrLine[0], before.m_clrLine[0]);
        QCOMPARE(data.m_strPar[0], std::string("12"));
        // OK keeps what was typed and chosen; "abc" stays a text, read as 0.
        dlg.m_chooseColor = [](Color) { return std::optional<Color>(RGB(0, 200, 0)); };
        WhenModal([&](QWidget* modal) {
            QTest::mouseClick(Control<QPushButton>(modal, 1053), Qt::LeftButton);
            Control<QLineEdit>(modal, 1046)->setText("abc");
            Control<QComboBox>(modal, 1072)->setCurrentIndex(1);
            Control<QComboBox>(modal, 1051)->setCurrentIndex(4);
            Control<QComboBox>(modal, 1052)->setCurrentIndex(3);
            QTest::mouseClick(Control<QPushButton>(modal, 1), Qt::LeftButton);
        });
        QVERIFY(dlg.DoModal(data));
        QCOMPARE(data.m_clrLine[0], RGB(0, 200, 0));
        QCOMPARE(data.m_strPar[0], std::string("abc"));
        QCOMPARE(data.m_nOption, 1);
        QCOMPARE(data.m_nStyle[0], 4);
        QCOMPARE(data.m_nWidth[0], 3);
        const CIndicate built = data.Build();
        QCOMPARE(built.m_arrParam, std::vector<int>{0});
        QCOMPARE(built.m_arrOption, std::vector<int>{1});
    }

    // The toolbar's menu, "Moving Average", the dialog: period 30, EMA and a
    // colour give that line; a double click on it opens its properties.
    void AddThenEditFromTheWindow() {
        QTemporaryDir dir;
        const std::string folder = QFile::encodeName(dir.path() + "/").toStdString();
        SampleOptions sample;
        sample.bars = 3000;
        std::string error;
        QVERIFY(WriteSampleHistory(folder + "s.hst", sample, &error));
        QDir(dir.path()).mkpath("history");
        QCOMPARE(int(BuildPeriodFiles(folder + "s.hst", folder + "history/", nullptr).status),
                 int(ImportResult::Status::kOk));
        CTarvelloDlg dlg(folder);
        dlg.InitDialog();
        dlg.show();
        CTarvelloWindow& logic = dlg.Logic();
        logic.OnCommand(ID_PERIOD_M1);
        for (int i = 0; i < 200; ++i) logic.OnNextBar();
        dlg.IndicatePropertyDialog()->m_chooseColor = [](Color) {
            return std::optional<Color>(RGB(0, 128, 255));
        };
        WhenModal([](QWidget* modal) {
            QCOMPARE(modal->windowTitle(), QString("指标属性"));
            Control<QLineEdit>(modal, 1046)->setText("30");
            Control<QComboBox>(modal, 1072)->setCurrentIndex(1);
            QTest::mouseClick(Control<QPushButton>(modal, 1053), Qt::LeftButton);
            QTest::mouseClick(Control<QPushButton>(modal, 1), Qt::LeftButton);
        });
        QVERIFY(logic.OnCommand(ID_ADD_MA));
        QCOMPARE(logic.m_kbar.GetIndicateCount(), 1);
        const CIndicate& ma = logic.m_kbar.GetIndicate(0);
        QCOMPARE(ma.m_arrParam, std::vector<int>{30});
        QCOMPARE(ma.m_arrOption, std::vector<int>{1});
        QCOMPARE(ma.m_arrColor, std::vector<Color>{RGB(0, 128, 255)});
        QVERIFY(!ma.m_arrLine[0].empty());
        // Double click on a point of the line: the dialog shows its values.
        const BarPoint last = ma.m_arrLine[0].back();
        const Point p = logic.m_kbar.BarPointToPoint(last);
        const int x = p.x + logic.m_ptChartOrigin.x, y = p.y + logic.m_ptChartOrigin.y;
        QString shownPeriod;
        WhenModal([&](QWidget* modal) {
            shownPeriod = Control<QLineEdit>(modal, 1046)->text();
            QTest::mouseClick(Control<QPushButton>(modal, 2), Qt::LeftButton);
        });
        logic.OnLButtonDblClk(x, y);
        QCOMPARE(shownPeriod, QString("30"));
        QCOMPARE(logic.m_nCurIndicator, 0);
    }
};

TARVELLO_OFFSCREEN_TEST_MAIN(DlgIndicatePropertyTest)
#include "DlgIndicatePropertyTest.moc"
