// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/colors/defaultcolorfiles.h"
#include "viewer/app/framescope.h"
#include "viewer/colors/colordlg.h"
#include "core/colors/colorfile.h"
#include "framescopeprobe.h"
#include "testenv.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace Korvex;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

QByteArray shipped(const char *name)
{
    return readAll(QStringLiteral(FRAMESCOPE_SOURCE_DIR "/core/colors/") + QLatin1String(name));
}

const QStringList AllFiles = {"colors3G.def", "colors3G.lst", "colorsV4.def", "colorsV4.lst"};

} // namespace

/// The colour files compiled into the program, and the start that gives a user's colour
/// folder those it lacks instead of an error box per missing file.
class TestDefaultColorFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void compiledInAreTheShippedFiles();
    void writeMissing_data();
    void writeMissing();
    void folderThatCannotBeMade();
    void firstStartWritesThemWithoutABox();
    void completeFolderIsLeftAlone();

private:
    void answerMessageBoxes();

    QTimer m_boxWatcher;
    QStringList m_boxes; // "title|text" of every message box shown
};

void TestDefaultColorFiles::init()
{
    m_boxes.clear();
    // A box is answered and noted, so that it fails the test instead of blocking it.
    connect(&m_boxWatcher, &QTimer::timeout, this, &TestDefaultColorFiles::answerMessageBoxes,
            Qt::UniqueConnection);
    m_boxWatcher.start(0);
}

void TestDefaultColorFiles::cleanup()
{
    m_boxWatcher.stop();
}

void TestDefaultColorFiles::answerMessageBoxes()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box)
        return;
    m_boxes.append(box->windowTitle() + QLatin1Char('|') + box->text());
    box->done(QMessageBox::Ok);
}

void TestDefaultColorFiles::compiledInAreTheShippedFiles()
{
    QCOMPARE(DefaultColorFiles::contents(0), shipped("colors3G.def"));
    QCOMPARE(DefaultColorFiles::contents(1), shipped("colorsV4.def"));
    QCOMPARE(DefaultColorFiles::contents(2), shipped("colorsV4.def"));
    QCOMPARE(ColorFile::parse(DefaultColorFiles::contents(0)).size(), 13);
}

void TestDefaultColorFiles::writeMissing_data()
{
    QTest::addColumn<QString>("before"); // how the folder is before the start
    QTest::addColumn<QStringList>("written");
    QTest::newRow("no folder") << "none" << AllFiles;
    QTest::newRow("empty folder") << "empty" << AllFiles;
    QTest::newRow("a working copy deleted") << "no colorsV4.lst" << QStringList{"colorsV4.lst"};
    QTest::newRow("defaults deleted") << "no defaults"
                                      << QStringList{"colors3G.def", "colorsV4.def"};
    // What is there is the user's, whatever it holds: an empty working copy (no colours), a
    // link that leads nowhere, a folder in a file's place (reported when it is read).
    QTest::newRow("complete, one emptied") << "emptied" << QStringList();
    const QStringList allBut3GList = {"colors3G.def", "colorsV4.def", "colorsV4.lst"};
    QTest::newRow("a link to nothing") << "dangling link" << allBut3GList;
    QTest::newRow("a folder in a file's place") << "folder" << allBut3GList;
}

void TestDefaultColorFiles::writeMissing()
{
    QFETCH(QString, before);
    QFETCH(QStringList, written);
    QTemporaryDir home;
    const QString folder = home.filePath(QStringLiteral("Kestrant/Framescope/"));
    const QByteArray own = "Data Channel A;1;2;3;4;5;6\n";
    if (before != QLatin1String("none"))
        QVERIFY(QDir().mkpath(folder));
    const auto put = [&](const QString &name, const QByteArray &bytes) {
        QFile file(folder + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    // The file a row does something odd with.
    const QString odd = folder + QStringLiteral("colors3G.lst");
    const bool emptied = before == QLatin1String("emptied");
    if (before.startsWith(QLatin1String("no ")) || emptied) {
        for (const QString &name : AllFiles) {
            if (!written.contains(name))
                put(name, own);
        }
    }
    if (emptied)
        put(QStringLiteral("colors3G.lst"), QByteArray());
    if (before == QLatin1String("dangling link"))
        QVERIFY(QFile::link(home.filePath(QStringLiteral("nowhere")), odd));
    if (before == QLatin1String("folder"))
        QVERIFY(QDir().mkpath(odd));

    const DefaultColorFiles::Result result = DefaultColorFiles::writeMissing(folder);
    QCOMPARE(result.written, written);
    QCOMPARE(result.failed, QStringList());
    for (const QString &name : AllFiles) {
        const QFileInfo file(folder + name);
        const bool is3G = name.startsWith(QLatin1String("colors3G"));
        if (written.contains(name))
            QCOMPARE(readAll(file.filePath()), shipped(is3G ? "colors3G.def" : "colorsV4.def"));
        else if (file.filePath() != odd)
            QCOMPARE(readAll(file.filePath()), own);
    }
    if (before == QLatin1String("dangling link"))
        QVERIFY(QFileInfo(odd).isSymLink() && !QFileInfo::exists(odd));
    if (before == QLatin1String("folder"))
        QVERIFY(QFileInfo(odd).isDir());
    if (emptied)
        QCOMPARE(readAll(odd), QByteArray());
    // Nothing else is left in the folder, such as an unfinished copy.
    const auto everything = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;
    QCOMPARE(QDir(folder).entryList(everything).size(), 4);
}

void TestDefaultColorFiles::folderThatCannotBeMade()
{
    // A file where a folder on the way should be: not even a privileged user can make it.
    QTemporaryDir home;
    QFile blocker(home.filePath(QStringLiteral("Kestrant")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const DefaultColorFiles::Result result =
        DefaultColorFiles::writeMissing(home.filePath(QStringLiteral("Kestrant/Framescope/")));
    QCOMPARE(result.written, QStringList());
    QCOMPARE(result.failed, AllFiles);
}

void TestDefaultColorFiles::firstStartWritesThemWithoutABox()
{
    TestEnv env(false);
    QVERIFY(!QFileInfo::exists(env.dataFolder()));
    Framescope window{QString()};

    QCOMPARE(m_boxes, QStringList());
    const QStringList log = FramescopeProbe::logLines(window);
    const QString line = QStringLiteral("info\tWrote the default colours into %1: colors3G.def, "
                                        "colors3G.lst, colorsV4.def, colorsV4.lst.");
    QCOMPARE(log, QStringList{line.arg(env.dataFolder())});
    for (const QString &name : AllFiles)
        QVERIFY2(QFileInfo::exists(env.dataFolder() + name), qPrintable(name));
    // The colour dialog has read them: the frames have their colours from the first start.
    QCOMPARE(FramescopeProbe::colorDlg(window)->bgColor(0, QStringLiteral("Data Channel A")),
             QColor(255, 255, 128));
    QVERIFY(FramescopeProbe::colorDlg(window)->bgColor(1, QStringLiteral("not impl")).isValid());
}

void TestDefaultColorFiles::completeFolderIsLeftAlone()
{
    TestEnv env;
    const QByteArray own = "RF IC Control;1;2;3;4;5;6\n";
    {
        QFile file(env.dataFolder() + QStringLiteral("colors3G.lst"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(own);
    }
    Framescope window{QString()};
    QCOMPARE(m_boxes, QStringList());
    QCOMPARE(FramescopeProbe::logLines(window), QStringList());
    QCOMPARE(readAll(env.dataFolder() + QStringLiteral("colors3G.lst")), own);
    QCOMPARE(FramescopeProbe::colorDlg(window)->bgColor(0, QStringLiteral("RF IC Control")),
             QColor(4, 5, 6));
}

QTEST_MAIN(TestDefaultColorFiles)
#include "tst_defaultcolorfiles.moc"
