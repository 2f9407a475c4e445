// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturefixture.h"
#include "drfdumprun.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString Sample = QStringLiteral(FRAMESCOPE_SOURCE_DIR "/samples/sample.drf3.fields.toml");

/// The field cells of each frame of the capture, as the sample definitions decode them: the
/// Message column, then GainWrite's op, reg, gain, RegWrite's op, reg, value, RegRead's reg,
/// op and Strobe's timer.
const QList<QStringList> Cells = {
    {"GainWrite", "Write", "0x2A", "-3.5 dB", "", "", "", "", "", ""},
    {"GainWrite", "Write", "0x2A", "1 dB", "", "", "", "", "", ""},
    {"RegWrite", "", "", "", "Write", "FREQ", "0xBEEF", "", "", ""},
    {"RegRead", "", "", "", "", "", "", "STATUS", "Read", ""},
    {"Strobe", "", "", "", "", "", "", "", "", "74565"},
    {"", "", "", "", "", "", "", "", "", ""},
};

const QString Titles = QStringLiteral("Message,GainWrite.op,GainWrite.reg,GainWrite.gain,RegWrite.op,"
                                      "RegWrite.reg,RegWrite.value,RegRead.reg,RegRead.op,Strobe.timer");

} // namespace

/// drfdump --fields: the field columns in every format, with --filter, --export, --frame and
/// --stats, and a definition file with mistakes.
class TestDrfdumpFields : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void columns_data();
    void columns();
    void json();
    void filterAndExport();
    void frameDetails();
    void statistics();
    void refused_data();
    void refused();

private:
    QTemporaryDir m_dir;
    QString m_path;
};

void TestDrfdumpFields::initTestCase()
{
    using CaptureFixture::frameOf;
    m_path = m_dir.filePath(QStringLiteral("fields.drf3"));
    QFile file(m_path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(CaptureBuilder::capture(frameOf(1, 2, 0, 0, QByteArray::fromHex("102af2ff"))
                                           + frameOf(1, 2, 0, 10, QByteArray::fromHex("102a0400"))
                                           + frameOf(1, 2, 0, 10, QByteArray::fromHex("1031beef"))
                                           + frameOf(1, 2, 0, 10, QByteArray::fromHex("00440000"))
                                           + frameOf(1, 1, 0, 10, QByteArray::fromHex("00012345"))
                                           + frameOf(2, 4, 1, 10, QByteArray::fromHex("102af2ff")),
                                       "}"));
}

void TestDrfdumpFields::columns_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QByteArray>("separator");
    QTest::addColumn<QByteArray>("lineEnd");

    QTest::newRow("tsv") << "tsv" << QByteArray("\t") << QByteArray("\n");
    QTest::newRow("csv") << "csv" << QByteArray(",") << QByteArray("\r\n");
}

void TestDrfdumpFields::columns()
{
    QFETCH(QString, format);
    QFETCH(QByteArray, separator);
    QFETCH(QByteArray, lineEnd);
    // Each line is the line without definitions, then the field cells.
    const DrfdumpRun plain = drfdump({"--format", format, m_path});
    const DrfdumpRun fields = drfdump({"--format", format, "--fields", Sample, m_path});
    QCOMPARE(fields.status, 0);
    const QList<QByteArray> before = plain.out.split('\n');
    const QList<QByteArray> after = fields.out.split('\n');
    QCOMPARE(after.size(), before.size());
    const auto line = [&](const QStringList &cells) {
        return separator + cells.join(QString::fromLatin1(separator)).toUtf8() + lineEnd;
    };
    QCOMPARE(after.first() + '\n', before.first().chopped(lineEnd.size() - 1)
                                       + line(Titles.split(QLatin1Char(','))));
    for (int row = 0; row < Cells.size(); ++row) {
        QCOMPARE(after.at(row + 1) + '\n',
                 before.at(row + 1).chopped(lineEnd.size() - 1) + line(Cells.at(row)));
    }
}

void TestDrfdumpFields::json()
{
    const DrfdumpRun run = drfdump({"--format", "json", "--fields", Sample, m_path});
    QCOMPARE(run.status, 0);
    const QJsonArray rows = QJsonDocument::fromJson(run.out).array();
    QCOMPARE(rows.size(), Cells.size());
    const QStringList titles = Titles.split(QLatin1Char(','));
    for (int row = 0; row < Cells.size(); ++row) {
        const QJsonObject object = rows.at(row).toObject();
        QCOMPARE(object.size(), 6 + titles.size());
        for (int k = 0; k < titles.size(); ++k)
            QCOMPARE(object.value(titles.at(k)).toString(), Cells.at(row).at(k));
    }
}

void TestDrfdumpFields::filterAndExport()
{
    const QStringList fields{"--fields", Sample};
    const DrfdumpRun table = drfdump(fields + QStringList{"--filter", "GainWrite.gain < 0 or message == \"Strobe\"", m_path});
    QCOMPARE(table.status, 0);
    const QList<QByteArray> lines = table.out.split('\n');
    QCOMPARE(lines.size(), 4);
    QVERIFY(lines.at(1).endsWith("\tGainWrite\tWrite\t0x2A\t-3.5 dB\t\t\t\t\t\t"));
    QVERIFY(lines.at(2).endsWith("\tStrobe\t\t\t\t\t\t\t\t\t74565"));
    QCOMPARE(drfdump(fields + QStringList{"--count", "--filter", "RegRead.reg == \"STATUS\"", m_path}).out,
             QByteArray("1\n"));

    // The exported capture holds the matching frames as they were, fields and all.
    const QString out = m_dir.filePath(QStringLiteral("gains.drf3"));
    const DrfdumpRun exported = drfdump(fields + QStringList{"--export", out, "--filter", "message == \"GainWrite\"", m_path});
    QCOMPARE(exported.status, 0);
    const QList<QByteArray> back = drfdump(fields + QStringList{out}).out.split('\n');
    const QList<QByteArray> original = drfdump(fields + QStringList{m_path}).out.split('\n');
    QCOMPARE(back.size(), 4);
    for (int row = 1; row <= 2; ++row) {
        // The time column starts again at the first frame exported.
        QCOMPARE(back.at(row).mid(back.at(row).indexOf('\t')),
                 original.at(row).mid(original.at(row).indexOf('\t')));
    }
}

void TestDrfdumpFields::frameDetails()
{
    const DrfdumpRun gain = drfdump({"--frame", "0", "--fields", Sample, m_path});
    QCOMPARE(gain.status, 0);
    const DrfdumpRun plain = drfdump({"--frame", "0", m_path});
    QCOMPARE(gain.out, plain.out + "\nMessage\tGainWrite\n"
                                   "Field\tRaw value\tPhysical value\tValue name\n"
                                   "op\t1\t1\tWrite\n"
                                   "reg\t0x2A\t42\t\n"
                                   "gain\t-14\t-3.5 dB\t\n");
    const DrfdumpRun none = drfdump({"--frame", "5", "--fields", Sample, m_path});
    QVERIFY(none.out.endsWith("\n\nMessage\tnone of the definitions\n"));
}

void TestDrfdumpFields::statistics()
{
    const DrfdumpRun json = drfdump({"--stats", "json", "--fields", Sample, m_path});
    QCOMPARE(json.status, 0);
    const QJsonObject document = QJsonDocument::fromJson(json.out).object();
    QJsonObject gain;
    for (const QJsonValue &row : document.value(QStringLiteral("fields")).toArray()) {
        if (row[QStringLiteral("message")] == QStringLiteral("GainWrite")
            && row[QStringLiteral("field")] == QStringLiteral("gain"))
            gain = row.toObject();
    }
    // -3.5 dB and 1 dB.
    QCOMPARE(gain.value(QStringLiteral("frames")).toInteger(), 2);
    QCOMPARE(gain.value(QStringLiteral("minimum")).toDouble(), -3.5);
    QCOMPARE(gain.value(QStringLiteral("mean")).toDouble(), -1.25);
    QCOMPARE(gain.value(QStringLiteral("maximum")).toDouble(), 1.0);
    QCOMPARE(gain.value(QStringLiteral("unit")).toString(), QStringLiteral("dB"));

    const DrfdumpRun tsv = drfdump({"--stats", "tsv", "--fields", Sample, m_path});
    const QString text = QString::fromUtf8(tsv.out);
    QVERIFY2(text.contains(QLatin1String("\n\nMessage\tField\tUnit\tFrames\tMinimum\tMean\tMaximum\n"
                                         "GainWrite\top\t\t2\t1\t1\t1\n"
                                         "GainWrite\treg\t\t2\t42\t42\t42\n"
                                         "GainWrite\tgain\tdB\t2\t-3.5\t-1.25\t1\n")),
             tsv.out.constData());
    // A message no frame is gets no figures; value names count their frames.
    QVERIFY(text.contains(QLatin1String("Strobe\ttimer\t\t1\t74565\t74565\t74565\n")));
    QVERIFY(text.contains(QLatin1String("\n\nMessage\tField\tValue name\tFrames\tShare [%]\n"
                                        "GainWrite\top\tRead\t0\t0.00\n"
                                        "GainWrite\top\tWrite\t2\t100.00\n")));
    QVERIFY(text.contains(QLatin1String("RegRead\treg\tSTATUS\t1\t100.00\n")));
}

void TestDrfdumpFields::refused_data()
{
    QTest::addColumn<QByteArray>("definitions");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("err");

    QTest::newRow("mistakes") << QByteArray("format = 1\n[[message]]\nname = \"M\"\nchannel = 2\nsize = 1\nmatch = 3\n")
                              << QStringList()
                              << QByteArray("DEF:5:1: unknown key 'size' in a message (it takes name, channel, "
                                            "payload_bits, match, field)\n"
                                            "DEF:6:9: 'match' must be a string, not an integer\n");
    QTest::newRow("unknown message in the filter") << QByteArray("format = 1\n")
                                                 << QStringList{"--filter", "message == \"X\""}
                                                 << QByteArray("drfdump: bad filter: Column 12: expected a message name, "
                                                               "but the definitions name none, found '\"X\"'.\n");
    QTest::newRow("with --log") << QByteArray("format = 1\n") << QStringList{"--log"}
                                << QByteArray("drfdump: --fields goes with the frame table, --frame and --stats\n"
                                              "Try 'drfdump --help' for more information.\n");
}

void TestDrfdumpFields::refused()
{
    QFETCH(QByteArray, definitions);
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, err);
    const QString path = m_dir.filePath(QStringLiteral("DEF"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(definitions);
    file.close();
    const DrfdumpRun run = drfdump(QStringList{"--fields", path} + arguments + QStringList{m_path});
    QCOMPARE(run.status, 2);
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(run.err, QByteArray(err).replace("DEF:", path.toUtf8() + ':'));
}

QTEST_GUILESS_MAIN(TestDrfdumpFields)
#include "tst_drfdumpfields.moc"
