// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/views/logmodel.h"
#include "viewer/views/logview.h"
#include "core/files/loggedframes.h"
#include "core/files/loglines.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace Korvex;

namespace {

/// Frames for the log without an index behind them: frame n has n % 64 payload bytes.
class CountedFrames final : public LoggedFrames
{
public:
    int loggedPayloadBytes(qint64 n) const override { return int(n % 64); }
};

QString line(int row)
{
    return QStringLiteral("line %1").arg(row);
}

} // namespace

/// The log panel: shown lines, following new lines, selection, copy, billions of rows.
class TestLogView : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void shownText_data();
    void shownText();
    void selection_data();
    void selection();
    void drag();
    void contextMenu();
    void copyGivesLinesAsLogged();
    void follow_data();
    void follow();
    void clearEmptiesTheView();
    void capturesLogsAreShownNotCopied();
    void billionsOfRows();

private:
    void appendLines(int count);
    void click(int y, Qt::KeyboardModifiers modifiers = {});
    void keyClick(Qt::Key key, Qt::KeyboardModifiers modifiers = {});
    // Opens the context menu at y, returns its entries ("-Copy" when disabled) and triggers
    // the one named `choose`.
    QStringList contextMenuAt(int y, const QString &choose);
    bool lastRowShown() const;
    int rowY(qint64 row) const { return m_view->visualRect(row).center().y(); }

    std::unique_ptr<LogModel> m_model;
    std::unique_ptr<LogView> m_view;
};

void TestLogView::init()
{
    m_view = std::make_unique<LogView>();
    m_model = std::make_unique<LogModel>();
    m_view->setModel(m_model.get());
    m_view->resize(400, 10 * m_view->rowHeight() + 2 * m_view->frameWidth());
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
}

void TestLogView::appendLines(int count)
{
    const qint64 first = m_model->rowCount();
    for (int row = int(first); row < first + count; ++row)
        m_model->append(line(row), Qt::white);
}

void TestLogView::click(int y, Qt::KeyboardModifiers modifiers)
{
    QTest::mouseClick(m_view->viewport(), Qt::LeftButton, modifiers, QPoint(20, y));
}

void TestLogView::keyClick(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(m_view.get(), key, modifiers);
}

QStringList TestLogView::contextMenuAt(int y, const QString &choose)
{
    const QPoint at(20, y);
    QTest::mouseClick(m_view->viewport(), Qt::RightButton, {}, at);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, m_view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(m_view->viewport(), &event);
    // The menu pops up and the event returns at once.
    QStringList entries;
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    if (!menu)
        return {QStringLiteral("(no menu)")};
    QAction *chosen = nullptr;
    for (QAction *action : menu->actions()) {
        entries << (action->isEnabled() ? QString() : QStringLiteral("-")) + action->text();
        if (action->text() == choose)
            chosen = action;
    }
    menu->close();
    if (chosen)
        chosen->trigger();
    return entries;
}

bool TestLogView::lastRowShown() const
{
    return m_view->topRow() == m_model->rowCount() - m_view->pageRows();
}

void TestLogView::shownText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    const QString x3999(3999, QLatin1Char('x'));
    QTest::newRow("plain") << "Frame 1: payload size 4 bytes" << "Frame 1: payload size 4 bytes";
    QTest::newRow("C0 controls") << QStringLiteral("a\tb\nc\rd") + QChar(0) + QChar(0x1B)
                                 << QString::fromUtf8("a\u2409b\u240Ac\u240Dd\u2400\u241B");
    QTest::newRow("DEL, C1, line separator") << QStringLiteral("x") + QChar(0x7F) + QChar(0x85) + QChar(0x2028)
                                             << QString::fromUtf8("x\u2421\uFFFD\u2424");
    QTest::newRow("4000 characters") << x3999 + 'y' << x3999 + 'y';
    QTest::newRow("cut") << x3999 + "yz" << x3999 + 'y' + QChar(0x2026);
    QTest::newRow("cut with controls") << x3999 + "\t\t" << x3999 + QChar(0x2409) + QChar(0x2026);
    QTest::newRow("cut before a surrogate pair")
        << x3999 + QString::fromUtf8("\xF0\x9F\x93\xA1") << x3999 + QChar(0x2026);
}

void TestLogView::shownText()
{
    // The view shows this; the model keeps the line as logged.
    QFETCH(QString, text);
    QFETCH(QString, shown);
    m_model->append(text, Qt::red);
    QCOMPARE(m_model->shownText(0), shown);
    QCOMPARE(m_model->text(0), text);
}

void TestLogView::selection_data()
{
    // Clicks on rows of an eight-line log; row 9 lies below the last line.
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QList<int>>("modifiers");
    QTest::addColumn<QList<int>>("selected");
    const int shift = Qt::ShiftModifier;
    const int control = Qt::ControlModifier;
    QTest::newRow("click") << QList<int>{1, 3} << QList<int>{0, 0} << QList<int>{3};
    QTest::newRow("shift down") << QList<int>{1, 3} << QList<int>{0, shift} << QList<int>{1, 2, 3};
    QTest::newRow("shift up, again") << QList<int>{4, 2, 6} << QList<int>{0, shift, shift}
                                     << QList<int>{4, 5, 6};
    QTest::newRow("control adds") << QList<int>{1, 3, 5} << QList<int>{0, control, control}
                                  << QList<int>{1, 3, 5};
    QTest::newRow("control takes out") << QList<int>{1, 4, 2} << QList<int>{0, shift, control}
                                       << QList<int>{1, 3, 4};
    QTest::newRow("control shift adds a range")
        << QList<int>{0, 3, 5} << QList<int>{0, control, shift | control} << QList<int>{0, 3, 4, 5};
    QTest::newRow("shift from the last control click")
        << QList<int>{0, 3, 5} << QList<int>{0, control, shift} << QList<int>{3, 4, 5};
    QTest::newRow("below the last line") << QList<int>{2, 9} << QList<int>{0, 0} << QList<int>{};
}

void TestLogView::selection()
{
    // What is selected is what Ctrl+C copies, in the log's order.
    QFETCH(QList<int>, rows);
    QFETCH(QList<int>, modifiers);
    QFETCH(QList<int>, selected);
    appendLines(8);
    for (qsizetype i = 0; i < rows.size(); ++i)
        click(rows[i] * m_view->rowHeight() + 2, Qt::KeyboardModifiers(modifiers[i]));
    QStringList expected;
    for (int row : selected)
        expected << line(row);
    keyClick(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(),
             selected.isEmpty() ? QStringLiteral("before") : expected.join(QLatin1Char('\n')));
}

void TestLogView::drag()
{
    // Dragging selects from the row pressed; past the bottom edge it scrolls on.
    appendLines(30);
    keyClick(Qt::Key_Home);
    QTest::mousePress(m_view->viewport(), Qt::LeftButton, {}, QPoint(20, rowY(2)));
    QTest::mouseMove(m_view->viewport(), QPoint(20, rowY(5)));
    QCOMPARE(m_view->selection().count(), qint64(4));
    QTest::mouseMove(m_view->viewport(), QPoint(20, m_view->viewport()->height() + 5));
    QCOMPARE(m_view->topRow(), qint64(1));
    QTest::mouseRelease(m_view->viewport(), Qt::LeftButton, {}, QPoint(20, rowY(5)));
    QCOMPARE(m_view->selection().ranges(), (RowSelection::Ranges{{2, 10}}));
}

void TestLogView::contextMenu()
{
    appendLines(5);
    // Below the last line nothing is selected and there is nothing to copy.
    QCOMPARE(contextMenuAt(rowY(4) + m_view->rowHeight(), QString()),
             (QStringList{"-Copy", "Select All"}));
    // A right click on a line that is not selected selects it.
    QCOMPARE(contextMenuAt(rowY(3), QStringLiteral("Copy")), (QStringList{"Copy", "Select All"}));
    QCOMPARE(QGuiApplication::clipboard()->text(), line(3));
    contextMenuAt(rowY(1), QStringLiteral("Select All"));
    // On a selected line the selection stays.
    contextMenuAt(rowY(2), QStringLiteral("Copy"));
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringList({line(0), line(1), line(2), line(3), line(4)}).join(QLatin1Char('\n')));
}

void TestLogView::copyGivesLinesAsLogged()
{
    // Control characters and the part of a long line the view cuts off are copied as logged;
    // the long line can be scrolled to across.
    const QString controls = QStringLiteral("tag\tvalue\r\nnext") + QChar(0x1B);
    const QString longLine = QString(3000, QLatin1Char('a')) + QString(7000, QLatin1Char('b'));
    m_model->append(controls, Qt::darkYellow);
    m_model->append(longLine, Qt::white);
    keyClick(Qt::Key_A, Qt::ControlModifier);
    keyClick(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), controls + QLatin1Char('\n') + longLine);
    QTRY_VERIFY(m_view->horizontalScrollBar()->maximum()
                > m_view->fontMetrics().horizontalAdvance(QString(3000, QLatin1Char('a'))));
}

void TestLogView::follow_data()
{
    // Steps: the user scrolls Up a page or Down a row, presses End, a line is Appended.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<bool>("follows");
    QTest::newRow("untouched") << "A" << true;
    QTest::newRow("scrolled up") << "UA" << false;
    QTest::newRow("scrolled up, not down to the end") << "UUDA" << false;
    QTest::newRow("back at the end") << "UEA" << true;
    QTest::newRow("down to the end by rows") << "UDDDDDDDDDDDA" << true;
    QTest::newRow("lines came since") << "UAA" << false;
}

void TestLogView::follow()
{
    QFETCH(QString, steps);
    QFETCH(bool, follows);
    appendLines(30);
    QVERIFY(lastRowShown());
    qint64 topBefore = 0;
    for (const QChar step : steps) {
        topBefore = m_view->topRow();
        if (step == QLatin1Char('A'))
            appendLines(1);
        else
            keyClick(step == QLatin1Char('U')   ? Qt::Key_PageUp
                     : step == QLatin1Char('D') ? Qt::Key_Down
                                                : Qt::Key_End);
    }
    QCOMPARE(lastRowShown(), follows);
    if (!follows)
        QCOMPARE(m_view->topRow(), topBefore);
}

void TestLogView::clearEmptiesTheView()
{
    appendLines(30);
    keyClick(Qt::Key_PageUp);
    keyClick(Qt::Key_A, Qt::ControlModifier);
    m_view->clear();
    QCOMPARE(m_model->rowCount(), qint64(0));
    QVERIFY(m_view->selection().isEmpty());
    QCOMPARE(m_view->verticalScrollBar()->maximum(), 0);
    // The next lines start the log, and they are followed again.
    appendLines(30);
    QVERIFY(lastRowShown());
    QCOMPARE(m_model->text(0), line(0));
}

// The panel shows the captures' own logs: the lines a log gains after its load come after
// whatever the panel showed meanwhile, Clear hides what was shown, and a log is let go of once
// no row shows it.
void TestLogView::capturesLogsAreShownNotCopied()
{
    const auto texts = [this] {
        QStringList lines;
        for (qint64 row = 0; row < m_model->rowCount(); ++row)
            lines.append(m_model->text(row));
        return lines;
    };
    QSignalSpy appended(m_model.get(), &LogModel::rowsAppended);
    auto first = std::make_shared<LogLines>();
    first->append(QStringLiteral("a1"), LogLevel::Info);
    first->append(QStringLiteral("a2"), LogLevel::Error);
    QVERIFY(m_model->follow(first));
    QVERIFY(!m_model->follow(first));
    m_model->append(QStringLiteral("own"), Qt::cyan);
    auto second = std::make_shared<LogLines>();
    second->append(QStringLiteral("b1"), LogLevel::Warning);
    QVERIFY(m_model->follow(second));
    // The first capture finds a frame missing after the second was loaded.
    first->append(QStringLiteral("a3"), LogLevel::Warning);
    QVERIFY(m_model->follow(first));
    QCOMPARE(texts(), QStringList({"a1", "a2", "own", "b1", "a3"}));
    QCOMPARE(m_model->background(1), QColor(Qt::red));
    QCOMPARE(m_model->background(2), QColor(Qt::cyan));
    QCOMPARE(m_model->background(4), QColor(Qt::darkYellow));
    QCOMPARE(appended.size(), 4);
    QCOMPARE(appended.last(), (QList<QVariant>{qint64(4), qint64(1)}));

    m_view->clear();
    QVERIFY(!m_model->follow(first));
    first->append(QStringLiteral("a4"), LogLevel::Info);
    QVERIFY(m_model->follow(first));
    QCOMPARE(texts(), QStringList({"a4"}));

    const std::weak_ptr<LogLines> gone = second;
    second.reset();
    QVERIFY(gone.expired());
    const std::weak_ptr<LogLines> shown = first;
    first.reset();
    QVERIFY(!shown.expired());
    m_view->clear();
    QVERIFY(shown.expired());
}

void TestLogView::billionsOfRows()
{
    // More rows than an int counts: every row can be reached, shown, selected and copied.
    constexpr qint64 frames = 3'000'000'000;
    const auto counted = std::make_shared<CountedFrames>();
    const auto log = std::make_shared<LogLines>();
    m_model->append(QStringLiteral("first"), Qt::white);
    log->appendFrames(counted, 0, frames / 2);
    QVERIFY(m_model->follow(log));
    log->appendFrames(counted, frames / 2, frames / 2);
    QVERIFY(m_model->follow(log));
    m_model->append(QStringLiteral("last"), Qt::red);
    const qint64 rows = frames + 2;
    QVERIFY(lastRowShown());
    click(rowY(rows - 2));
    keyClick(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("Frame 3000000000: payload size 63 bytes"));

    QScrollBar *bar = m_view->verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    QVERIFY(qAbs(m_view->topRow() - rows / 2) < rows / 1000);
    click(rowY(m_view->topRow()));
    keyClick(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), m_model->text(m_view->topRow()));
    keyClick(Qt::Key_Home);
    QCOMPARE(bar->value(), 0);
    keyClick(Qt::Key_End);
    QVERIFY(lastRowShown());
    QCOMPARE(bar->value(), bar->maximum());

    // A copy of all of them takes the first copyLimit() lines and says so.
    m_view->setCopyLimit(1000);
    QSignalSpy limited(m_view.get(), &LogView::copyLimited);
    keyClick(Qt::Key_A, Qt::ControlModifier);
    keyClick(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(limited.count(), 1);
    QCOMPARE(limited.first(), (QList<QVariant>{qint64(1000), rows}));
    const QString copied = QGuiApplication::clipboard()->text();
    QCOMPARE(copied.count(QLatin1Char('\n')), qsizetype(999));
    QVERIFY(copied.startsWith(QStringLiteral("first\nFrame 1: payload size 0 bytes\n")));
    QVERIFY(copied.endsWith(QStringLiteral("\nFrame 999: payload size 38 bytes")));
}

QTEST_MAIN(TestLogView)
#include "tst_logview.moc"
