#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QWheelEvent>
#include <ctime>
#include <memory>

#include "OffscreenTestMain.h"
#include "app/DlgHelp.h"
#include "app/GotoDlg.h"
#include "app/TarvelloDlg.h"
#include "app/TrainerBar.h"
#include "data/PeriodConverter.h"
#include "data/SampleHistory.h"
#include "trainer/TrainerCommands.h"
#include "trainer/TrainerHelp.h"

namespace {

// The dialog with its boxes answered in code.
class TestDlg : public CTarvelloDlg {
public:
    using CTarvelloDlg::CTarvelloDlg;
    QStringList m_messages;

protected:
    void ShowMessageBox(const QString& text) override { m_messages.append(text); }
    void ShowHelpDialog() override {}
};

struct ProgramFolder {
    QTemporaryDir dir;
    std::string Path() const { return QFile::encodeName(dir.path() + "/").toStdString(); }
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
};

std::unique_ptr<TestDlg> Start(const ProgramFolder& folder) {
    auto dlg = std::make_unique<TestDlg>(folder.Path());
    dlg->InitDialog();
    dlg->show();
    return dlg;
}

QAction* Action(QWidget& dlg, int id) {
    return dlg.findChild<QAction*>(QStringLiteral("cmd%1").arg(id));
}

}  // namespace

class TestTrainerBar : public QObject {
    Q_OBJECT

private slots:
    void toolbarBesideTheWindowsToolbar();
    void readoutFollowsTheReplay();
    void keysDriveTheTrainer();
    void backspaceStillEditsTheLotSize();
    void wheelZoomsOverTheChart();
    void timerPlaysAndStopsAtTheEnd();
    void helpHasASecondPage();
    void jumpDialogKeepsUtc();
};

void TestTrainerBar::jumpDialogKeepsUtc() {
    // A local zone far from UTC must not shift the time typed or shown.
    qputenv("TZ", "Asia/Shanghai");
    tzset();
    CGotoDlg dialog("2005-01-03 20:15");
    QCOMPARE(dialog.Value(), std::string("2005-01-03 20:15"));
    QCOMPARE(dialog.Edit()->text(), QStringLiteral("2005-01-03 20:15"));
    dialog.Edit()->setDateTime(QDateTime(QDate(2026, 3, 29), QTime(2, 30), Qt::UTC));
    QCOMPARE(dialog.Value(), std::string("2026-03-29 02:30"));
    CGotoDlg fallback("not a time");
    QCOMPARE(fallback.Value().substr(11), std::string("00:00"));
    qunsetenv("TZ");
    tzset();
}

void TestTrainerBar::toolbarBesideTheWindowsToolbar() {
    ProgramFolder folder;
    auto dlg = Start(folder);
    QToolBar* bar = dlg->findChild<QToolBar*>(QStringLiteral("trainerToolbar"));
    QVERIFY(bar);
    const QRect mine = bar->geometry();
    const QRect theirs = dlg->ToolBar()->geometry();
    // At the top right, clear of the window's toolbar and of the OK button.
    QCOMPARE(mine.right(), dlg->width() - 1);
    QCOMPARE(mine.top(), 0);
    QVERIFY2(mine.left() > theirs.right(), "the two toolbars overlap");
    auto* ok = dlg->findChild<QPushButton*>(QStringLiteral("id1"));
    QVERIFY(!mine.intersects(ok->geometry()));
    for (const TrainerButton& b : kTrainerButtons) {
        QAction* action = Action(*dlg, b.id);
        QVERIFY(action);
        QCOMPARE(action->toolTip(), QString::fromUtf8(b.tooltip));
        QCOMPARE(action->isCheckable(), b.checkable);
    }
    // A wider window keeps it at the right.
    dlg->resize(1200, 800);
    QCOMPARE(bar->geometry().right(), dlg->width() - 1);
}

void TestTrainerBar::readoutFollowsTheReplay() {
    ProgramFolder folder;
    QVERIFY(folder.ImportSample(240 * 50));
    auto dlg = Start(folder);
    QLabel* readout = dlg->findChild<QLabel*>(QStringLiteral("trainerReadout"));
    QVERIFY(readout);
    QCOMPARE(readout->text(), QString());
    dlg->Logic().OnNextBar();
    QCOMPARE(readout->text(), QString::fromStdString(dlg->Logic().GetReadoutText()));
    QVERIFY(readout->text().startsWith("H4 "));
    // The honest button checks and the forming bar shows its minute.
    Action(*dlg, ID_TRAINER_HONEST)->trigger();
    QVERIFY(Action(*dlg, ID_TRAINER_HONEST)->isChecked());
    dlg->Logic().OnPeriod(8);
    QVERIFY(readout->text().startsWith("MN "));
    QVERIFY(readout->text().contains(QStringLiteral("至 ")));
    // Between the controls and the chart, above it.
    QVERIFY(readout->geometry().bottom() < dlg->Logic().m_rcChart.top);
}

void TestTrainerBar::keysDriveTheTrainer() {
    ProgramFolder folder;
    QVERIFY(folder.ImportSample(240 * 50));
    auto dlg = Start(folder);
    QVERIFY(QTest::qWaitForWindowActive(dlg.get()));
    CTarvelloWindow& logic = dlg->Logic();
    for (int i = 0; i < 3; ++i) QTest::keyClick(dlg.get(), Qt::Key_Space);
    QCOMPARE(logic.m_barIndex.GetIndex(), 2);
    QTest::keyClick(dlg.get(), Qt::Key_Left);
    QCOMPARE(logic.m_barIndex.GetIndex(), 1);
    QTest::keyClick(dlg.get(), Qt::Key_Backspace);
    QCOMPARE(logic.m_barIndex.GetIndex(), 0);
    QCOMPARE(logic.m_trainer.m_steps.Count(), 1);
    QTest::keyClick(dlg.get(), Qt::Key_X);
    QVERIFY(logic.m_trainer.m_bCrosshair);
    QVERIFY(Action(*dlg, ID_TRAINER_CROSSHAIR)->isChecked());
    const int speed = logic.m_trainer.m_play.GetSpeed();
    QTest::keyClick(dlg.get(), Qt::Key_Plus, Qt::ShiftModifier);
    QVERIFY(logic.m_trainer.m_play.GetSpeed() > speed);
    QTest::keyClick(dlg.get(), Qt::Key_Minus);
    QCOMPARE(logic.m_trainer.m_play.GetSpeed(), speed);
    QTest::keyClick(dlg.get(), Qt::Key_P);
    QVERIFY(logic.m_trainer.m_play.IsPlaying());
    QVERIFY(dlg->TrainerBar()->Timer()->isActive());
    QVERIFY(dlg->TrainerBar()->Speed()->isVisible());
    // The speed shows beside the desk strip, not under it, also in a
    // narrower window.
    for (int width : {dlg->width(), 900}) {
        dlg->resize(width, dlg->height());
        QApplication::processEvents();
        const QRect speedRect = dlg->TrainerBar()->Speed()->geometry();
        QVERIFY(!speedRect.intersects(
            dlg->findChild<QWidget*>(QStringLiteral("deskBar"))->geometry()));
        QVERIFY(speedRect.width() >= dlg->TrainerBar()->Speed()->sizeHint().width());
        QVERIFY(speedRect.left() >= logic.m_rcChart.left);
    }
    // Trading keys keep working while playing.
    QTest::keyClick(dlg.get(), Qt::Key_B);
    QCOMPARE(logic.m_kbar.m_order.GetOpenOrderCount(), 1);
    QTest::keyClick(dlg.get(), Qt::Key_P);
    QVERIFY(!logic.m_trainer.m_play.IsPlaying());
    QVERIFY(!dlg->TrainerBar()->Timer()->isActive());
    QVERIFY(!dlg->TrainerBar()->Speed()->isVisible());
}

void TestTrainerBar::backspaceStillEditsTheLotSize() {
    ProgramFolder folder;
    QVERIFY(folder.ImportSample(240 * 50));
    auto dlg = Start(folder);
    QVERIFY(QTest::qWaitForWindowActive(dlg.get()));
    CTarvelloWindow& logic = dlg->Logic();
    logic.OnNextBar();
    logic.OnNextBar();
    auto* lots = dlg->findChild<QComboBox*>(QStringLiteral("id1015"));
    lots->setFocus();
    QTRY_VERIFY(lots->hasFocus());
    lots->lineEdit()->selectAll();
    QTest::keyClicks(lots->lineEdit(), "25");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    QCOMPARE(lots->lineEdit()->text(), QStringLiteral("2"));
    QCOMPARE(logic.m_barIndex.GetIndex(), 1);
}

void TestTrainerBar::wheelZoomsOverTheChart() {
    ProgramFolder folder;
    QVERIFY(folder.ImportSample(240 * 50));
    auto dlg = Start(folder);
    CTarvelloWindow& logic = dlg->Logic();
    const Rect& chart = logic.m_rcChart;
    const QPointF inside(chart.left + 50, chart.top + 50);
    auto wheel = [&](QPointF at, int delta) {
        QWheelEvent event(at, dlg->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(dlg.get(), &event);
    };
    wheel(inside, 120);
    QCOMPARE(logic.m_nZoomLevel, 2);
    wheel(inside, -120);
    wheel(inside, -120);
    QCOMPARE(logic.m_nZoomLevel, 4);
    // Not over the chart: nothing.
    wheel(QPointF(5, 5), 120);
    QCOMPARE(logic.m_nZoomLevel, 4);
}

void TestTrainerBar::timerPlaysAndStopsAtTheEnd() {
    ProgramFolder folder;
    QVERIFY(folder.ImportSample(240 * 6));
    auto dlg = Start(folder);
    CTarvelloWindow& logic = dlg->Logic();
    for (int i = 0; i < 10; ++i) logic.OnPlayFaster();
    Action(*dlg, ID_TRAINER_PLAY)->trigger();
    QVERIFY(Action(*dlg, ID_TRAINER_PLAY)->isChecked());
    QCOMPARE(dlg->TrainerBar()->Timer()->interval(), 20);
    QTRY_VERIFY_WITH_TIMEOUT(!logic.m_trainer.m_play.IsPlaying(), 5000);
    QCOMPARE(logic.m_barIndex.GetIndex(), 5);
    QCOMPARE(dlg->m_messages, QStringList{QStringLiteral("已经到结尾!")});
    QVERIFY(!Action(*dlg, ID_TRAINER_PLAY)->isChecked());
}

void TestTrainerBar::helpHasASecondPage() {
    CDlgHelp help;
    help.SetHelp("first\r\npage");
    QCOMPARE(help.Text(), QStringLiteral("first\npage"));
    auto* page = help.findChild<QPushButton*>(QStringLiteral("helpPage"));
    QVERIFY(page);
    page->click();
    QCOMPARE(help.Page(), 1);
    QString second = QString::fromStdString(BuildTrainerHelpText());
    second.replace("\r\n", "\n");
    QCOMPARE(help.Text(), second);
    QVERIFY(help.Text().contains("'P'"));
    page->click();
    QCOMPARE(help.Text(), QStringLiteral("first\npage"));
    // Opening again starts on the first page.
    page->click();
    help.SetHelp("again");
    QCOMPARE(help.Page(), 0);
}

TARVELLO_OFFSCREEN_TEST_MAIN(TestTrainerBar)
#include "TrainerBarTest.moc"
