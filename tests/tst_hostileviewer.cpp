// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturebuilder.h"
#include "framescopeprobe.h"
#include "hangguard.h"
#include "opendialog.h"
#include "testenv.h"

#include "viewer/views/frametablemodel.h"

#include <QApplication>
#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <csignal>
#include <memory>

#include <sys/resource.h>

using namespace Korvex;
using namespace CaptureBuilder;
using Probe = FramescopeProbe;

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

/// The log panel's lines, each with the name of its background colour.
QStringList logLines(Framescope &window)
{
    return Probe::logLines(window);
}

/// Every cell text of the table, row by row: what the user sees of the frames.
QStringList tableTexts(Framescope &window)
{
    QStringList texts;
    const FrameTableModel *model = Probe::model(window);
    for (int row = 0; row < model->rowCount(); ++row) {
        for (int column = 0; column < model->columnCount(); ++column)
            texts.append(model->data(model->cellIndex(row, column), Qt::DisplayRole).toString());
    }
    return texts;
}

} // namespace

/// The viewer with what a user's machine may hold: a capture that changes or vanishes while it
/// is shown, settings of the wrong type, colour files that are folders, a disk that fills up.
class TestHostileViewer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fileChangedWhileShown_data();
    void fileChangedWhileShown();
    void recentFilesOfWrongType_data();
    void recentFilesOfWrongType();
    void colourFilesAreFolders();
    void megabyteTagInTheLog();
    void generatorOnFullDisk();

private:
    Framescope &window();

    std::unique_ptr<TestEnv> m_env;
    QTemporaryDir m_dir;
    std::unique_ptr<Framescope> m_window;
};

void TestHostileViewer::init()
{
    m_env = std::make_unique<TestEnv>();
}

void TestHostileViewer::cleanup()
{
    m_window.reset();
    m_env.reset();
}

Framescope &TestHostileViewer::window()
{
    if (!m_window) {
        m_window = std::make_unique<Framescope>(QString());
        m_window->show();
    }
    return *m_window;
}

void TestHostileViewer::fileChangedWhileShown_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("deleted") << "deleted";
    QTest::newRow("cut inside a frame") << "truncated";
    QTest::newRow("emptied") << "emptied";
    QTest::newRow("replaced by a folder") << "folder";
    QTest::newRow("overwritten by another capture") << "overwritten";
}

void TestHostileViewer::fileChangedWhileShown()
{
    // The viewer reads frames back from the file it keeps open. A file deleted or replaced by
    // name is still the one it reads; a file cut short has lost frames, and one that another
    // program wrote into holds none of them any more: they show as missing, and the log says
    // why once. File > Reload (F5) opens the file as it now is.
    QFETCH(QString, change);
    const QString path = m_dir.filePath(change + QStringLiteral(".drf3"));
    const QByteArray bytes = randomCapture(50, 3);
    QVERIFY(writeFile(path, bytes));
    Framescope &w = window();
    // A capture read whole: a followed one stops at once when its file shrinks.
    Probe::ui(w).actionFollowCapture->setChecked(false);
    FramescopeProbe::loadFile(w, path);
    QCOMPARE(Probe::frameCount(w), 50);
    const QStringList shown = tableTexts(w);
    Probe::ui(w).tblFrames->setCurrentIndex(Probe::model(w)->cellIndex(49, 0));
    const QString dump = Probe::ui(w).txtPayload->toPlainText();
    const int logged = int(logLines(w).size());

    // What is left of the file: the tags and the first 20 frames (of 50), then half a frame.
    const qsizetype tagsEnd = bytes.indexOf('#') + 1;
    qsizetype cut = tagsEnd;
    for (int i = 0; i < 20; ++i) {
        qint64 taken = 0;
        FrameRecord(0, bytes.constData() + cut, bytes.size() - cut, &taken);
        cut += taken;
    }
    cut += 6;
    int kept = 50;
    QStringList said;
    const QString changed = QStringLiteral("error\tThe file %1 was changed by another program; "
                                           "reload it to see its frames.").arg(path);
    if (change == "deleted") {
        QVERIFY(QFile::remove(path));
    } else if (change == "truncated") {
        QVERIFY(QFile::resize(path, cut));
        kept = 20;
        said << QStringLiteral("warning\tFrames 20 to 49 (30 frames) are no longer in the file %1.")
                    .arg(path);
    } else if (change == "emptied") {
        QVERIFY(QFile::resize(path, 0));
        kept = 0;
        said << changed;
    } else if (change == "folder") {
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkpath(path));
    } else {
        // As "cat other.drf3 > shown.drf3" does: the same file, rewritten.
        QVERIFY(writeFile(path, randomCapture(60, 4)));
        kept = 0;
        said << changed;
    }

    // Frames still in the file show as read; the others show as missing.
    const QStringList now = tableTexts(w);
    QCOMPARE(now.mid(0, kept * 5), shown.mid(0, kept * 5));
    for (int row = kept; row < 50; ++row) {
        QCOMPARE(now.at(row * 5), QStringLiteral("missing"));
        QCOMPARE(now.at(row * 5 + 1), shown.at(row * 5 + 1));
        QCOMPARE(now.at(row * 5 + 4), QStringLiteral("missing"));
    }
    Probe::ui(w).tblFrames->setCurrentIndex(Probe::model(w)->cellIndex(0, 0));
    Probe::ui(w).tblFrames->setCurrentIndex(Probe::model(w)->cellIndex(49, 0));
    QCOMPARE(Probe::ui(w).txtPayload->toPlainText(), kept == 50 ? dump : QString());
    const QSize larger = w.size() + QSize(40, 40);
    w.resize(larger);
    QTRY_COMPARE_WITH_TIMEOUT(w.size(), larger, HangGuardMs);
    QVERIFY(Probe::tracker(w));
    if (!said.isEmpty())
        QTRY_COMPARE(logLines(w).mid(logged), said);
    QCoreApplication::processEvents();
    QCOMPARE(logLines(w).mid(logged), said);

    // Loaded again: the log says what the file now holds; a file that cannot be opened leaves
    // the frames and the title as they were.
    Probe::ui(w).txtLog->clear();
    QCOMPARE(Probe::ui(w).actionReload->shortcut(), QKeySequence(Qt::Key_F5));
    const QString title = w.windowTitle();
    Probe::ui(w).actionReload->trigger();
    QVERIFY(FramescopeProbe::settle(w));
    const QStringList log = logLines(w);
    if (change == "deleted" || change == "folder") {
        QCOMPARE(log, (QStringList{QStringLiteral("info\tSet DigRF Version to 3G"),
                                   QStringLiteral("error\tCannot open file %1").arg(path),
                                   change == "deleted"
                                       ? QStringLiteral("error\tNo such file or directory")
                                       : QStringLiteral("error\tfile to open is a directory")}));
        QCOMPARE(tableTexts(w), shown);
        QCOMPARE(w.windowTitle(), title);
    } else if (change == "truncated") {
        QCOMPARE(Probe::frameCount(w), 20);
        QCOMPARE(tableTexts(w), shown.mid(0, 20 * 5));
        QVERIFY(std::any_of(log.cbegin(), log.cend(), [](const QString &line) {
            return line.startsWith(QLatin1String("warning\tFound invalid frame: Incomplete payload: "));
        }));
        QCOMPARE(log.last(), QStringLiteral("info\t20 frames loaded."));
    } else {
        const int frames = change == "emptied" ? 0 : 60;
        QCOMPARE(Probe::frameCount(w), frames);
        QCOMPARE(Probe::model(w)->rowCount(), frames);
        QCOMPARE(log.last(), QStringLiteral("info\t%1 frames loaded.").arg(frames));
        QVERIFY(!tableTexts(w).contains(QStringLiteral("missing")));
    }
    QCOMPARE(OpenDialog::takeMessageBoxes(), QStringList());
}

void TestHostileViewer::recentFilesOfWrongType_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("entries");
    QTest::newRow("a string") << QVariant(QStringLiteral("/no/such/capture.drf3")) << 0;
    QTest::newRow("a byte array") << QVariant(QByteArray("/no/such/capture.drf3")) << 0;
    QTest::newRow("an int") << QVariant(7) << 0;
    QTest::newRow("a map") << QVariant(QVariantMap{{QStringLiteral("a"), 1}}) << 0;
    QTest::newRow("a list of odd entries")
        << QVariant(QVariantList{42, QVariantMap{{QStringLiteral("x"), 1}}, QStringLiteral("/a.drf3")})
        << 3;
}

void TestHostileViewer::recentFilesOfWrongType()
{
    // A settings file edited by hand or written by another version: a value that is not a list
    // counts as no recent files; a list's entries are shown as their text. Nothing crashes.
    QFETCH(QVariant, stored);
    QFETCH(int, entries);
    QSettings(QStringLiteral("Kestrant"), QStringLiteral("Framescope"))
        .setValue(QStringLiteral("RecentFiles"), stored);
    Framescope &w = window();
    QCOMPARE(Probe::recentFiles(w).size(), entries);
    QCOMPARE(Probe::ui(w).menuRecentFiles->actions().size(), entries);

    const QString path = m_dir.filePath(QStringLiteral("recent.drf3"));
    QVERIFY(writeFile(path, capture(frame(1, 4, 0, 0))));
    FramescopeProbe::loadFile(w, path);
    QCOMPARE(Probe::recentFiles(w).size(), entries + 1);
    QCOMPARE(Probe::recentFiles(w).first().toString(), path);
    QCOMPARE(Probe::ui(w).menuRecentFiles->actions().first()->text(), path);
    // Written back as a proper list, which the next start reads as such.
    m_window.reset();
    QCOMPARE(Probe::recentFiles(window()).size(), entries + 1);
}

void TestHostileViewer::colourFilesAreFolders()
{
    // Folders where the working copies should be: one error box each at start-up, then a
    // viewer without colours that works as ever.
    for (const char *name : {"colors3G.lst", "colorsV4.lst"}) {
        const QString path = m_env->dataFolder() + QLatin1String(name);
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkpath(path));
    }
    Framescope &w = window();
    QCOMPARE(OpenDialog::takeMessageBoxes(), (QStringList{
                          QStringLiteral("Error loading colors!|Cannot open file %1colors3G.lst!")
                              .arg(m_env->dataFolder()),
                          QStringLiteral("Error loading colors!|Cannot open file %1colorsV4.lst!")
                              .arg(m_env->dataFolder())}));

    const QString path = m_dir.filePath(QStringLiteral("plain.drf3"));
    QVERIFY(writeFile(path, randomCapture(10, 5)));
    FramescopeProbe::loadFile(w, path);
    QCOMPARE(Probe::frameCount(w), 10);
    const QModelIndex cell = Probe::model(w)->cellIndex(3, 0);
    QVERIFY(!Probe::model(w)->data(cell, Qt::BackgroundRole).isValid());
    QVERIFY(!Probe::model(w)->data(cell, Qt::ForegroundRole).isValid());
    QVERIFY(Probe::tracker(w));
    QCOMPARE(OpenDialog::takeMessageBoxes(), QStringList());
}

void TestHostileViewer::megabyteTagInTheLog()
{
    // A tag name of a mebibyte with no colon after it reaches the log as one line, cut to its
    // first 64 KiB.
    const QString path = m_dir.filePath(QStringLiteral("tag.drf3"));
    QVERIFY(writeFile(path, "{" + QByteArray(1 << 20, 'T')));
    Framescope &w = window();
    FramescopeProbe::loadFile(w, path);
    const QStringList log = logLines(w);
    QCOMPARE(log.size(), 7);
    QVERIFY(log.at(2) == QStringLiteral("info\tFound tag '%1\u2026 (%2 bytes)'")
                             .arg(QString(TagTextChars, u'T'))
                             .arg((1 << 20) - 1));
    QCOMPARE(log.last(), QStringLiteral("info\t0 frames loaded."));
    QCOMPARE(Probe::frameCount(w), 0);
}

void TestHostileViewer::generatorOnFullDisk()
{
    // The disk fills up while the last, still buffered bytes are written: the generation fails
    // and the file that was there stays as it was. The frames are drawn from the clock, so their
    // count must overflow the limit whatever they are: 100 frames take at least 1,200 bytes
    // (10 frames could take as few as 271) and less than Qt's write buffer.
    const QString path = m_dir.filePath(QStringLiteral("existing.drf3"));
    const QByteArray previous = capture(frame(1, 4, 0, 0));
    QVERIFY(writeFile(path, previous));
    Framescope &w = window();

    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 300;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = w.generateFrameFile(path, 0, 100);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(!written);
    QCOMPARE(readFile(path), previous);
    QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("existing*")}, QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("existing.drf3")});
    // With room the same call writes the file.
    QVERIFY(w.generateFrameFile(path, 0, 10));
    QVERIFY(readFile(path).startsWith("{TYPE:"));
}

QTEST_MAIN(TestHostileViewer)
#include "tst_hostileviewer.moc"
