// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturefixture.h"
#include "textrecorder.h"

#include "viewer/views/frameprinter.h"

#include <QPainter>
#include <QtTest>

using namespace Korvex;

using Runs = QList<QPair<qint64, qint64>>;
Q_DECLARE_METATYPE(Runs)

namespace {

// An A4 page's printable area at a printer's 1200 dots per inch.
constexpr int PageHeight = 13699;
constexpr int Dpi = 1200;

void paint(FramePrinter &printer, TextRecorder &recorder, int page)
{
    recorder.texts.clear();
    recorder.lines.clear();
    QPainter painter(&recorder);
    printer.paintPage(painter, page);
}

} // namespace

/// The printout of many frames over pages, read back from pages that record what is painted.
/// What one page holds is tested from the window (tst_printing).
class TestFramePrinter : public QObject
{
    Q_OBJECT

private slots:
    void everyRowOnce_data();
    void everyRowOnce();
    void wrappedPayload();
};

void TestFramePrinter::everyRowOnce_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<Runs>("runs");

    QTest::newRow("300 frames") << 300 << Runs{{0, 300}};
    // Far enough apart that the frames between them are not read.
    QTest::newRow("runs far apart") << 12000 << Runs{{3, 5}, {6000, 6002}, {11999, 12000}};
}

void TestFramePrinter::everyRowOnce()
{
    QFETCH(int, frames);
    QFETCH(Runs, runs);

    const std::unique_ptr<Capture> loaded =
        CaptureFixture::load(CaptureBuilder::randomCapture(frames, 11));
    QVERIFY(loaded);
    const FrameRows rows(frames);
    QList<PrintRows::Run> printedRuns;
    QStringList expected;
    for (const auto &run : std::as_const(runs)) {
        printedRuns.append({run.first, run.second});
        for (qint64 frame = run.first; frame < run.second; ++frame)
            expected.append(QString::number(frame));
    }
    FramePrinter printer(loaded.get(), rows, PrintRows::runs(rows, printedRuns), {0, 1, 2, 3, 4});
    TextRecorder recorder(9583, PageHeight, Dpi);
    QVERIFY(printer.layOut(&recorder, [] { return true; }));
    const PrintLayout &layout = printer.layout();
    QCOMPARE(layout.scale(), 1.0);
    QCOMPARE(printer.pageCount() > 1, frames == 300);

    // The frame numbers are the texts of the first column below the header row; every page
    // has some, its number at the foot, and no line below its rows' room.
    QStringList numbers;
    for (int page = 1; page <= printer.pageCount(); ++page) {
        paint(printer, recorder, page);
        QCOMPARE(recorder.textLines().last(),
                 QStringList{QStringLiteral("Page %1 of %2").arg(page).arg(printer.pageCount())});
        const qsizetype before = numbers.size();
        for (const TextRecorder::Text &text : std::as_const(recorder.texts)) {
            if (text.at.x() < layout.columnLeft(1) && text.at.y() > layout.rowsTop()
                && text.at.y() < layout.rowsBottom())
                numbers.append(text.text);
        }
        QVERIFY(numbers.size() > before);
        for (const QLineF &line : std::as_const(recorder.lines))
            QVERIFY(qMax(line.y1(), line.y2()) <= layout.rowsBottom());
    }
    QCOMPARE(numbers, expected);
}

void TestFramePrinter::wrappedPayload()
{
    QByteArray payload;
    QString text;
    for (int i = 0; i < 64; ++i) {
        payload.append(char(i * 3));
        text += QStringLiteral("%1").arg(i * 3, 2, 16, QLatin1Char('0')).toUpper()
                + (i % 2 == 1 ? QStringLiteral(" ") : QString());
    }
    const std::unique_ptr<Capture> loaded =
        CaptureFixture::load3G(CaptureFixture::frameOf(6, 4, 0, 0, payload)
                               + CaptureFixture::frameOf(0, 4, 0, 5, payload));
    QVERIFY(loaded);
    const FrameRows rows(loaded->frameCount());
    // Two inches wide, the frame number and the payload: the payload wraps.
    FramePrinter printer(loaded.get(), rows, PrintRows::all(rows), {4});
    TextRecorder recorder(2 * Dpi, PageHeight, Dpi);
    QVERIFY(printer.layOut(&recorder, [] { return true; }));
    paint(printer, recorder, 1);
    const PrintLayout &layout = printer.layout();
    QCOMPARE(layout.scale(), 1.0);
    const int perLine = layout.groupsPerLine();
    QVERIFY2(perLine > 1 && perLine < 32, qPrintable(QString::number(perLine)));

    // The payload's lines in the first row, top to bottom, as many groups on each as fit.
    const qreal rowBottom = layout.rowsTop() + layout.rowHeight(layout.linesFor(32));
    QMap<qreal, QString> lines;
    for (const TextRecorder::Text &cell : std::as_const(recorder.texts)) {
        if (cell.at.x() >= layout.columnLeft(1) && cell.at.y() > layout.rowsTop()
            && cell.at.y() < rowBottom)
            lines.insert(cell.at.y(), cell.text);
    }
    QCOMPARE(lines.size(), layout.linesFor(32));
    QCOMPARE(lines.values().join(QLatin1Char(' ')), text.trimmed());
    for (const QString &line : std::as_const(lines))
        QVERIFY(line.count(QLatin1Char(' ')) < perLine);
    // The one-byte payload of the second frame has a row of one line below.
    const QList<QStringList> page = recorder.textLines();
    QCOMPARE(page.at(page.size() - 2), (QStringList{"1", "00"}));
}

QTEST_MAIN(TestFramePrinter)
#include "tst_frameprinter.moc"
