// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturebuilder.h"
#include "drfdumprun.h"

#include "core/files/capture.h"
#include "core/files/capturefile.h"
#include "core/text/frametext.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Korvex;
using namespace CaptureBuilder;

namespace {

using Run = DrfdumpRun;

class NullSink final : public FrameReaderSink
{
public:
    void log(const QString &, LogLevel) override {}
    void progress(int) override {}
};

} // namespace

/// drfdump's frame table in its three formats, its log and its exit statuses.
class TestDrfdump : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void table_data();
    void table();
    void json();
    void log_data();
    void log();
    void logAsJson();
    void exitStatus_data();
    void exitStatus();
    void writeErrors_data();
    void writeErrors();
    void readerHangsUp_data();
    void readerHangsUp();
    void largeTableMatchesCells();
    void constantMemory();

private:
    QString write(const QString &name, const QByteArray &bytes);

    QTemporaryDir dir;
    QString three;
    QString v4;
    QString empty;
};

QString TestDrfdump::write(const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
    return path;
}

void TestDrfdump::initTestCase()
{
    QVERIFY(QFile::exists(QStringLiteral(DRFDUMP_PATH)));
    three = write(QStringLiteral("three.drf3"),
                  capture(frame(1, 4, 1, 99) + frame(0, 2, 0, 312) + frame(2, 15, 0, 688), "}"));
    v4 = write(QStringLiteral("two.drf4"),
               capture(frame(headerWord(1, 4, 1), 99) + frame(headerWord(0, 2, 0), 312)));
    empty = write(QStringLiteral("empty.drf3"), "{DATA LIST-1:#}");
}

void TestDrfdump::table_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QByteArray>("output");

    QTest::newRow("tsv") << three << "tsv"
                         << QByteArray("No.\tTime [ns]\tFrame\tCTS\tPayload Size [Bits]\tPayload\n"
                                       "0\t0\t32 bit Data Channel A\t1\t32\t0001 0203 \n"
                                       "1\t1000\t8 bit RF IC Control\t0\t8\t00\n"
                                       "2\t3205\t64 bit Reserved for future use\t0\t64\t0001 0203 0405 0607 \n");
    QTest::newRow("tsv is the default") << three << QString()
                                        << QByteArray("No.\tTime [ns]\tFrame\tCTS\tPayload Size [Bits]\tPayload\n"
                                                      "0\t0\t32 bit Data Channel A\t1\t32\t0001 0203 \n"
                                                      "1\t1000\t8 bit RF IC Control\t0\t8\t00\n"
                                                      "2\t3205\t64 bit Reserved for future use\t0\t64\t0001 0203 0405 0607 \n");
    QTest::newRow("csv") << three << "csv"
                         << QByteArray("No.,Time [ns],Frame,CTS,Payload Size [Bits],Payload\r\n"
                                       "0,0,32 bit Data Channel A,1,32,0001 0203 \r\n"
                                       "1,1000,8 bit RF IC Control,0,8,00\r\n"
                                       "2,3205,64 bit Reserved for future use,0,64,0001 0203 0405 0607 \r\n");
    QTest::newRow("DigRF v4 tsv") << v4 << "tsv"
                                  << QByteArray("No.\tTime [ns]\tFrame\tCRI\tPayload Size [Bits]\tPayload\n"
                                                "0\t0\tnot impl\tnot impl\t-1\t\n"
                                                "1\t1000\tnot impl\tnot impl\t-1\t\n");
    QTest::newRow("no frames, tsv") << empty << "tsv"
                                    << QByteArray("No.\tTime [ns]\tFrame\tCTS\tPayload Size [Bits]\tPayload\n");
    QTest::newRow("no frames, csv") << empty << "csv"
                                    << QByteArray("No.,Time [ns],Frame,CTS,Payload Size [Bits],Payload\r\n");
    QTest::newRow("no frames, json") << empty << "json" << QByteArray("[]\n");
    QTest::newRow("no frames, jsonl") << empty << "jsonl" << QByteArray();
}

void TestDrfdump::table()
{
    QFETCH(QString, file);
    QFETCH(QString, format);
    QFETCH(QByteArray, output);
    QStringList arguments;
    if (!format.isEmpty())
        arguments << QStringLiteral("--format") << format;
    const Run run = drfdump(arguments << file);
    QCOMPARE(run.out, output);
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.status, 0);
}

void TestDrfdump::json()
{
    const Run run = drfdump({QStringLiteral("--format"), QStringLiteral("json"), three});
    QCOMPARE(run.status, 0);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(run.out, &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonArray rows = document.array();
    QCOMPARE(rows.size(), 3);
    const QJsonObject last = rows.at(2).toObject();
    QCOMPARE(last.keys().size(), 6);
    QCOMPARE(last.value("No.").toString(), QStringLiteral("2"));
    QCOMPARE(last.value("Time [ns]").toString(), QStringLiteral("3205"));
    QCOMPARE(last.value("Frame").toString(), QStringLiteral("64 bit Reserved for future use"));
    QCOMPARE(last.value("CTS").toString(), QStringLiteral("0"));
    QCOMPARE(last.value("Payload Size [Bits]").toString(), QStringLiteral("64"));
    QCOMPARE(last.value("Payload").toString(), QStringLiteral("0001 0203 0405 0607 "));

    const Run runV4 = drfdump({QStringLiteral("--format"), QStringLiteral("json"), v4});
    const QJsonObject first = QJsonDocument::fromJson(runV4.out).array().first().toObject();
    QCOMPARE(first.value("CRI").toString(), QStringLiteral("not impl"));
    QVERIFY(!first.contains("CTS"));
}

void TestDrfdump::log_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("output");

    const QString digrfV4 = write(QStringLiteral("capture.bin"),
                                   capture(frame(1, 4, 0, 0) + frame(headerWord(7, 0, 0), 0), "xy"));
    // Read as DigRF v4, the 22 bytes are three 8-byte frames, the last one cut short.
    QTest::newRow("DigRF v4")
        << digrfV4 << 0
        << ("info\tSet DigRF Version to v4\n"
            "info\tOpen file " + digrfV4.toUtf8() + ": success\n"
            "info\tFound tag 'TYPE'\n"
            "info\tTag value: test\n"
            "info\tFound tag 'DATA LIST-20'\n"
            "info\tParsing frames ...\n"
            "info\tFrame 1: payload size 0 bytes\n"
            "info\tFrame 2: payload size 0 bytes\n"
            "info\tFrame 3: payload size 0 bytes\n"
            "info\tTag 'DATA LIST' is open and EOF reached!\n"
            "info\t3 frames loaded.\n");
    const QString code7 = write(QStringLiteral("code7.drf3"),
                                capture(frame(1, 4, 0, 0) + frame(headerWord(7, 0, 0), 0), "xy"));
    QTest::newRow("invalid frame")
        << code7 << 0
        << ("info\tSet DigRF Version to 3G\n"
            "info\tOpen file " + code7.toUtf8() + ": success\n"
            "info\tFound tag 'TYPE'\n"
            "info\tTag value: test\n"
            "info\tFound tag 'DATA LIST-20'\n"
            "info\tParsing frames ...\n"
            "info\tFrame 1: payload size 4 bytes\n"
            "warning\tFound invalid frame: Invalid payload size: 0 bytes. No further frames will be loaded.\n"
            "warning\t1 bytes ignored after last frame.\n"
            "info\tTag 'DATA LIST' is open and EOF reached!\n"
            "info\t1 frames loaded.\n");
    const QString aborted = write(QStringLiteral("aborted.drf3"), "{DATA LIST-7:!");
    QTest::newRow("aborted")
        << aborted << 1
        << ("info\tSet DigRF Version to 3G\n"
            "info\tOpen file " + aborted.toUtf8() + ": success\n"
            "info\tFound tag 'DATA LIST-7'\n"
            "error\tMissing # symbol in 'DATA LIST-7' tag! File load aborted.\n");
    QTest::newRow("missing, named as given")
        << "no/such.DRF3" << 1
        << QByteArray("info\tSet DigRF Version to 3G\nerror\tCannot open file no/such.DRF3\n"
                      "error\tNo such file or directory\n");
    // Line breaks, tabs and backslashes in a text are escaped: one entry stays one line.
    const QString controls = write(QStringLiteral("controls.drf4"), "{NOTE:a\nb\rc\td\\e\x01}");
    QTest::newRow("escaped text")
        << controls << 0
        << ("info\tSet DigRF Version to v4\n"
            "info\tOpen file " + controls.toUtf8() + ": success\n"
            "info\tFound tag 'NOTE'\n"
            "info\tTag value: a\\nb\\rc\\td\\\\e\x01\n"
            "info\tParsing frames ...\n"
            "info\tTag 'DATA LIST' is open and EOF reached!\n"
            "info\t0 frames loaded.\n");
}

void TestDrfdump::log()
{
    QFETCH(QString, file);
    QFETCH(int, status);
    QFETCH(QByteArray, output);
    const Run run = drfdump({QStringLiteral("--log"), file});
    QCOMPARE(run.out, output);
    QCOMPARE(run.status, status);
}

void TestDrfdump::logAsJson()
{
    // The same entries as the tsv log, with the texts as they are.
    const QString path = write(QStringLiteral("json.drf3"), "{NOTE:a\nb\\}{DATA LIST-x:#");
    const Run run = drfdump({QStringLiteral("--log"), QStringLiteral("--format"),
                             QStringLiteral("json"), path});
    QCOMPARE(run.status, 1);
    QJsonParseError error;
    const QJsonArray entries = QJsonDocument::fromJson(run.out, &error).array();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QStringList got;
    for (const QJsonValue &entry : entries) {
        const QJsonObject object = entry.toObject();
        QCOMPARE(object.keys(), (QStringList{"level", "text"}));
        got.append(object.value("level").toString() + QLatin1Char('|')
                   + object.value("text").toString());
    }
    // JSON Lines: the same objects, one per line.
    const Run lines = drfdump({QStringLiteral("--log"), QStringLiteral("--format"),
                               QStringLiteral("jsonl"), path});
    QCOMPARE(lines.status, 1);
    QList<QByteArray> objects = lines.out.split('\n');
    QCOMPARE(objects.takeLast(), QByteArray());
    QCOMPARE(objects.size(), entries.size());
    for (qsizetype i = 0; i < objects.size(); ++i)
        QCOMPARE(QJsonDocument::fromJson(objects.at(i)).object(), entries.at(i).toObject());
    QCOMPARE(got, (QStringList{"info|Set DigRF Version to 3G",
                               "info|Open file " + path + ": success",
                               "info|Found tag 'NOTE'",
                               "info|Tag value: a\nb\\",
                               "info|Found tag 'DATA LIST-x'",
                               "error|Wrong data length (0) in 'DATA LIST-x' tag! File load "
                               "aborted."}));
}

void TestDrfdump::exitStatus_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error");

    const QString aborted = write(QStringLiteral("wrong.drf3"), "{DATA LIST:#");
    QTest::newRow("table") << QStringList{three} << 0 << QString();
    QTest::newRow("missing file")
        << QStringList{dir.filePath("gone.drf3")} << 1
        << QStringLiteral("drfdump: Cannot open file %1\ndrfdump: No such file or directory\n")
               .arg(dir.filePath("gone.drf3"));
    QTest::newRow("folder") << QStringList{dir.path()} << 1
                            << QStringLiteral("drfdump: Cannot open file %1\ndrfdump: file to open "
                                              "is a directory\n")
                                   .arg(dir.path());
    // Reading a process's memory at address 0 fails with an I/O error: a read error the system
    // gives on demand. drfdump reads its own.
    const QString memory = dir.filePath(QStringLiteral("memory.drf3"));
    QFile own(QStringLiteral("/proc/self/mem"));
    char byte = 0;
    errno = 0;
    if (QFile::link(own.fileName(), memory) && own.open(QIODevice::ReadOnly | QIODevice::Unbuffered)
        && pread(own.handle(), &byte, 1, 0) < 0 && errno == EIO) {
        const QString said = QStringLiteral("drfdump: Cannot read %1: %2\n")
                                 .arg(memory, QString::fromLocal8Bit(std::strerror(EIO)));
        QTest::newRow("read error, table") << QStringList{memory} << 1 << said;
        QTest::newRow("read error, count") << QStringList{"--count", memory} << 1 << said;
    }
    QTest::newRow("aborted load")
        << QStringList{"--format", "csv", aborted} << 1
        << QStringLiteral("drfdump: Wrong data length (0) in 'DATA LIST' tag! File load aborted.\n");
    QTest::newRow("unknown format") << QStringList{"--format", "xml", three} << 2 << "*";
    QTest::newRow("no file") << QStringList{} << 2 << "*";
    QTest::newRow("two files") << QStringList{three, three} << 2 << "*";
    QTest::newRow("unknown option") << QStringList{"--colour", three} << 2 << "*";
    QTest::newRow("log as csv") << QStringList{"--log", "--format", "csv", three} << 2 << "*";
}

void TestDrfdump::exitStatus()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, error);
    const Run run = drfdump(arguments);
    QCOMPARE(run.status, status);
    if (error == QLatin1String("*")) {
        QVERIFY(run.err.startsWith("drfdump: "));
        QVERIFY(run.out.isEmpty());
    } else {
        QCOMPARE(QString::fromUtf8(run.err), error);
    }
    if (status != 0)
        QVERIFY(run.out.isEmpty());
}

void TestDrfdump::writeErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("tsv") << QStringList{three};
    QTest::newRow("csv") << QStringList{"--format", "csv", three};
    QTest::newRow("json") << QStringList{"--format", "json", three};
    QTest::newRow("log") << QStringList{"--log", three};
    QTest::newRow("log as json") << QStringList{"--log", "--format", "json", three};
    QTest::newRow("frame") << QStringList{"--frame", "0", three};
    QTest::newRow("jsonl") << QStringList{"--format", "jsonl", three};
    QTest::newRow("stats as jsonl") << QStringList{"--stats", "--format", "jsonl", three};
    QTest::newRow("help") << QStringList{"--help"};
    QTest::newRow("version") << QStringList{"--version"};
}

void TestDrfdump::writeErrors()
{
    // A full disk, and a standard output the caller closed: said on stderr, exit status 1.
    QFETCH(QStringList, arguments);
    // The reason is the system's text, in the language this test runs in as well.
    const auto message = [](int error) {
        return "drfdump: cannot write the output: " + QByteArray(std::strerror(error)) + '\n';
    };
    const Run full = drfdump(arguments, QStringLiteral("/dev/full"));
    QCOMPARE(full.status, 1);
    QCOMPARE(full.err, message(ENOSPC));

    QProcess closed;
    closed.setChildProcessModifier([] { ::close(STDOUT_FILENO); });
    closed.start(QStringLiteral(DRFDUMP_PATH), arguments);
    QVERIFY(closed.waitForFinished(HangGuardMs));
    QCOMPARE(closed.exitStatus(), QProcess::NormalExit);
    QCOMPARE(closed.exitCode(), 1);
    // No file opened later took the place of the closed output.
    QCOMPARE(closed.readAllStandardError(), message(EBADF));
}

void TestDrfdump::readerHangsUp_data()
{
    QTest::addColumn<bool>("signalBlocked");
    QTest::newRow("broken pipe signal") << false;
    QTest::newRow("broken pipe signal blocked") << true;
}

void TestDrfdump::readerHangsUp()
{
    // A reader that stops reading early (drfdump FILE | head) ends drfdump without a word:
    // the broken pipe ends it at once, or, with its signal blocked, as a failed write.
    QFETCH(bool, signalBlocked);
    const QString path = write(QStringLiteral("long.drf3"), randomCapture(100000, 2));
    int pipeEnds[2];
    QCOMPARE(pipe(pipeEnds), 0);
    QProcess process;
    process.setChildProcessModifier([pipeEnds, signalBlocked] {
        dup2(pipeEnds[1], STDOUT_FILENO);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        if (signalBlocked) {
            sigset_t set;
            sigemptyset(&set);
            sigaddset(&set, SIGPIPE);
            sigprocmask(SIG_BLOCK, &set, nullptr);
        }
    });
    process.start(QStringLiteral(DRFDUMP_PATH), {path});
    ::close(pipeEnds[1]);
    // Megabytes of table, far more than the pipe holds: drfdump is still writing when the
    // reader goes.
    pollfd readable{pipeEnds[0], POLLIN, 0};
    QCOMPARE(poll(&readable, 1, HangGuardMs), 1);
    char byte = 0;
    QCOMPARE(read(pipeEnds[0], &byte, 1), ssize_t(1));
    ::close(pipeEnds[0]);
    QVERIFY(process.waitForFinished(HangGuardMs));
    QCOMPARE(process.readAllStandardError(), QByteArray());
    QCOMPARE(process.exitStatus(), signalBlocked ? QProcess::NormalExit : QProcess::CrashExit);
    if (signalBlocked)
        QCOMPARE(process.exitCode(), 1);
}

void TestDrfdump::largeTableMatchesCells()
{
    // Many output pieces: every line is the cells of the frame as the viewer's model shows them.
    const QString path = write(QStringLiteral("large.drf3"), randomCapture(20000, 11));
    const Run run = drfdump({path});
    QCOMPARE(run.status, 0);
    const QList<QByteArray> lines = run.out.split('\n');
    QCOMPARE(lines.size(), 20002);
    QCOMPARE(lines.last(), QByteArray());

    Capture frames(path);
    NullSink sink;
    QCOMPARE(frames.load(sink), Capture::Status::Loaded);
    QCOMPARE(frames.frameCount(), 20000);
    for (qint64 row = 0; row < frames.frameCount(); ++row) {
        QStringList cells{QString::number(row)};
        for (int column = 0; column < FrameText::ColumnCount; ++column)
            cells.append(FrameText::cell(frames.frame(row), column, 0));
        QCOMPARE(QString::fromUtf8(lines.at(row + 1)), cells.join(QLatin1Char('\t')));
    }
}

void TestDrfdump::constantMemory()
{
    // A capture a hundred times larger takes no more memory to print, in any output: frames
    // are written as they are read and nothing of them is kept.
    const QString small = write(QStringLiteral("small.drf3"), randomCapture(20000, 21));
    const QString large = write(QStringLiteral("large.drf3"), randomCapture(2000000, 22));
    const auto peakKiB = [](const QStringList &arguments) -> long {
        const QByteArray program = QByteArrayLiteral(DRFDUMP_PATH);
        QList<QByteArray> bytes{program};
        for (const QString &argument : arguments)
            bytes.append(QFile::encodeName(argument));
        std::vector<char *> argv;
        for (QByteArray &argument : bytes)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        const pid_t child = fork();
        if (child == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            dup2(null, STDOUT_FILENO);
            execv(program.constData(), argv.data());
            _exit(127);
        }
        int status = 0;
        rusage usage{};
        if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status)
            || WEXITSTATUS(status) != 0)
            return -1;
        return usage.ru_maxrss;
    };
    for (const QStringList &options :
         {QStringList{}, QStringList{"--format", "json"}, QStringList{"--log"},
          QStringList{"--frame", "19999"}}) {
        const long few = peakKiB(options + QStringList{small});
        const long many = peakKiB(options + QStringList{large});
        QVERIFY2(few > 0 && many > 0, qPrintable(options.join(' ')));
        QVERIFY2(many - few < 8 * 1024,
                 qPrintable(QStringLiteral("%1: %2 KiB for 20,000 frames, %3 KiB for 2,000,000")
                                .arg(options.join(' ')).arg(few).arg(many)));
    }
    // A tag name without its colon: of 64 MiB, the log keeps as much as of 64 KiB.
    const QString shortTag = write(QStringLiteral("short-tag.drf3"), "{" + QByteArray(64 << 10, 'N'));
    const QString longTag = write(QStringLiteral("long-tag.drf3"), "{" + QByteArray(64 << 20, 'N'));
    const long few = peakKiB({QStringLiteral("--log"), shortTag});
    const long many = peakKiB({QStringLiteral("--log"), longTag});
    QFile::remove(longTag);
    QVERIFY(few > 0 && many > 0);
    QVERIFY2(many - few < 8 * 1024,
             qPrintable(QStringLiteral("--log: %1 KiB for a tag of 64 KiB, %2 KiB for 64 MiB")
                            .arg(few)
                            .arg(many)));
}

QTEST_GUILESS_MAIN(TestDrfdump)
#include "tst_drfdump.moc"
