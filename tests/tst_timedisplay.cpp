// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturefixture.h"
#include "framescopeprobe.h"
#include "testenv.h"

#include "viewer/app/framescope.h"
#include "viewer/views/frametablemodel.h"
#include "viewer/views/frametableview.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QtTest>

#include <memory>

using namespace Korvex;

namespace {

// Channel types 4, 5, 4, 5, 6 at 0, 1000, 3000, 13000 and 13003 ns.
std::unique_ptr<Capture> fiveFrames()
{
    using CaptureFixture::frameOf;
    return CaptureFixture::load3G(frameOf(1, 4, 0, 0) + frameOf(1, 5, 0, 312)
                                  + frameOf(1, 4, 0, 624) + frameOf(1, 5, 0, 3120)
                                  + frameOf(1, 6, 0, 1));
}

} // namespace

/// The viewer's time display: the View menu's modes and what the column shows with each, the
/// mode kept in the settings, the time reference set and cleared with Ctrl+T, and the selected
/// frame's time in the detail panel.
class TestTimeDisplay : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void modesChangeTheColumn();
    void modeIsRemembered_data();
    void modeIsRemembered();
    void referenceIsSetAndCleared();
    void newCaptureHasNoReference();
    void detailPanelShowsTheTime();

private:
    Ui::Framescope &ui() { return FramescopeProbe::ui(*window); }
    FrameTableModel *model() { return FramescopeProbe::model(*window); }
    CaptureSession &session() { return FramescopeProbe::session(*window); }
    QString cell(int row) { return model()->data(model()->cellIndex(row, 0)).toString(); }
    QString title() { return model()->headerData(0, Qt::Horizontal).toString(); }
    QStringList column();
    void pressCtrlT();
    /// The mode as the settings keep it.
    static QVariant storedMode()
    {
        return QSettings(QStringLiteral("Kestrant"), QStringLiteral("Framescope"))
            .value(QStringLiteral("TimeDisplay"));
    }
    static void storeMode(const QVariant &mode)
    {
        QSettings(QStringLiteral("Kestrant"), QStringLiteral("Framescope"))
            .setValue(QStringLiteral("TimeDisplay"), mode);
    }

    TestEnv env;
    std::unique_ptr<Framescope> window;
};

void TestTimeDisplay::init()
{
    storeMode(QVariant());
    window = std::make_unique<Framescope>(QString());
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    FramescopeProbe::showCapture(*window, fiveFrames());
    QCOMPARE(model()->rowCount(), 5);
}

void TestTimeDisplay::cleanup()
{
    window.reset();
}

QStringList TestTimeDisplay::column()
{
    QStringList cells;
    for (int row = 0; row < model()->rowCount(); ++row)
        cells.append(cell(row));
    return cells;
}

void TestTimeDisplay::pressCtrlT()
{
    QTest::keyClick(ui().tblFrames, Qt::Key_T, Qt::ControlModifier);
}

void TestTimeDisplay::modesChangeTheColumn()
{
    const QList<QAction *> actions = ui().menuTimeDisplay->actions();
    QCOMPARE(actions.size(), 5);
    // Nanoseconds since the first frame is the default.
    QVERIFY(actions.at(0)->isChecked());
    QCOMPARE(title(), QStringLiteral("Time [ns]"));
    QCOMPARE(column(), QStringList({"0", "1000", "3000", "13000", "13003"}));

    const struct
    {
        QString title;
        QStringList cells;
    } expected[] = {
        {"Time [ns]", {"0", "1000", "3000", "13000", "13003"}},
        {"Δ Time [ns]", {"", "1000", "2000", "10000", "3"}},
        {"Δ Displayed [ns]", {"", "1000", "2000", "10000", "3"}},
        {"Δ Channel [ns]", {"", "", "3000", "12000", ""}},
        {"Time since frame 0 [ns]", {"0", "1000", "3000", "13000", "13003"}},
    };
    QSignalSpy titles(model(), &QAbstractItemModel::headerDataChanged);
    for (int mode = 4; mode >= 0; --mode) {
        actions.at(mode)->trigger();
        QVERIFY(actions.at(mode)->isChecked());
        QCOMPARE(title(), expected[mode].title);
        QCOMPARE(column(), expected[mode].cells);
        QCOMPARE(ui().tblFrames->horizontalHeader()->model()->headerData(0, Qt::Horizontal).toString(),
                 expected[mode].title);
    }
    // Each change told the table's header to paint its title again, and the column fits it.
    QVERIFY(titles.size() >= 5);
    actions.at(int(TimeMode::SinceReference))->trigger();
    const QHeaderView *header = ui().tblFrames->horizontalHeader();
    QVERIFY(header->sectionSize(0) >= header->sectionSizeHint(0));
    QVERIFY(header->sectionSize(0)
            >= header->fontMetrics().horizontalAdvance(QStringLiteral("Time since frame 0 [ns]")));
    // The other columns stay as they were.
    QCOMPARE(model()->data(model()->cellIndex(0, 3)).toString(), QStringLiteral("32"));
}

void TestTimeDisplay::modeIsRemembered_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("mode");
    QTest::newRow("same channel") << QVariant(QStringLiteral("channel")) << int(TimeMode::DeltaChannel);
    QTest::newRow("unknown mode") << QVariant(QStringLiteral("fortnightly")) << 0;
    QTest::newRow("a number") << QVariant(3) << 0;
}

void TestTimeDisplay::modeIsRemembered()
{
    QFETCH(QVariant, stored);
    QFETCH(int, mode);
    ui().menuTimeDisplay->actions().at(int(TimeMode::DeltaPrevious))->trigger();
    QCOMPARE(storedMode().toString(), QStringLiteral("delta"));

    storeMode(stored);
    Framescope next{QString()};
    QCOMPARE(int(FramescopeProbe::session(next).timeMode()), mode);
    QVERIFY(FramescopeProbe::ui(next).menuTimeDisplay->actions().at(mode)->isChecked());
}

void TestTimeDisplay::referenceIsSetAndCleared()
{
    ui().menuTimeDisplay->actions().at(int(TimeMode::DeltaPrevious))->trigger();
    ui().tblFrames->goToShownRow(2);
    pressCtrlT();
    QCOMPARE(session().timeReference(), qint64(2));
    // Setting a reference shows times since it.
    QCOMPARE(session().timeMode(), TimeMode::SinceReference);
    QVERIFY(ui().menuTimeDisplay->actions().at(int(TimeMode::SinceReference))->isChecked());
    QCOMPARE(title(), QStringLiteral("Time since frame 2 [ns]"));
    QCOMPARE(column(), QStringList({"-3000", "-2000", "0", "10000", "10003"}));
    // The reference row is labelled, in bold.
    QCOMPARE(model()->headerData(2, Qt::Vertical).toString(), QStringLiteral("2 REF"));
    QCOMPARE(model()->headerData(1, Qt::Vertical).toString(), QStringLiteral("1"));
    QVERIFY(model()->headerData(2, Qt::Vertical, Qt::FontRole).value<QFont>().bold());
    QVERIFY(model()->data(model()->cellIndex(2, 4), Qt::FontRole).value<QFont>().bold());
    QVERIFY(!model()->data(model()->cellIndex(1, 4), Qt::FontRole).isValid());

    // On another frame it moves there; on the reference itself it is cleared.
    ui().tblFrames->goToShownRow(4);
    pressCtrlT();
    QCOMPARE(session().timeReference(), qint64(4));
    QCOMPARE(model()->headerData(2, Qt::Vertical).toString(), QStringLiteral("2"));
    QCOMPARE(cell(4), QStringLiteral("0"));
    pressCtrlT();
    QCOMPARE(session().timeReference(), qint64(-1));
    QCOMPARE(model()->headerData(4, Qt::Vertical).toString(), QStringLiteral("4"));
    // Clearing it goes back to the mode used before it was set, which stays the one kept.
    QCOMPARE(session().timeMode(), TimeMode::DeltaPrevious);
    QVERIFY(ui().menuTimeDisplay->actions().at(int(TimeMode::DeltaPrevious))->isChecked());
    QCOMPARE(column(), QStringList({"", "1000", "2000", "10000", "3"}));
    QCOMPARE(storedMode().toString(), QStringLiteral("delta"));
}

void TestTimeDisplay::newCaptureHasNoReference()
{
    ui().tblFrames->goToShownRow(3);
    pressCtrlT();
    QCOMPARE(session().timeReference(), qint64(3));
    FramescopeProbe::showCapture(*window, fiveFrames());
    QCOMPARE(session().timeReference(), qint64(-1));
    QCOMPARE(model()->headerData(3, Qt::Vertical).toString(), QStringLiteral("3"));
    // The reference's mode went with it; a mode the user chose stays.
    QCOMPARE(session().timeMode(), TimeMode::SinceFirst);
    ui().menuTimeDisplay->actions().at(int(TimeMode::SinceReference))->trigger();
    FramescopeProbe::showCapture(*window, fiveFrames());
    QCOMPARE(session().timeMode(), TimeMode::SinceReference);
}

void TestTimeDisplay::detailPanelShowsTheTime()
{
    ui().tblFrames->goToShownRow(4);
    QCOMPARE(ui().lblTime->text(), QStringLiteral("Time since first frame 13003 ns (13.003 µs)"));
    // The time since the first frame whatever the column shows, and what it shows beside it.
    ui().menuTimeDisplay->actions().at(int(TimeMode::DeltaPrevious))->trigger();
    ui().tblFrames->goToShownRow(1);
    QCOMPARE(ui().lblTime->text(),
             QStringLiteral("Time since first frame 1000 ns (1 µs); Δ to previous frame 1000 ns (1 µs)"));
    ui().tblFrames->goToShownRow(0);
    QCOMPARE(ui().lblTime->text(),
             QStringLiteral("Time since first frame 0 ns; Δ to previous frame: none"));
    FramescopeProbe::showCapture(*window, nullptr);
    QCOMPARE(ui().lblTime->text(), QString());
}

QTEST_MAIN(TestTimeDisplay)
#include "tst_timedisplay.moc"
