#include <QAbstractItemView>
#include <QColorDialog>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTranslator>
#include <memory>

#include "OffscreenTestMain.h"
#include "app/BalanceCurvDlg.h"
#include "app/DlgHelp.h"
#include "app/ImportFileDialog.h"
#include "app/MyButton.h"
#include "app/TarvelloApp.h"
#include "app/TarvelloDlg.h"
#include "data/BarRecord.h"
#include "data/HistoryHeader.h"
#include "data/PeriodConverter.h"
#include "data/SampleHistory.h"

namespace {

const char* const kPeriodNames[] = {"M1", "M5", "M15", "M30", "H1", "H4", "D1", "W1", "MN"};

// The dialog with its modal boxes answered in code, and a record of how it
// was ended.
class TestDlg : public CTarvelloDlg {
public:
    using CTarvelloDlg::CTarvelloDlg;

    QStringList m_messages;
    QStringList m_waitBoxes;  // shown for real; each must close by itself
    int m_nWaitBoxesClosed = 0;
    QString m_strFileToOpen;  // "" cancels the file dialog
    QStringList m_filters;
    QString m_strSuffix;
    int m_nAboutBoxes = 0;
    int m_nEndResult = -1;  // as passed to EndDialog by the logic

    void EndDialog(int result) override {
        m_nEndResult = result;
        CTarvelloDlg::EndDialog(result);
    }

protected:
    void ShowMessageBox(const QString& text) override {
        // A box that would stand beside a wait box still shown is marked.
        bool waitShown = false;
        for (QWidget* w : QApplication::topLevelWidgets())
            waitShown = waitShown || (qobject_cast<QMessageBox*>(w) && w->isVisible());
        m_messages.append(waitShown ? text + " [beside the wait box]" : text);
    }
    void ShowWaitMessageBox(const QString& text) override {
        m_waitBoxes.append(text);
        CTarvelloDlg::ShowWaitMessageBox(text);
        ++m_nWaitBoxesClosed;
    }
    QString GetOpenFileName(const QStringList& filters, const QString& suffix) override {
        m_filters = filters;
        m_strSuffix = suffix;
        return m_strFileToOpen;
    }
    void ShowAboutBox() override { ++m_nAboutBoxes; }
    void ShowHelpDialog() override { ++m_nHelpOpenings; }

public:
    int m_nHelpOpenings = 0;
};

// A temporary program folder with an optional history.
struct ProgramFolder {
    QTemporaryDir dir;

    std::string Path() const { return QFile::encodeName(dir.path() + "/").toStdString(); }

    // A sample EURUSD of `bars` one-minute bars, imported.
    bool ImportSample(std::uint64_t bars) const {
        SampleOptions sample;
        sample.bars = bars;
        std::string error;
        const std::string src = Path() + "s.hst";
        if (!WriteSampleHistory(src, sample, &error)) return false;
        QDir(dir.path()).mkpath("history");
        return BuildPeriodFiles(src, Path() + "history/", nullptr).status ==
               ImportResult::Status::kOk;
    }

    // A symbol folder holding the first `files` of its nine period files.
    void AddSymbol(const QString& symbol, int files) {
        QDir history(dir.path());
        history.mkpath("history/" + symbol);
        for (int i = 0; i < files; ++i) {
            QFile f(dir.path() + "/history/" + symbol + "/" + symbol + kPeriodNames[i] + ".hst");
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
    }
};

std::unique_ptr<TestDlg> StartDialog(const ProgramFolder& folder) {
    auto dlg = std::make_unique<TestDlg>(folder.Path());
    dlg->InitDialog();
    return dlg;
}

template <typename T>
T* Child(QWidget& dlg, const QString& name) {
    T* widget = dlg.findChild<T*>(name);
    if (widget == nullptr) qWarning() << "no widget" << name;
    return widget;
}

QStringList Items(const QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items.append(combo->itemText(i));
    return items;
}

bool Near(QColor a, QColor b) {
    return qAbs(a.red() - b.red()) <= 8 && qAbs(a.green() - b.green()) <= 8 &&
           qAbs(a.blue() - b.blue()) <= 8;
}

// Share of the pixels of `rect` that are close to `color`.
double Share(const QImage& image, const QRect& area, QColor color) {
    const QRect rect = area & image.rect();
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) n += Near(image.pixelColor(x, y), color);
    return double(n) / (rect.width() * rect.height());
}

const QColor kDialogColor(128, 184, 223);

}  // namespace

class TestTarvelloDlg : public QObject {
    Q_OBJECT

private slots:
    void startState_data();
    void startState();
    void controlsAtTemplatePlaces_data();
    void controlsAtTemplatePlaces();
    void layoutFollowsClientSize_data();
    void layoutFollowsClientSize();
    void backgroundAndControlColours_data();
    void backgroundAndControlColours();
    void progressLineBlackOnWhite();
    void comboEditsReachTheLogic();
    void closing_data();
    void closing();
    void importThroughTheDialog();
    void waitBoxClosesWhenTheImportEnds();
    void importDialogTakesNamesAsTyped();
    void qtDialogsSpeakChinese();
    void aboutFromBackgroundMenuOnly();
    void spaceStepsOnceAndClicksNothing();
    void toolbarButtonsAndStates();
    void tradingKeysActWhereverTheFocusIs();
    void tradingKeysActFromTheCurveWindow();
    void helpDialogShowsItsTextOnce();
    void colourButtonShowsItsColour();
    void mouseDrawsSelectsAndDeletesLines();
};

void TestTarvelloDlg::startState_data() {
    QTest::addColumn<QStringList>("symbols");  // "NAME:files" folders in the history
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("empty history") << QStringList{} << QStringList{};
    QTest::newRow("one symbol") << QStringList{"EURUSD:9"} << QStringList{"EURUSD"};
    QTest::newRow("incomplete folder skipped, first complete selected")
        << QStringList{"AUDUSD:3", "EURUSD:9", "GBPUSD:9"} << QStringList{"EURUSD", "GBPUSD"};
}

void TestTarvelloDlg::startState() {
    QFETCH(QStringList, symbols);
    QFETCH(QStringList, listed);
    ProgramFolder folder;
    for (const QString& s : symbols)
        folder.AddSymbol(s.section(':', 0, 0), s.section(':', 1).toInt());
    auto dlg = StartDialog(folder);

    QCOMPARE(dlg->windowTitle(), QString("Tarvello_V6.0"));
    auto* lots = Child<QComboBox>(*dlg, "id1015");
    QStringList expectedLots{"0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9",
                             "1",   "2",   "3",   "4",   "5",   "6",   "7",   "8",   "9",
                             "10",  "20",  "30",  "40",  "50",  "60",  "70",  "80",  "90"};
    QCOMPARE(Items(lots), expectedLots);
    QCOMPARE(lots->currentIndex(), 0);
    QCOMPARE(lots->currentText(), QString("0.1"));

    const std::pair<const char*, const char*> stats[] = {{"id1017", "10000"}, {"id1019", "0"},
                                                         {"id1018", "0"},     {"id1020", "0"},
                                                         {"id1021", "0"},     {"id1022", "0"}};
    for (const auto& [name, text] : stats) {
        auto* box = Child<QLineEdit>(*dlg, name);
        QCOMPARE(box->text(), QString(text));
        QVERIFY(box->isReadOnly());
    }

    auto* currency = Child<QComboBox>(*dlg, "id1004");
    QCOMPARE(Items(currency), listed);
    QCOMPARE(currency->currentText(), listed.value(0));
    QCOMPARE(QString::fromStdString(dlg->Logic().GetSelectedSymbol()), listed.value(0));
    QVERIFY(dlg->m_messages.isEmpty());
}

void TestTarvelloDlg::controlsAtTemplatePlaces_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("place");  // height -1: the widget's own
    QTest::newRow("确定") << "id1"
                          << "确定" << QRect(853, 21, 75, 21);
    QTest::newRow("帮助") << "id57670"
                          << "帮助(&H)" << QRect(853, 66, 75, 21);
    QTest::newRow("载入历史数据") << "id1003"
                                  << "载入历史数据" << QRect(21, 61, 84, 21);
    QTest::newRow("下根K线") << "id1008"
                             << "下根K线" << QRect(127, 63, 75, 21);
    QTest::newRow("资金曲线") << "id1024"
                              << "资金曲线" << QRect(775, 36, 70, 25);
    QTest::newRow("currency combo") << "id1004"
                                    << "" << QRect(43, 37, 72, -1);
    QTest::newRow("lot combo") << "id1015"
                               << "0.1" << QRect(243, 64, 72, -1);
    QTest::newRow("总金额 box") << "id1017"
                                << "10000" << QRect(453, 37, 60, 21);
    QTest::newRow("亏损单数量 box") << "id1022"
                                    << "0" << QRect(718, 66, 51, 21);
    QTest::newRow("货币 label") << "label_货币"
                                << "货币" << QRect(10, 40, -1, -1);
    QTest::newRow("亏损单数量 label") << "label_亏损单数量"
                                      << "亏损单数量" << QRect(649, 70, -1, -1);
}

void TestTarvelloDlg::controlsAtTemplatePlaces() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QRect, place);
    ProgramFolder folder;
    auto dlg = StartDialog(folder);
    QCOMPARE(dlg->size(), QSize(939, 766));
    auto* widget = Child<QWidget>(*dlg, name);
    QVERIFY(widget);
    QCOMPARE(widget->pos(), place.topLeft());
    if (place.width() >= 0) QCOMPARE(widget->width(), place.width());
    if (place.height() >= 0) QCOMPARE(widget->height(), place.height());
    QString shown;
    if (auto* b = qobject_cast<QPushButton*>(widget)) shown = b->text();
    if (auto* l = qobject_cast<QLabel*>(widget)) shown = l->text();
    if (auto* e = qobject_cast<QLineEdit*>(widget)) shown = e->text();
    if (auto* c = qobject_cast<QComboBox*>(widget)) shown = c->currentText();
    QCOMPARE(shown, text);
}

void TestTarvelloDlg::layoutFollowsClientSize_data() {
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QRect>("orderList");
    QTest::addColumn<QRect>("adList");
    // H = height - 110; the order list starts 5 below three quarters of H.
    QTest::newRow("1000x700") << QSize(1000, 700) << QRect(10, 547, 800, 196)
                              << QRect(815, 120, 180, 590);
    QTest::newRow("template size")
        << QSize(939, 766) << QRect(10, 597, 739, 218) << QRect(754, 120, 180, 656);
    QTest::newRow("H = 0") << QSize(400, 110) << QRect(10, 105, 200, 0) << QRect(215, 120, 180, 0);
}

void TestTarvelloDlg::layoutFollowsClientSize() {
    QFETCH(QSize, client);
    QFETCH(QRect, orderList);
    QFETCH(QRect, adList);
    ProgramFolder folder;
    auto dlg = StartDialog(folder);
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    dlg->resize(client);
    QTRY_COMPARE(dlg->size(), client);
    QCOMPARE(Child<QListWidget>(*dlg, "id1014")->geometry(), orderList);
    QCOMPARE(Child<QListWidget>(*dlg, "id1037")->geometry(), adList);
    const Rect chart = dlg->Logic().m_rcChart;
    QCOMPARE(QRect(chart.left, chart.top, chart.Width(), chart.Height()),
             QRect(10, 100, client.width() - 200, (client.height() - 110) * 3 / 4));
}

void TestTarvelloDlg::backgroundAndControlColours_data() {
    QTest::addColumn<bool>("picture");
    QTest::newRow("no picture") << false;
    QTest::newRow("200x100 red picture") << true;
}

void TestTarvelloDlg::backgroundAndControlColours() {
    QFETCH(bool, picture);
    ProgramFolder folder;
    if (picture) {
        QImage red(200, 100, QImage::Format_RGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(folder.dir.path() + "/background.JPG", "JPG"));
    }
    auto dlg = StartDialog(folder);
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    const QImage shot = dlg->grab().toImage();
    const int w = dlg->width();
    const int h = dlg->height();

    // The picture fills the top-left 200 x 100 of a 400 x 400 image that is
    // stretched over the client area: the left half and top quarter (the
    // chart covers it from (10, 100) on).
    QCOMPARE(Near(shot.pixelColor(5, 90), picture ? QColor(Qt::red) : kDialogColor), true);
    QCOMPARE(Near(shot.pixelColor(w / 2 - 3, 97), picture ? QColor(Qt::red) : kDialogColor), true);
    QCOMPARE(Near(shot.pixelColor(5, h / 4 - 3), picture ? QColor(Qt::red) : kDialogColor), true);
    QVERIFY(Near(shot.pixelColor(w / 2 + 3, 90), kDialogColor));
    QVERIFY(Near(shot.pixelColor(5, h / 4 + 3), kDialogColor));

    // Labels and statistics boxes stand on the dialog colour even over the picture.
    for (const char* name : {"label_货币", "label_总金额", "id1017", "id1019"}) {
        const QRect r = Child<QWidget>(*dlg, name)->geometry();
        QVERIFY2(Share(shot, r, kDialogColor) > 0.5, name);
    }
    // The editable combos and the lists keep their own colours.
    QVERIFY(Share(shot, Child<QWidget>(*dlg, "id1014")->geometry(), kDialogColor) < 0.1);
}

void TestTarvelloDlg::progressLineBlackOnWhite() {
    ProgramFolder folder;
    auto dlg = StartDialog(folder);
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    dlg->Logic().m_strProgress = "FileSize=44Kbyte,ReadSize=44Kbyte,100%";
    dlg->StateChanged(CWindowPort::kProgress);
    const QImage shot = dlg->grab().toImage();
    const QRect line(40, 100, 150, 12);
    QVERIFY(Share(shot, line, Qt::white) > 0.5);
    int dark = 0;
    for (int y = line.top(); y <= line.bottom(); ++y)
        for (int x = line.left(); x <= line.right(); ++x) dark += qGray(shot.pixel(x, y)) < 64;
    QVERIFY2(dark > 50, qPrintable(QString::number(dark)));
    QVERIFY(Near(shot.pixelColor(39, 105), Qt::black));  // the chart around it
    QVERIFY(Near(shot.pixelColor(45, 99), kDialogColor));

    dlg->Logic().m_strProgress.clear();
    dlg->StateChanged(CWindowPort::kProgress);
    QVERIFY(Share(dlg->grab().toImage(), line, Qt::black) > 0.8);
}

void TestTarvelloDlg::comboEditsReachTheLogic() {
    ProgramFolder folder;
    auto dlg = StartDialog(folder);
    dlg->show();
    QVERIFY(QTest::qWaitForWindowActive(dlg.get()));
    auto* lots = Child<QComboBox>(*dlg, "id1015");
    const CComboModel& model = dlg->Logic().m_comboLots;

    lots->setFocus();
    QTest::keyClick(lots, Qt::Key_Down);
    QCOMPARE(model.GetCurSel(), 1);
    QCOMPARE(model.GetEditText(), std::string("0.2"));

    lots->lineEdit()->selectAll();
    QTest::keyClicks(lots->lineEdit(), "7.5");
    QCOMPARE(model.GetEditText(), std::string("7.5"));
    QCOMPARE(model.GetCurSel(), -1);

    // Enter keeps the typed text out of the items (and presses "确定").
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(lots->count(), 27);
    QCOMPARE(model.GetCount(), 27);
}

void TestTarvelloDlg::closing_data() {
    QTest::addColumn<QString>("focus");  // widget with the focus
    QTest::addColumn<int>("key");        // 0: click the focus widget instead
    QTest::addColumn<int>("result");     // -1: the dialog stays open
    QTest::newRow("Enter in the currency combo") << "id1004" << int(Qt::Key_Return) << 1;
    QTest::newRow("Enter in a statistics box") << "id1017" << int(Qt::Key_Enter) << 1;
    QTest::newRow("Escape") << "id1015" << int(Qt::Key_Escape) << 2;
    QTest::newRow("确定") << "id1" << 0 << 1;
    QTest::newRow("取消") << "id2" << 0 << 2;
    QTest::newRow("Enter on 取消 presses it") << "id2" << int(Qt::Key_Return) << 2;
    QTest::newRow("Enter on 下根K线 presses it, not 确定") << "id1008" << int(Qt::Key_Return) << -1;
    QTest::newRow("close box") << "" << 0 << 2;
}

void TestTarvelloDlg::closing() {
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(int, result);
    ProgramFolder folder;
    auto dlg = StartDialog(folder);
    dlg->show();
    QVERIFY(QTest::qWaitForWindowActive(dlg.get()));
    if (focus.isEmpty()) {
        dlg->close();
    } else {
        auto* widget = Child<QWidget>(*dlg, focus);
        widget->setFocus();
        QTRY_VERIFY(widget->hasFocus());
        if (key != 0)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        else
            QTest::mouseClick(widget, Qt::LeftButton);
    }
    // The logic ends the dialog, after releasing its workers.
    QCOMPARE(dlg->m_nEndResult, result);
    QCOMPARE(dlg->isVisible(), result == -1);
    if (result != -1) QCOMPARE(dlg->result(), result);
}

void TestTarvelloDlg::importThroughTheDialog() {
    ProgramFolder folder;
    QTemporaryDir source;
    const QString hst = source.path() + "/GBPUSD.hst";
    {
        HistoryHeader header;
        header.SetSymbol("GBPUSD");
        header.SetPeriod(1);
        QFile f(hst);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(header.bytes.data()), HistoryHeader::kSize);
        for (int i = 0; i < 2000; ++i) {
            BarRecord bar{1'000'000 + 60 * i, 1.5, 1.4, 1.6, 1.55, 10};
            unsigned char bytes[BarRecord::kSize];
            bar.Encode(bytes);
            f.write(reinterpret_cast<const char*>(bytes), BarRecord::kSize);
        }
    }
    auto dlg = StartDialog(folder);
    dlg->show();
    auto* load = Child<QPushButton>(*dlg, "id1003");
    auto* currency = Child<QComboBox>(*dlg, "id1004");

    QTest::mouseClick(load, Qt::LeftButton);  // cancelled
    // All files, also those without an extension.
    QCOMPARE(dlg->m_filters,
             (QStringList{"外汇历史数据(*.hst)", "K线数据(*.csv *.txt)", "All Files (*)"}));
    QCOMPARE(dlg->m_strSuffix, QString("hst"));
    QVERIFY(dlg->m_messages.isEmpty());
    QVERIFY(!dlg->Logic().IsImporting());

    dlg->m_strFileToOpen = hst;
    // The wait box is modal: the click returns when the import has closed it.
    QTimer::singleShot(10000, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->reject();
    });
    QTest::mouseClick(load, Qt::LeftButton);
    QCOMPARE(dlg->m_waitBoxes, QStringList{"正载入数据,请稍等!"});
    QCOMPARE(dlg->m_nWaitBoxesClosed, 1);
    QVERIFY(dlg->m_messages.isEmpty());
    QTRY_COMPARE(Items(currency), QStringList{"GBPUSD"});
    QCOMPARE(currency->currentText(), QString("GBPUSD"));
    QVERIFY(!dlg->Logic().IsImporting());
    QVERIFY(QFile::exists(folder.dir.path() + "/history/GBPUSD/GBPUSDH4.hst"));
}

void TestTarvelloDlg::waitBoxClosesWhenTheImportEnds() {
    ProgramFolder folder;
    QTemporaryDir source;
    // A file the import refuses: its failure message follows the wait box.
    const QString bad = source.path() + "/bad.hst";
    {
        HistoryHeader header;
        header.SetSymbol("..");
        header.SetPeriod(1);
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(header.bytes.data()), HistoryHeader::kSize);
    }
    auto dlg = StartDialog(folder);
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    dlg->m_strFileToOpen = bad;
    bool timedOut = false;
    QTimer::singleShot(10000, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            timedOut = true;
            box->reject();
        }
    });
    QTest::mouseClick(Child<QPushButton>(*dlg, "id1003"), Qt::LeftButton);
    QVERIFY(!timedOut);
    QCOMPARE(dlg->m_waitBoxes, QStringList{"正载入数据,请稍等!"});
    QCOMPARE(dlg->m_nWaitBoxesClosed, 1);
    QCOMPARE(dlg->m_messages.size(), 1);
    QVERIFY2(dlg->m_messages[0].contains("\"..\"") &&
                 !dlg->m_messages[0].contains("beside the wait box"),
             qPrintable(dlg->m_messages[0]));
    QVERIFY(!dlg->Logic().IsImporting());
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY(!(qobject_cast<QMessageBox*>(w) && w->isVisible()));
}

void TestTarvelloDlg::importDialogTakesNamesAsTyped() {
    QTemporaryDir dir;
    for (const char* name : {"plain", "data.hst"}) {
        QFile f(dir.path() + "/" + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QStringList filters = CTarvelloDlg::ToQtFilters(CTarvelloWindow::kImportFilter);
    struct Case {
        const char* typed;
        const char* opened;  // "" when the dialog stays open
    } cases[] = {
        {"plain", "plain"}, {"data", "data.hst"}, {"data.hst", "data.hst"}, {"missing", ""}};
    for (const Case& c : cases) {
        CImportFileDialog dialog(nullptr, filters, "hst");
        dialog.setDirectory(dir.path());
        dialog.SetTypedName(c.typed);
        QCOMPARE(dialog.TypedName(), QString(c.typed));
        // A name that is not there: Qt says so in a box of its own; take it away.
        if (!*c.opened)
            QTimer::singleShot(100, [] {
                if (QWidget* box = QApplication::activeModalWidget()) box->close();
            });
        dialog.accept();
        if (*c.opened) {
            QVERIFY2(dialog.result() == QDialog::Accepted, c.typed);
            QCOMPARE(dialog.selectedFiles().value(0), dir.path() + "/" + c.opened);
        } else {
            QVERIFY2(dialog.result() != QDialog::Accepted, c.typed);
        }
    }
    // Under "All Files" the dialog lists a file without an extension.
    CImportFileDialog dialog(nullptr, filters, "hst");
    dialog.setDirectory(dir.path());
    dialog.selectNameFilter(filters.constLast());  // All Files
    dialog.show();
    auto* view = dialog.findChild<QAbstractItemView*>("listView");
    QVERIFY(view);
    auto listed = [&] {
        QStringList names;
        const QModelIndex root = view->rootIndex();
        for (int r = 0; r < view->model()->rowCount(root); ++r)
            names.append(view->model()->index(r, 0, root).data().toString());
        return names;
    };
    QTRY_VERIFY2(listed().contains("plain"), qPrintable(listed().join(",")));
    QVERIFY(listed().contains("data.hst"));
}

void TestTarvelloDlg::qtDialogsSpeakChinese() {
    QTranslator* translator = CTarvelloApp::InstallQtTranslations();
    QVERIFY2(translator, "Qt's Chinese translations are not installed (qt6-translations-l10n)");
    {
        CImportFileDialog dialog(nullptr, {"All Files (*)"}, "hst");
        auto* buttons = dialog.findChild<QDialogButtonBox*>();
        QVERIFY(buttons);
        const QString open = buttons->button(QDialogButtonBox::Open)
                                 ? buttons->button(QDialogButtonBox::Open)->text()
                                 : buttons->buttons().value(0)->text();
        QVERIFY2(!open.contains("Open") && open.contains("打开"), qPrintable(open));
        QColorDialog colours;
        colours.setOption(QColorDialog::DontUseNativeDialog);
        QStringList texts;
        for (QLabel* label : colours.findChildren<QLabel*>()) texts.append(label->text());
        QVERIFY2(texts.join("|").contains("基本颜色"), qPrintable(texts.join("|")));
    }
    QApplication::removeTranslator(translator);
    delete translator;
}

void TestTarvelloDlg::aboutFromBackgroundMenuOnly() {
    ProgramFolder folder;
    auto dlg = StartDialog(folder);
    dlg->show();
    QVERIFY(QTest::qWaitForWindowActive(dlg.get()));

    QStringList menuTexts;
    auto rightClick = [&](QPoint pos) {
        // A menu that opens runs its own loop; read it and choose its first item.
        QTimer::singleShot(50, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                for (QAction* a : menu->actions()) menuTexts.append(a->text());
                QTest::keyClick(menu, Qt::Key_A);
                if (menu->isVisible()) menu->close();
            }
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, dlg->mapToGlobal(pos));
        QApplication::sendEvent(dlg.get(), &event);
        QTest::qWait(100);
    };

    rightClick(QPoint(400, 300));  // in the chart area: its general menu, no about item
    QCOMPARE(menuTexts, (QStringList{"删除所有指标", "删除所有线条", "删除所有指标线条"}));
    QCOMPARE(dlg->m_nAboutBoxes, 0);
    menuTexts.clear();

    rightClick(QPoint(5, 90));  // on the background
    QCOMPARE(menuTexts, QStringList{"关于 Tarvello(&A)..."});
    QCOMPARE(dlg->m_nAboutBoxes, 1);
}

void TestTarvelloDlg::spaceStepsOnceAndClicksNothing() {
    ProgramFolder folder;
    QVERIFY(folder.ImportSample(240 * 20));
    auto dlg = StartDialog(folder);
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));

    // Focus on "重新训练": space must step the replay and must not press it.
    auto* retrain = Child<QPushButton>(*dlg, "id1023");
    int clicks = 0;
    connect(retrain, &QPushButton::clicked, [&clicks] { ++clicks; });
    retrain->setFocus();
    QTest::keyClick(retrain, Qt::Key_Space);
    QCOMPARE(dlg->Logic().m_barIndex.GetIndex(), 0);
    QCOMPARE(clicks, 0);
    // Also from the currency combo's edit field, which keeps its text.
    auto* combo = Child<QComboBox>(*dlg, "id1004");
    combo->lineEdit()->setFocus();
    QTest::keyClick(combo->lineEdit(), Qt::Key_Space);
    QCOMPARE(dlg->Logic().m_barIndex.GetIndex(), 1);
    QCOMPARE(combo->currentText(), QString("EURUSD"));
    // "下根K线" itself steps once per click.
    QTest::mouseClick(Child<QPushButton>(*dlg, "id1008"), Qt::LeftButton);
    QCOMPARE(dlg->Logic().m_barIndex.GetIndex(), 2);
    QCOMPARE(int(dlg->Logic().m_kbar.Bars().size()), 3);
    QVERIFY(dlg->m_messages.isEmpty());
}

void TestTarvelloDlg::toolbarButtonsAndStates() {
    ProgramFolder folder;
    auto dlg = StartDialog(folder);
    QToolBar* bar = dlg->ToolBar();
    QVERIFY(bar);
    const QList<QAction*> actions = bar->actions();
    QCOMPARE(actions.size(), 20);
    QCOMPARE(actions[0]->toolTip(), QString("1分钟"));
    QCOMPARE(actions[9]->toolTip(), QString());   // pointer
    QCOMPARE(actions[17]->toolTip(), QString());  // candlesticks
    QCOMPARE(actions[19]->toolTip(), QString("指标"));
    QVERIFY(actions[5]->isChecked());   // H4
    QVERIFY(actions[17]->isChecked());  // candlesticks
    actions[0]->trigger();              // M1
    QVERIFY(actions[0]->isChecked());
    QVERIFY(!actions[5]->isChecked());
    actions[18]->trigger();  // close line
    QCOMPARE(dlg->Logic().m_kbar.GetChartType(), 18);
    QVERIFY(actions[18]->isChecked() && !actions[17]->isChecked());
    for (int i = 0; i < 3; ++i) actions[14]->trigger();  // zoom in to level 0
    QVERIFY(!actions[14]->isEnabled());
    QVERIFY(actions[15]->isEnabled());
    QVERIFY(bar->geometry().right() < Child<QWidget>(*dlg, "id1")->geometry().left());
}

void TestTarvelloDlg::tradingKeysActWhereverTheFocusIs() {
    ProgramFolder folder;
    QVERIFY(folder.ImportSample(240 * 5));
    auto dlg = StartDialog(folder);
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    auto* combo = Child<QComboBox>(*dlg, "id1004");
    combo->lineEdit()->setFocus();
    QTest::keyClick(combo->lineEdit(), Qt::Key_Space);  // a first bar to trade at
    QTest::keyClick(combo->lineEdit(), Qt::Key_B);
    QTest::keyClick(combo->lineEdit(), Qt::Key_S, Qt::ShiftModifier);
    QCOMPARE(combo->currentText(), QString("EURUSD"));  // nothing typed
    auto* orders = Child<QListWidget>(*dlg, "id1014");
    QCOMPARE(orders->count(), 2);
    QCOMPARE(orders->currentRow(), 1);
    QVERIFY(orders->item(0)->text().contains("\tBUY \t0.1 \tEURUSD"));
    QTest::keyClick(combo->lineEdit(), Qt::Key_C);
    QCOMPARE(orders->count(), 1);
    QCOMPARE(dlg->Logic().m_kbar.m_order.GetHstOrderCount(), 1);
    QCOMPARE(Child<QLineEdit>(*dlg, "id1021")->text(), QString("1"));  // closed at 0.0: a win

    // Z shows the curve window and hides it again; the main window keeps the keys.
    QVERIFY(!dlg->BalanceCurveWindow()->isVisible());
    QTest::keyClick(combo->lineEdit(), Qt::Key_Z);
    QVERIFY(dlg->BalanceCurveWindow()->isVisible());
    QTest::keyClick(dlg.get(), Qt::Key_Z);
    QVERIFY(!dlg->BalanceCurveWindow()->isVisible());
    QTest::mouseClick(Child<QPushButton>(*dlg, "id1024"), Qt::LeftButton);
    QVERIFY(dlg->BalanceCurveWindow()->isVisible());
    // Escape in the curve window hides it and does not destroy it.
    QTest::keyClick(dlg->BalanceCurveWindow(), Qt::Key_Escape);
    QVERIFY(!dlg->BalanceCurveWindow()->isVisible());
    QVERIFY(dlg->isVisible());
    QVERIFY(dlg->m_messages.isEmpty());
}

void TestTarvelloDlg::tradingKeysActFromTheCurveWindow() {
    ProgramFolder folder;
    QVERIFY(folder.ImportSample(240 * 5));
    auto dlg = StartDialog(folder);
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    QTest::mouseClick(Child<QPushButton>(*dlg, "id1024"), Qt::LeftButton);
    QWidget* curve = dlg->BalanceCurveWindow();
    QVERIFY(curve->isVisible());
    // As after a drag: the curve window has the focus.
    curve->activateWindow();
    curve->setFocus();
    QTest::keyClick(curve, Qt::Key_Space);
    QCOMPARE(dlg->Logic().m_barIndex.GetIndex(), 0);
    QTest::keyClick(curve, Qt::Key_B);
    QTest::keyClick(curve, Qt::Key_S);
    QCOMPARE(dlg->Logic().m_kbar.m_order.GetOpenOrderCount(), 2);
    QTest::keyClick(curve, Qt::Key_C);
    QCOMPARE(dlg->Logic().m_kbar.m_order.GetHstOrderCount(), 1);
    QCOMPARE(dlg->Logic().m_balanceCurve.m_arrBalance.size(), std::size_t{2});
    QTest::keyClick(curve, Qt::Key_Delete);
    QTest::keyClick(curve, Qt::Key_Z);
    QVERIFY(!curve->isVisible());
    QVERIFY(dlg->m_messages.isEmpty());
}

void TestTarvelloDlg::helpDialogShowsItsTextOnce() {
    ProgramFolder folder;
    auto dlg = StartDialog(folder);
    auto* help = Child<QPushButton>(*dlg, "id57670");
    QTest::mouseClick(help, Qt::LeftButton);
    QTest::mouseClick(help, Qt::LeftButton);
    QCOMPARE(dlg->m_nHelpOpenings, 2);
    const QString text = dlg->HelpDialog()->Text();
    QVERIFY(text.startsWith("<软件帮助>\n本软件"));
    QCOMPARE(text.count("<软件帮助>"), 1);
    QVERIFY(text.contains("      BUY\t\t- 'B'"));
    QVERIFY(text.endsWith("    要允许本软件运行!"));
}

void TestTarvelloDlg::colourButtonShowsItsColour() {
    CMyButton button;
    button.setText("caption");
    button.resize(40, 20);
    button.SetColor(RGB(255, 0, 0));
    QImage shot = button.grab().toImage();
    QCOMPARE(shot.pixelColor(20, 10), QColor(255, 0, 0));
    QCOMPARE(shot.pixelColor(0, 0), QColor(0, 0, 0));  // the thin black border
    button.SetColor(RGB(0, 0, 255));
    shot = button.grab().toImage();
    QCOMPARE(shot.pixelColor(20, 10), QColor(0, 0, 255));
    QCOMPARE(button.GetColor(), RGB(0, 0, 255));
}

void TestTarvelloDlg::mouseDrawsSelectsAndDeletesLines() {
    ProgramFolder folder;
    QVERIFY(folder.ImportSample(240 * 150));
    auto dlg = StartDialog(folder);
    dlg->show();
    QVERIFY(QTest::qWaitForWindowActive(dlg.get()));
    for (int i = 0; i < 120; ++i) dlg->Logic().OnNextBar();
    const QList<QAction*> tools = dlg->ToolBar()->actions();
    const std::vector<CLine>& lines = dlg->Logic().m_kbar.m_arrDrawing;

    // One click with the vertical tool: a red line where the mouse was.
    tools[10]->trigger();
    QTest::mouseClick(dlg.get(), Qt::LeftButton, {}, QPoint(300, 200));
    QCOMPARE(int(lines.size()), 1);
    QCOMPARE(lines[0].GetLineType(), 0);
    QVERIFY(tools[9]->isChecked() && !tools[10]->isChecked());
    const Point at = dlg->Logic().m_kbar.BarPointToPoint(lines[0].m_arrAnchor[0]);
    const QImage shot = dlg->grab().toImage();
    const QRect column(10 + at.x, 110, 1, 250);
    QVERIFY2(Share(shot, column, QColor(255, 0, 0)) > 0.3, "no red vertical line on screen");

    // Press, drag and release with the trend tool.
    tools[12]->trigger();
    QTest::mousePress(dlg.get(), Qt::LeftButton, {}, QPoint(100, 300));
    QTest::mouseMove(dlg.get(), QPoint(200, 250));
    QTest::mouseRelease(dlg.get(), Qt::LeftButton, {}, QPoint(250, 220));
    QCOMPARE(int(lines.size()), 2);
    QCOMPARE(int(lines[1].m_arrAnchor.size()), 2);
    QCOMPARE(int(lines[1].m_arrHandle.size()), 3);
    QCOMPARE(lines[1].m_arrAnchor[1], dlg->Logic().m_kbar.PointToBarPoint(250, 220));
    QVERIFY(tools[9]->isChecked());

    // A press over a child control is the control's: nothing is drawn.
    tools[10]->trigger();
    auto* orders = Child<QListWidget>(*dlg, "id1014");
    QTest::mouseClick(orders->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
    QCOMPARE(int(lines.size()), 2);
    QVERIFY(tools[10]->isChecked());
    tools[9]->trigger();

    // A double click selects the vertical line; the right click on it opens
    // menu 140, whose first item removes it.
    QTest::mouseDClick(dlg.get(), Qt::LeftButton, {}, QPoint(300, 330));
    QCOMPARE(lines[0].IsSelected(), 1);
    QStringList menuTexts;
    QTimer::singleShot(50, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            menuTexts.append(menu->objectName());
            menu->close();
            menu->actions().first()->trigger();
        }
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(301, 330),
                            dlg->mapToGlobal(QPoint(301, 330)));
    QApplication::sendEvent(dlg.get(), &event);
    QTRY_COMPARE(menuTexts, QStringList{"menu140"});
    QCOMPARE(int(lines.size()), 1);
    QCOMPARE(lines[0].GetLineType(), 2);
    QVERIFY(dlg->m_messages.isEmpty());
}

TARVELLO_OFFSCREEN_TEST_MAIN(TestTarvelloDlg)
#include "TarvelloDlgTest.moc"
