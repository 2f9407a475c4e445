// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturefixture.h"

#include "core/fields/fielddefinitions.h"
#include "core/files/capture.h"
#include "core/files/framecursor.h"
#include "core/filters/framefacts.h"
#include "core/filters/framerows.h"
#include "core/text/frametablewriter.h"
#include "core/text/frametext.h"
#include "core/text/timecolumn.h"
#include "core/text/timetrail.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using namespace Korvex;

/// The frame table written straight from the frames' bytes, as drfdump streams it, holds the
/// texts the viewer's table shows: the cells, the time in every mode, the field columns, and
/// "missing" for frames no longer in the file.
class TestFrameTableWriter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void rowsAreTheCells_data();
    void rowsAreTheCells();

private:
    QTemporaryDir dir;
    std::unique_ptr<Capture> capture;
};

void TestFrameTableWriter::initTestCase()
{
    const QString path = dir.filePath(QStringLiteral("cut.drf3"));
    capture = CaptureFixture::loadFile(path, 3000, 7);
    QVERIFY(capture && capture->frameCount() == 3000);
    // Cut at a checkpoint: the frames before it stay whole, the ones after go missing.
    QVERIFY(QFile::resize(path, qint64(capture->index().checkpoint(2688).offset)));
    QVERIFY(capture->frame(2999).isMissing() && !capture->frame(2687).isMissing());
}

void TestFrameTableWriter::rowsAreTheCells_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("withFields");
    const char *const names[] = {"tsv", "csv", "json", "jsonl"};
    for (int format = 0; format < 4; ++format) {
        for (const TimeMode mode : TimeText::Modes) {
            QTest::addRow("%s, %s", names[format], qPrintable(TimeText::key(mode)))
                << format << int(mode) << false;
        }
        QTest::addRow("%s, fields", names[format]) << format << int(TimeMode::SinceFirst) << true;
    }
}

void TestFrameTableWriter::rowsAreTheCells()
{
    QFETCH(int, format);
    QFETCH(int, mode);
    QFETCH(bool, withFields);
    QStringList errors;
    const FieldColumns columns =
        withFields ? FieldColumns(FieldDefinitions::read(
                         QStringLiteral(FRAMESCOPE_SOURCE_DIR "/samples/sample.drf3.fields.toml"),
                         &errors))
                   : FieldColumns();
    QVERIFY(!withFields || columns.count() > 0);
    // What the viewer's table shows, every frame a row.
    const FrameRows rows(capture->frameCount());
    TimeColumn time;
    time.setCapture(capture.get());
    time.setMode(TimeMode(mode));
    FrameTableWriter writer(FrameTableWriter::Format(format), 0);
    writer.setFieldColumns(columns);
    writer.setTimeTitle(time.title(rows));

    // drfdump's way: the frames' bytes and the time cells of a trail through them.
    TimeTrail trail(TimeMode(mode), 0);
    QByteArray out;
    writer.begin(out);
    FrameCursor cursor(*capture, 0, capture->frameCount());
    for (qint64 n = 0; cursor.next(); ++n) {
        const quint8 header = capture->index().header(n);
        QByteArray timeCell;
        trail.appendCell(timeCell, header, cursor.ticks());
        if (cursor.isMissing())
            timeCell = "missing";
        writer.row(out,
                   FrameFacts::fromBytes(n, header, cursor.ticks(),
                                         cursor.isMissing() ? nullptr : cursor.bytes(),
                                         cursor.length(), 0),
                   TimeMode(mode) == TimeMode::SinceFirst ? nullptr : &timeCell);
    }
    writer.end(out);

    QStringList titles{QStringLiteral("No."), time.title(rows)};
    for (int column = 1; column < FrameText::ColumnCount; ++column)
        titles.append(FrameText::columnTitle(column, 0));
    for (int k = 0; k < columns.count(); ++k)
        titles.append(columns.title(k));
    // Every line split into its cells; the sample's field texts hold no separator.
    QList<QStringList> lines;
    if (format < 2) {
        const QByteArray lineEnd = format == 1 ? "\r\n" : "\n";
        QVERIFY(out.endsWith(lineEnd));
        for (const QByteArray &line : out.chopped(1).split('\n'))
            lines.append(QString::fromUtf8(line.chopped(lineEnd.size() - 1)).split(format == 1 ? ',' : '\t'));
        QCOMPARE(lines.takeFirst(), titles);
    } else {
        // JSON Lines are the objects of the JSON array, one per line.
        const QByteArray array = format == 2 ? out : '[' + out.trimmed().replace("}\n{", "},{") + ']';
        for (const QJsonValue &row : QJsonDocument::fromJson(array).array()) {
            QCOMPARE(row.toObject().size(), titles.size());
            lines.append(QStringList());
            for (const QString &title : std::as_const(titles))
                lines.last().append(row.toObject().value(title).toString());
        }
    }
    QCOMPARE(lines.size(), capture->frameCount());
    qint64 decoded = 0;
    for (qint64 n = 0; n < capture->frameCount(); ++n) {
        const FrameRecord record = capture->frame(n);
        QStringList cells{QString::number(n), time.cell(rows, n)};
        for (int column = 1; column < FrameText::ColumnCount; ++column)
            cells.append(FrameText::cell(record, column, 0));
        const int message = columns.messageOf(record);
        decoded += message >= 0;
        const QByteArray payload = record.payload();
        for (int k = 0; k < columns.count(); ++k)
            cells.append(columns.cell(k, message, reinterpret_cast<const uchar *>(payload.constData())));
        QCOMPARE(lines.at(n), cells);
    }
    QCOMPARE(decoded > 0, withFields);
}

QTEST_GUILESS_MAIN(TestFrameTableWriter)
#include "tst_frametablewriter.moc"
