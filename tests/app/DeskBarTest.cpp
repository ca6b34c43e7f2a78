#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "OffscreenTestMain.h"
#include "app/DeskBar.h"
#include "app/JournalDlg.h"
#include "app/TarvelloDlg.h"
#include "data/PeriodConverter.h"
#include "data/SampleHistory.h"
#include "platform/Files.h"
#include "platform/Format.h"

namespace {

class TestDlg : public CTarvelloDlg {
public:
    using CTarvelloDlg::CTarvelloDlg;
    QStringList m_messages;

protected:
    void ShowMessageBox(const QString& text) override { m_messages.append(text); }
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

std::vector<std::string> Stats(CTarvelloWindow& w) {
    std::vector<std::string> out;
    for (int id = CTarvelloWindow::IDC_TOTAL_MONEY; id <= CTarvelloWindow::IDC_LOSS_ORDERS; ++id)
        out.push_back(w.GetStatText(id));
    return out;
}

}  // namespace

class TestDeskBar : public QObject {
    Q_OBJECT

private slots:
    void stopsFromTheFieldsJournalAndARunThatLasts();
};

void TestDeskBar::stopsFromTheFieldsJournalAndARunThatLasts() {
    ProgramFolder folder;
    QVERIFY(folder.ImportSample(240 * 200));
    auto dlg = Start(folder);
    CTarvelloWindow& logic = dlg->Logic();
    CDeskBar* desk = dlg->DeskBar();
    QVERIFY(desk);
    for (int i = 0; i < 5; ++i) QTest::keyClick(dlg.get(), Qt::Key_Space);
    const double price = logic.m_kbar.GetLastBar().close;
    // Ten points either side, typed as a trainee would.
    const double sl = price - 0.0010, tp = price + 0.0010;
    desk->StopLoss()->setFocus();
    QTest::keyClicks(desk->StopLoss(), QString::fromStdString(FormatString("%.4f", sl)));
    QTest::keyClicks(desk->TakeProfit(), QString::fromStdString(FormatString("%.4f", tp)));
    QVERIFY(logic.m_desk.m_fNextStopLoss > 0.0 && logic.m_desk.m_fNextTakeProfit > 0.0);
    QTest::keyClick(dlg.get(), Qt::Key_B);
    QCOMPARE(logic.m_kbar.m_order.GetOpenOrderCount(), 1);
    QVERIFY(logic.m_kbar.m_order.GetOpenOrder(0).StopLoss() > 0.0);
    QVERIFY(desk->StopLoss()->text().isEmpty());  // for that order only

    for (int i = 0; i < 2000 && logic.m_kbar.m_order.GetHstOrderCount() == 0; ++i)
        logic.OnNextBar();
    QCOMPARE(logic.m_kbar.m_order.GetHstOrderCount(), 1);
    QCOMPARE(logic.m_kbar.m_order.GetOpenOrderCount(), 0);
    const int reason = logic.m_kbar.m_order.GetHstOrder(0).nCloseReason;
    QVERIFY(reason == OrderRecord::kByStopLoss || reason == OrderRecord::kByTakeProfit);

    QTest::keyClick(dlg.get(), Qt::Key_J);
    CJournalDlg* journal = desk->Journal();
    QVERIFY(journal && journal->isVisible());
    QCOMPARE(journal->Table()->rowCount(), 1);
    QCOMPARE(journal->Table()->horizontalHeaderItem(13)->text(), QStringLiteral("平仓方式"));
    QCOMPARE(journal->Table()->item(0, 13)->text(),
             reason == OrderRecord::kByStopLoss ? QStringLiteral("止损") : QStringLiteral("止盈"));
    QVERIFY(journal->Summary()->text().contains(QStringLiteral("交易次数 1")));

    // The close box ends the program as before, and the run is kept.
    const std::vector<std::string> stats = Stats(logic);
    const std::vector<double> curve = logic.m_balanceCurve.m_arrBalance;
    const std::string last = logic.LastRunPath();
    dlg->close();
    QVERIFY(!dlg->isVisible());
    QVERIFY(files::Exists(last));
    dlg.reset();

    auto again = Start(folder);
    CTarvelloWindow& next = again->Logic();
    QCOMPARE(next.m_kbar.m_order.GetHstOrderCount(), 0);
    QAction* resume = again->findChild<QAction*>(QStringLiteral("deskLoadLastRun"));
    QVERIFY(resume);
    resume->trigger();
    QVERIFY(again->m_messages.isEmpty());
    QCOMPARE(Stats(next), stats);
    QCOMPARE(next.m_balanceCurve.m_arrBalance, curve);
    QCOMPARE(next.m_kbar.m_order.GetHstOrderCount(), 1);
}

TARVELLO_OFFSCREEN_TEST_MAIN(TestDeskBar)
#include "DeskBarTest.moc"
