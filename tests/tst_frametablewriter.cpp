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
    std::shared_ptr<const FieldDefinitions> fields;
    // Frames from this one on are cut from the file after the load.
    qint64 firstMissing = 0;
};

void TestFrameTableWriter::initTestCase()
{
    const QString path = dir.filePath(QStringLiteral("cut.drf3"));
    capture = CaptureFixture::loadFile(path, 3000, 7);
    QVERIFY(capture && capture->frameCount() == 3000);
    firstMissing = 2688; // a checkpoint: the frames before it stay whole
    QVERIFY(QFile::resize(path, qint64(capture->index().checkpoint(firstMissing).offset)));
    QVERIFY(capture->frame(2999).isMissing());
    QVERIFY(!capture->frame(firstMissing - 1).isMissing());
    // Messages on two channels.
    QFile definitions(dir.filePath(QStringLiteral("fields.toml")));
    QVERIFY(definitions.open(QIODevice::WriteOnly));
    definitions.write("format = 1\n"
                      "[[message]]\nname = \"Gain\"\nchannel = \"RF IC Control\"\n"
                      "[[message.field]]\nname = \"mode\"\nstart = 0\nlength = 1\n"
                      "values = { 0 = \"off\", 1 = \"on\" }\n"
                      "[[message]]\nname = \"Data\"\nchannel = \"Data Channel A\"\n"
                      "[[message.field]]\nname = \"first\"\nstart = 0\nlength = 8\n");
    definitions.close();
    QStringList errors;
    fields = FieldDefinitions::read(definitions.fileName(), &errors);
    QVERIFY2(fields, qPrintable(errors.join(QLatin1Char('\n'))));
}

void TestFrameTableWriter::rowsAreTheCells_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("withFields");
    const std::pair<FrameTableWriter::Format, const char *> formats[] = {
        {FrameTableWriter::Format::Tsv, "tsv"},
        {FrameTableWriter::Format::Csv, "csv"},
        {FrameTableWriter::Format::Json, "json"},
        {FrameTableWriter::Format::JsonLines, "jsonl"}};
    for (const auto &[format, name] : formats) {
        for (const TimeMode mode : TimeText::Modes) {
            QTest::addRow("%s, %s", name, qPrintable(TimeText::key(mode)))
                << int(format) << int(mode) << false;
        }
        QTest::addRow("%s, fields", name) << int(format) << int(TimeMode::SinceFirst) << true;
    }
}

void TestFrameTableWriter::rowsAreTheCells()
{
    QFETCH(int, format);
    QFETCH(int, mode);
    QFETCH(bool, withFields);
    const auto tableFormat = FrameTableWriter::Format(format);
    const FieldColumns columns = withFields ? FieldColumns(fields) : FieldColumns();
    FrameTableWriter writer(tableFormat, 0);
    writer.setFieldColumns(columns);
    // What the viewer's table shows, every frame a row.
    const FrameRows rows(capture->frameCount());
    TimeColumn time;
    time.setCapture(capture.get());
    time.setMode(TimeMode(mode));
    writer.setTimeTitle(time.title(rows));
    TimeTrail trail(TimeMode(mode), 0);

    QByteArray out;
    writer.begin(out);
    FrameCursor cursor(*capture, 0, capture->frameCount());
    std::optional<quint64> last;
    for (qint64 n = 0; cursor.next(); ++n) {
        const quint8 header = capture->index().header(n);
        const FrameFacts facts = FrameFacts::fromBytes(n, header, cursor.ticks(),
                                                       cursor.isMissing() ? nullptr : cursor.bytes(),
                                                       cursor.length(), 0);
        // drfdump's own time cells; a missing frame shows "missing" as the viewer's does.
        QByteArray timeCell;
        if (TimeMode(mode) == TimeMode::DeltaDisplayed)
            TimeText::appendSince(timeCell, cursor.ticks(), last);
        else
            trail.appendCell(timeCell, header, cursor.ticks());
        last = cursor.ticks();
        if (cursor.isMissing())
            timeCell = FrameText::cell(capture->frame(n), 0, 0).toUtf8();
        writer.row(out, facts, TimeMode(mode) == TimeMode::SinceFirst ? nullptr : &timeCell);
    }
    writer.end(out);

    QStringList titles{QStringLiteral("No."), time.title(rows)};
    for (int column = 1; column < FrameText::ColumnCount; ++column)
        titles.append(FrameText::columnTitle(column, 0));
    for (int k = 0; k < columns.count(); ++k)
        titles.append(columns.title(k));
    // Every line split into its cells; no cell holds a separator.
    QList<QStringList> lines;
    if (tableFormat == FrameTableWriter::Format::Tsv || tableFormat == FrameTableWriter::Format::Csv) {
        const bool csv = tableFormat == FrameTableWriter::Format::Csv;
        QList<QByteArray> split = out.split('\n');
        QCOMPARE(split.takeLast(), QByteArray());
        for (QByteArray line : std::as_const(split)) {
            QVERIFY(!csv || line.endsWith('\r'));
            if (csv)
                line.chop(1);
            lines.append(QString::fromUtf8(line).split(QLatin1Char(csv ? ',' : '\t')));
        }
        QCOMPARE(lines.takeFirst(), titles);
    } else {
        QByteArray document = out;
        if (tableFormat == FrameTableWriter::Format::JsonLines) {
            QVERIFY(out.endsWith("}\n") && !out.startsWith('['));
            document = '[' + out.trimmed().replace("}\n{", "},\n{") + ']';
        }
        QJsonParseError error;
        const QJsonArray array = QJsonDocument::fromJson(document, &error).array();
        QCOMPARE(error.error, QJsonParseError::NoError);
        for (const QJsonValue &row : array) {
            QCOMPARE(row.toObject().size(), titles.size());
            QStringList cells;
            for (const QString &title : std::as_const(titles))
                cells.append(row.toObject().value(title).toString());
            lines.append(cells);
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
