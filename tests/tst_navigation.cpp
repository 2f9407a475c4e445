// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturefixture.h"
#include "framescopeprobe.h"
#include "opendialog.h"
#include "testenv.h"

#include "viewer/app/framescope.h"
#include "core/frames/framerecord.h"
#include "core/session/capturesession.h"
#include "viewer/views/frametablemodel.h"

#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

#include <functional>
#include <memory>

using namespace Korvex;

namespace {

std::unique_ptr<Capture> makeFrames(int count)
{
    QByteArray block;
    for (int i = 0; i < count; ++i)
        block += CaptureFixture::frameOf(i % 7, i % 12, 0, 0, QByteArray(1, char(i)));
    return CaptureFixture::load3G(block);
}

/// What the Find Frame dialog offered when it came up.
struct DialogSeen
{
    bool shown = false;
    QString title;
    QString label;
    double value = -99;
    double minimum = -99;
    double maximum = -99;
    int decimals = -99;
    QInputDialog::InputMode mode = QInputDialog::TextInput;
};

} // namespace

/// First, previous, next and last frame, Find Frame with its input dialog, and the table's
/// current row and the session's current frame following each other.
class TestNavigation : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void moves_data();
    void moves();
    void emptyList();
    void findFrameDialog_data();
    void findFrameDialog();
    void findFrameCancelled();
    void findFrameOnAnEmptyList();
    void currentFrameBothWays();

private:
    Ui::Framescope &ui() { return FramescopeProbe::ui(*window); }
    int currentRow() { return ui().tblFrames->currentIndex().row(); }
    QString status() { return FramescopeProbe::statusLabel(*window)->text(); }
    QAction *action(const QString &name)
    {
        static const QMap<QString, QAction *Ui::Framescope::*> actions = {
            {"first", &Ui::Framescope::actionGoFirst},
            {"prev", &Ui::Framescope::actionGoPrev},
            {"next", &Ui::Framescope::actionGoNext},
            {"last", &Ui::Framescope::actionGoLast},
            {"find", &Ui::Framescope::actionFind},
        };
        return ui().*actions.value(name);
    }
    // Runs Find Frame; the dialog is read and then handled by `answer` once it is up.
    DialogSeen findFrame(const std::function<void(QInputDialog *)> &answer);

    TestEnv env;
    std::unique_ptr<Framescope> window;
};

void TestNavigation::init()
{
    window = std::make_unique<Framescope>(QString());
    FramescopeProbe::showCapture(*window, makeFrames(30));
}

void TestNavigation::cleanup()
{
    window.reset();
}

void TestNavigation::moves_data()
{
    QTest::addColumn<int>("startRow");
    QTest::addColumn<QString>("move");
    QTest::addColumn<int>("row");

    QTest::newRow("previous with no current row") << -1 << "prev" << -1;
    QTest::newRow("next with no current row goes to the first") << -1 << "next" << 0;
    QTest::newRow("first with no current row") << -1 << "first" << 0;
    QTest::newRow("last with no current row") << -1 << "last" << 29;
    QTest::newRow("previous at the first row") << 0 << "prev" << 0;
    QTest::newRow("next at the first row") << 0 << "next" << 1;
    QTest::newRow("previous in the middle") << 12 << "prev" << 11;
    QTest::newRow("next in the middle") << 12 << "next" << 13;
    QTest::newRow("first from the middle") << 12 << "first" << 0;
    QTest::newRow("last from the middle") << 12 << "last" << 29;
    QTest::newRow("next at the last row") << 29 << "next" << 29;
    QTest::newRow("previous at the last row") << 29 << "prev" << 28;
}

void TestNavigation::moves()
{
    QFETCH(int, startRow);
    QFETCH(QString, move);
    QFETCH(int, row);

    if (startRow >= 0)
        ui().tblFrames->setCurrentIndex(FramescopeProbe::model(*window)->cellIndex(startRow, 0));
    QCOMPARE(currentRow(), startRow);
    action(move)->trigger();
    QCOMPARE(currentRow(), row);
    if (row < 0)
        return;
    // The move goes through the table's current-index change: the panel shows the new row,
    // which is also the one selected.
    QCOMPARE(status(), FramescopeProbe::capture(*window)->frame(row).headerText());
    QCOMPARE(ui().txtPayload->toPlainText().left(8),
             QStringLiteral("0000: %1").arg(row, 2, 16, QLatin1Char('0')).toUpper());
    const QModelIndexList selected = ui().tblFrames->selectionModel()->selectedRows();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.first().row(), row);
}

void TestNavigation::emptyList()
{
    FramescopeProbe::showCapture(*window, nullptr);
    for (const char *move : {"first", "prev", "next", "last"}) {
        action(QLatin1String(move))->trigger();
        QCOMPARE(currentRow(), -1);
        QCOMPARE(status(), QStringLiteral("No frame selected"));
    }
}

DialogSeen TestNavigation::findFrame(const std::function<void(QInputDialog *)> &answer)
{
    DialogSeen seen;
    action(QStringLiteral("find"))->trigger();
    auto *dialog = OpenDialog::top<QInputDialog>();
    if (!dialog)
        return seen;
    seen.shown = true;
    seen.title = dialog->windowTitle();
    seen.label = dialog->labelText();
    seen.mode = dialog->inputMode();
    seen.value = dialog->doubleValue();
    seen.minimum = dialog->doubleMinimum();
    seen.maximum = dialog->doubleMaximum();
    seen.decimals = dialog->doubleDecimals();
    answer(dialog);
    return seen;
}

void TestNavigation::findFrameDialog_data()
{
    QTest::addColumn<int>("startRow");
    QTest::addColumn<double>("entered");
    QTest::addColumn<double>("proposed");
    QTest::addColumn<int>("row");

    QTest::newRow("proposes the current row") << 25 << 7.0 << 25.0 << 7;
    QTest::newRow("zero goes to the first frame") << 25 << 0.0 << 25.0 << 0;
    QTest::newRow("no current row shows 0") << -1 << 3.0 << 0.0 << 3;
    QTest::newRow("the last frame") << 2 << 29.0 << 2.0 << 29;
    QTest::newRow("nothing above the last row") << 2 << 500.0 << 2.0 << 29;
    QTest::newRow("nothing below 0") << 2 << -4.0 << 2.0 << 0;
}

void TestNavigation::findFrameDialog()
{
    QFETCH(int, startRow);
    QFETCH(double, entered);
    if (startRow >= 0)
        ui().tblFrames->setCurrentIndex(FramescopeProbe::model(*window)->cellIndex(startRow, 0));

    const DialogSeen seen = findFrame([entered](QInputDialog *dialog) {
        dialog->setDoubleValue(entered);
        dialog->accept();
    });
    QVERIFY(seen.shown);
    QCOMPARE(seen.title, QStringLiteral("Find Frame"));
    // The label names the range: a digit that would leave it is refused without a word.
    QCOMPARE(seen.label, QStringLiteral("Go To Frame (0 \u2013 29):"));
    QCOMPARE(seen.mode, QInputDialog::DoubleInput);
    QTEST(seen.value, "proposed");
    QCOMPARE(seen.minimum, 0.0);
    QCOMPARE(seen.maximum, 29.0);
    QCOMPARE(seen.decimals, 0);
    QTEST(currentRow(), "row");
    QCOMPARE(status(), FramescopeProbe::capture(*window)->frame(currentRow()).headerText());
}

void TestNavigation::findFrameCancelled()
{
    ui().tblFrames->setCurrentIndex(FramescopeProbe::model(*window)->cellIndex(4, 0));
    const DialogSeen seen = findFrame([](QInputDialog *dialog) {
        dialog->setDoubleValue(20);
        dialog->reject();
    });
    QVERIFY(seen.shown);
    QCOMPARE(currentRow(), 4);
}

void TestNavigation::findFrameOnAnEmptyList()
{
    FramescopeProbe::showCapture(*window, nullptr);
    const DialogSeen seen = findFrame([](QInputDialog *dialog) { dialog->accept(); });
    QVERIFY(seen.shown);
    QCOMPARE(seen.label, QStringLiteral("Go To Frame (no frames):"));
    QCOMPARE(seen.value, 0.0);
    QCOMPARE(currentRow(), -1);
    QCOMPARE(status(), QStringLiteral("No frame selected"));
}

void TestNavigation::currentFrameBothWays()
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    CaptureSession &session = FramescopeProbe::session(*window);
    const auto statusOf = [&session](qint64 frame) {
        return session.capture()->frame(frame).headerText();
    };
    // The session's current frame: the table's current row and the panel follow.
    QVERIFY(session.setCurrentFrame(7));
    QCOMPARE(currentRow(), 7);
    QCOMPARE(status(), statusOf(7));
    // The table's: the session follows, and the panel with it. Its answer to a Shift+click
    // leaves the selection as the user extended it.
    QSignalSpy changed(&session, &CaptureSession::currentFrameChanged);
    const auto click = [this](int row, Qt::KeyboardModifiers modifiers) {
        const QRect cell = ui().tblFrames->visualRect(FramescopeProbe::model(*window)->cellIndex(row, 1));
        QTest::mouseClick(ui().tblFrames->viewport(), Qt::LeftButton, modifiers, cell.center());
    };
    click(3, Qt::NoModifier);
    QCOMPARE(session.currentFrame(), qint64(3));
    QCOMPARE(status(), statusOf(3));
    click(6, Qt::ShiftModifier);
    QCOMPARE(session.currentFrame(), qint64(6));
    QCOMPARE(ui().tblFrames->selectionModel()->selectedRows().size(), 4);
    QCOMPARE(changed.size(), 2);
    QVERIFY(session.setCurrentFrame(-1));
    QVERIFY(!ui().tblFrames->currentIndex().isValid());
    QCOMPARE(status(), QStringLiteral("No frame selected"));
}

QTEST_MAIN(TestNavigation)
#include "tst_navigation.moc"
