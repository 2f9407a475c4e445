// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/colors/colorfile.h"
#include "core/files/userdatafolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <csignal>

#include <sys/resource.h>

using Korvex::ColorFile;
using Color = ColorFile::Color;
using Entry = ColorFile::Entry;
using Table = ColorFile::Table;

Q_DECLARE_METATYPE(ColorFile::Color)
Q_DECLARE_METATYPE(ColorFile::Table)

namespace {

const Color NoColor;

Color rgb(int r, int g, int b)
{
    return Color::fromRgb(r, g, b);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Relative luminance and contrast ratio as used for legibility of text on a background.
double luminance(const Color &c)
{
    const auto channel = [](int value) {
        const double v = value / 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red) + 0.7152 * channel(c.green) + 0.0722 * channel(c.blue);
}

double contrast(const Color &a, const Color &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Runs write() while the process may not grow any file beyond limit bytes, so the write fails
// after the file was opened.
bool writeWithSizeLimit(const QString &path, const Table &table, rlim_t limit)
{
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &limited);
    const bool written = ColorFile::write(path, table);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    return written;
}

} // namespace

namespace QTest {
template<>
char *toString(const ColorFile::Color &c)
{
    return c.valid ? QTest::toString(QStringLiteral("rgb(%1,%2,%3)").arg(c.red).arg(c.green).arg(c.blue))
                   : qstrdup("no colour");
}
} // namespace QTest

/// The colour file format, its files and the shipped defaults.
class TestColorFile : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void parseKeepsLastOfDuplicateNames();
    void parseKeepsEveryEntry();
    void format_data();
    void format();
    void formatOrdersLinesByName();
    void invalidColoursReadBackAsBlack();
    void writeAndRead();
    void failedWriteKeepsPreviousFile_data();
    void failedWriteKeepsPreviousFile();
    void readMissingFile();
    void fileNames();
    void userDataFolderFollowsEnvironment();
    void shippedDefaults_data();
    void shippedDefaults();
};

void TestColorFile::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("present");
    QTest::addColumn<Color>("text");
    QTest::addColumn<Color>("background");

    QTest::newRow("LF") << QByteArray("Data Channel A;0;0;0;255;255;0\n") << "Data Channel A" << true
                        << rgb(0, 0, 0) << rgb(255, 255, 0);
    QTest::newRow("CR LF") << QByteArray("Data Channel A;0;0;0;255;255;0\r\n") << "Data Channel A"
                           << true << rgb(0, 0, 0) << rgb(255, 255, 0);
    QTest::newRow("no line end") << QByteArray("X;1;2;3;4;5;6") << "X" << true << rgb(1, 2, 3)
                                 << rgb(4, 5, 6);
    QTest::newRow("trailing ; gives 8 fields") << QByteArray("X;1;2;3;4;5;6;\n") << "X" << false
                                               << NoColor << NoColor;
    QTest::newRow("6 fields") << QByteArray("X;1;2;3;4;5\n") << "X" << false << NoColor << NoColor;
    QTest::newRow("empty field is 0") << QByteArray("X;;2;3;4;5;6\n") << "X" << true << rgb(0, 2, 3)
                                      << rgb(4, 5, 6);
    QTest::newRow("empty last field is 0") << QByteArray("X;1;2;3;4;5;\r\n") << "X" << true
                                           << rgb(1, 2, 3) << rgb(4, 5, 0);
    QTest::newRow("not a number is 0") << QByteArray("X;red;2;0x10;1e2;5;6\n") << "X" << true
                                       << rgb(0, 2, 0) << rgb(0, 5, 6);
    QTest::newRow("white space around digits") << QByteArray("X; 7 ;\t8;9 ;1;2; 3 \n") << "X" << true
                                               << rgb(7, 8, 9) << rgb(1, 2, 3);
    QTest::newRow("NUL inside digits is 0") << QByteArray("X;1;2;3;25\0" "5;5;6\n", 17) << "X" << true
                                            << rgb(1, 2, 3) << rgb(0, 5, 6);
    QTest::newRow("white space inside digits") << QByteArray("X;1 2;2;3;4;5;6\n") << "X" << true
                                               << rgb(0, 2, 3) << rgb(4, 5, 6);
    QTest::newRow("256 spoils the text colour only") << QByteArray("X;256;0;0;1;2;3\n") << "X" << true
                                                     << NoColor << rgb(1, 2, 3);
    QTest::newRow("-1 spoils the background only") << QByteArray("X;1;2;3;4;-1;6\n") << "X" << true
                                                   << rgb(1, 2, 3) << NoColor;
    QTest::newRow("255 is still valid") << QByteArray("X;255;255;255;0;0;0\n") << "X" << true
                                        << rgb(255, 255, 255) << rgb(0, 0, 0);
    QTest::newRow("name kept verbatim") << QByteArray(" data channel a ;1;2;3;4;5;6\n")
                                        << " data channel a " << true << rgb(1, 2, 3) << rgb(4, 5, 6);
    QTest::newRow("name bytes are Latin-1") << QByteArray("K\xe4nal;1;2;3;4;5;6\n")
                                            << QString::fromLatin1("K\xe4nal") << true << rgb(1, 2, 3)
                                            << rgb(4, 5, 6);
    QTest::newRow("after an empty line") << QByteArray("\n\r\nX;1;2;3;4;5;6\n") << "X" << true
                                         << rgb(1, 2, 3) << rgb(4, 5, 6);
    QTest::newRow("after a skipped line") << QByteArray("junk\nX;1;2;3;4;5;6\n") << "X" << true
                                          << rgb(1, 2, 3) << rgb(4, 5, 6);
}

void TestColorFile::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(bool, present);
    QFETCH(Color, text);
    QFETCH(Color, background);

    const Table table = ColorFile::parse(bytes);
    QCOMPARE(table.contains(name), present);
    if (!present) {
        QVERIFY(table.isEmpty());
        return;
    }
    QCOMPARE(table.value(name).text, text);
    QCOMPARE(table.value(name).background, background);
}

void TestColorFile::parseKeepsLastOfDuplicateNames()
{
    const Table table = ColorFile::parse("X;1;1;1;1;1;1\nY;7;7;7;7;7;7\r\nX;2;2;2;2;2;2\nX;3;3;3\n");
    QCOMPARE(table.size(), 2);
    QCOMPARE(table.value("X").text, rgb(2, 2, 2));
    QCOMPARE(table.value("Y").background, rgb(7, 7, 7));
}

void TestColorFile::parseKeepsEveryEntry()
{
    QByteArray bytes;
    for (int i = 0; i < 300; ++i)
        bytes += QStringLiteral("Channel %1;%2;0;0;0;0;%3\n").arg(i).arg(i % 256).arg(255 - i % 256).toLatin1();
    const Table table = ColorFile::parse(bytes);
    QCOMPARE(table.size(), 300);
    QCOMPARE(table.value("Channel 299").text, rgb(299 % 256, 0, 0));
    QCOMPARE(table.value("Channel 299").background, rgb(0, 0, 255 - 299 % 256));
}

void TestColorFile::format_data()
{
    QTest::addColumn<Table>("table");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty table, empty file") << Table() << QByteArray();
    QTest::newRow("one entry") << Table{{"Data Channel A", Entry{rgb(0, 0, 0), rgb(255, 255, 0)}}}
                               << QByteArray("Data Channel A;0;0;0;255;255;0\n");
    QTest::newRow("invalid colours as zeros")
        << Table{{"X", Entry{NoColor, rgb(10, 20, 30)}}, {"Y", Entry{rgb(1, 2, 3), NoColor}},
                 {"Z", Entry{Color::fromRgb(256, 5, 5), Color{7, 8, 9, false}}}}
        << QByteArray("X;0;0;0;10;20;30\nY;1;2;3;0;0;0\nZ;0;0;0;0;0;0\n");
    QTest::newRow("Latin-1 name") << Table{{QString::fromLatin1("K\xe4nal"), Entry{rgb(1, 2, 3), rgb(4, 5, 6)}}}
                                  << QByteArray("K\xe4nal;1;2;3;4;5;6\n");
}

void TestColorFile::format()
{
    QFETCH(Table, table);
    QFETCH(QByteArray, bytes);
    QCOMPARE(ColorFile::format(table), bytes);
}

void TestColorFile::formatOrdersLinesByName()
{
    const QStringList names = {"Interface Control", "Time Accurate Strobe Message", "RF IC Control",
                               "Reserved", "Data Channel A", "Data Channel B", "Data Channel C",
                               "Data Channel D", "Data Channel E", "Data Channel F",
                               "Data Channel G", "Data Channel H", "Reserved for future use",
                               "not impl"};
    Table table;
    for (const QString &name : names)
        table.insert(name, Entry{rgb(1, 1, 1), rgb(2, 2, 2)});

    QStringList written;
    for (const QByteArray &line : ColorFile::format(table).split('\n'))
        if (!line.isEmpty())
            written << QString::fromLatin1(line.left(line.indexOf(';')));
    const QStringList expected = {"Data Channel A", "Data Channel B", "Data Channel C",
                                  "Data Channel D", "Data Channel E", "Data Channel F",
                                  "Data Channel G", "Data Channel H", "Interface Control",
                                  "RF IC Control", "Reserved", "Reserved for future use",
                                  "Time Accurate Strobe Message", "not impl"};
    QCOMPARE(written, expected);
}

void TestColorFile::invalidColoursReadBackAsBlack()
{
    const Table saved{{"X", Entry{NoColor, NoColor}}};
    const Table loaded = ColorFile::parse(ColorFile::format(saved));
    QCOMPARE(loaded.value("X").text, rgb(0, 0, 0));
    QCOMPARE(loaded.value("X").background, rgb(0, 0, 0));
    QVERIFY(loaded.value("X").text.valid);
}

void TestColorFile::writeAndRead()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("colors3G.lst");
    QVERIFY(writeBytes(path, "old;1;1;1;1;1;1\nolder;2;2;2;2;2;2\n"));

    const Table table{{"B", Entry{rgb(1, 2, 3), rgb(4, 5, 6)}}, {"A", Entry{NoColor, rgb(9, 9, 9)}}};
    QVERIFY(ColorFile::write(path, table));
    QCOMPARE(readAll(path), QByteArray("A;0;0;0;9;9;9\nB;1;2;3;4;5;6\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"colors3G.lst"});

    const std::optional<Table> back = ColorFile::read(path);
    QVERIFY(back.has_value());
    QCOMPARE(back->keys(), (QStringList{"A", "B"}));
    QCOMPARE(back->value("B"), table.value("B"));

    QVERIFY(ColorFile::write(path, Table()));
    QCOMPARE(readAll(path), QByteArray());
    QVERIFY(ColorFile::read(path).has_value());
    QVERIFY(ColorFile::read(path)->isEmpty());
}

void TestColorFile::failedWriteKeepsPreviousFile_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::newRow("missing folder") << "missing folder";
    QTest::newRow("folder in place of the file") << "folder";
    QTest::newRow("read-only folder") << "read-only";
    QTest::newRow("write fails midway") << "size limit";
}

void TestColorFile::failedWriteKeepsPreviousFile()
{
    QFETCH(QString, obstacle);
    QTemporaryDir dir;
    const QString folder = dir.filePath("Framescope");
    QString path = folder + "/colorsV4.lst";
    const QByteArray previous("not impl;1;2;3;4;5;6\n");

    if (obstacle == "missing folder") {
        QVERIFY(!ColorFile::write(path, Table{{"X", Entry{}}}));
        QVERIFY(!QFileInfo::exists(folder));
        return;
    }

    QVERIFY(QDir().mkpath(folder));
    if (obstacle == "folder") {
        QVERIFY(QDir().mkpath(path));
        QVERIFY(writeBytes(path + "/inside", previous));
        QVERIFY(!ColorFile::write(path, Table{{"X", Entry{}}}));
        QVERIFY(QFileInfo(path).isDir());
        QCOMPARE(readAll(path + "/inside"), previous);
        QVERIFY(!ColorFile::read(path).has_value());
        return;
    }

    QVERIFY(writeBytes(path, previous));
    if (obstacle == "size limit") {
        const Table table{{"Data Channel A", Entry{rgb(0, 0, 0), rgb(255, 255, 0)}},
                          {"Data Channel B", Entry{rgb(0, 0, 0), rgb(255, 255, 0)}}};
        QVERIFY(!writeWithSizeLimit(path, table, 40));
        QCOMPARE(readAll(path), previous);
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"colorsV4.lst"});
        return;
    }
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    QFile probe(folder + "/probe");
    if (probe.open(QIODevice::WriteOnly)) {
        probe.remove();
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QSKIP("This user may write into read-only folders");
    }
    const bool written = ColorFile::write(path, Table{{"X", Entry{}}});
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!written);
    QCOMPARE(readAll(path), previous);
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"colorsV4.lst"});
}

void TestColorFile::readMissingFile()
{
    QTemporaryDir dir;
    QVERIFY(!ColorFile::read(dir.filePath("colors3G.def")).has_value());
    QVERIFY(!ColorFile::read(dir.path()).has_value());
}

void TestColorFile::fileNames()
{
    QCOMPARE(ColorFile::fileName(0, false), QString("colors3G.lst"));
    QCOMPARE(ColorFile::fileName(0, true), QString("colors3G.def"));
    QCOMPARE(ColorFile::fileName(1, false), QString("colorsV4.lst"));
    QCOMPARE(ColorFile::fileName(2, true), QString("colorsV4.def"));
    QCOMPARE(ColorFile::fileName(-1, false), QString("colorsV4.lst"));
}

void TestColorFile::userDataFolderFollowsEnvironment()
{
    QTemporaryDir home;
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
    const QString folder = Korvex::userDataFolder();
    if (saved.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", saved);

    QCOMPARE(folder, home.path() + "/Kestrant/Framescope/");
    QVERIFY(!QFileInfo::exists(home.filePath("Kestrant")));
}

void TestColorFile::shippedDefaults_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("DigRF 3G") << "colors3G.def"
                              << QStringList{"Interface Control", "Time Accurate Strobe Message",
                                             "RF IC Control", "Reserved", "Data Channel A",
                                             "Data Channel B", "Data Channel C", "Data Channel D",
                                             "Data Channel E", "Data Channel F", "Data Channel G",
                                             "Data Channel H", "Reserved for future use"};
    QTest::newRow("DigRF v4") << "colorsV4.def" << QStringList{"not impl"};
}

void TestColorFile::shippedDefaults()
{
    QFETCH(QString, file);
    QFETCH(QStringList, names);
    const QByteArray bytes = readAll(QStringLiteral(FRAMESCOPE_SOURCE_DIR "/core/colors/") + file);
    const Table table = ColorFile::parse(bytes);

    // Written exactly as the program writes its files, so a copy round-trips unchanged.
    QCOMPARE(ColorFile::format(table), bytes);
    QStringList expected = names;
    std::sort(expected.begin(), expected.end());
    QCOMPARE(table.keys(), expected);

    const Color white = rgb(255, 255, 255);
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        QVERIFY2(it->text.valid && it->background.valid, qPrintable(it.key()));
        // A white background would leave the channel without a bar in the overview strip.
        QVERIFY2(it->background != white, qPrintable(it.key()));
        QVERIFY2(contrast(it->text, it->background) >= 4.5, qPrintable(it.key()));
    }
}

QTEST_GUILESS_MAIN(TestColorFile)
#include "tst_colorfile.moc"
