// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/colors/defaultcolorfiles.h"
#include "viewer/app/framescope.h"
#include "viewer/colors/colordlg.h"
#include "framescopeprobe.h"
#include "opendialog.h"
#include "testenv.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace Korvex;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// The shipped defaults of the colour file `name`.
QByteArray shipped(const QString &name)
{
    return readAll(QStringLiteral(FRAMESCOPE_SOURCE_DIR "/core/colors/") + name.left(8)
                   + QStringLiteral(".def"));
}

const QStringList AllFiles = {"colors3G.def", "colors3G.lst", "colorsV4.def", "colorsV4.lst"};

} // namespace

/// The colour files compiled into the program, and the start that gives a user's colour
/// folder those it lacks instead of an error box per missing file.
class TestDefaultColorFiles : public QObject
{
    Q_OBJECT

private slots:
    void writeMissing_data();
    void writeMissing();
    void firstStartWritesThemWithoutABox();
    void completeFolderIsLeftAlone();
};

void TestDefaultColorFiles::writeMissing_data()
{
    QTest::addColumn<QString>("before"); // what the folder holds before the start
    QTest::addColumn<QStringList>("written");
    QTest::newRow("no folder") << "none" << AllFiles;
    QTest::newRow("a working copy deleted") << "all but colorsV4.lst"
                                            << QStringList{"colorsV4.lst"};
    // What is there is the user's, whatever it holds: an empty working copy (no colours), a
    // folder in a file's place (reported when it is read).
    QTest::newRow("one emptied") << "emptied colors3G.lst" << QStringList();
    QTest::newRow("a folder in a file's place") << "folder colors3G.lst"
                                                << QStringList{"colors3G.def", "colorsV4.def",
                                                               "colorsV4.lst"};
}

void TestDefaultColorFiles::writeMissing()
{
    QFETCH(QString, before);
    QFETCH(QStringList, written);
    QTemporaryDir home;
    const QString folder = home.filePath(QStringLiteral("Kestrant/Framescope/"));
    const QString odd = folder + QStringLiteral("colors3G.lst");
    const QByteArray own = "Data Channel A;1;2;3;4;5;6\n";
    const bool emptied = before.startsWith(QLatin1String("emptied"));
    if (before.startsWith(QLatin1String("all but")) || emptied) {
        QVERIFY(QDir().mkpath(folder));
        for (const QString &name : AllFiles) {
            QFile file(folder + name);
            if (!written.contains(name) && file.open(QIODevice::WriteOnly))
                file.write(emptied && file.fileName() == odd ? QByteArray() : own);
        }
    }
    if (before.startsWith(QLatin1String("folder")))
        QVERIFY(QDir().mkpath(odd));

    QCOMPARE(DefaultColorFiles::writeMissing(folder), written);
    for (const QString &name : AllFiles) {
        if (written.contains(name))
            QCOMPARE(readAll(folder + name), shipped(name));
        else if (folder + name != odd)
            QCOMPARE(readAll(folder + name), own);
    }
    if (before.startsWith(QLatin1String("folder")))
        QVERIFY(QFileInfo(odd).isDir());
    if (emptied)
        QCOMPARE(readAll(odd), QByteArray());
    // Nothing else is left in the folder, such as an unfinished copy.
    const auto everything = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden;
    QCOMPARE(QDir(folder).entryList(everything).size(), 4);
}

void TestDefaultColorFiles::firstStartWritesThemWithoutABox()
{
    TestEnv env(false);
    Framescope window{QString()};

    QCOMPARE(OpenDialog::takeMessageBoxes(), QStringList());
    const QString line = QStringLiteral("info\tWrote the default colours into %1: colors3G.def, "
                                        "colors3G.lst, colorsV4.def, colorsV4.lst.");
    QCOMPARE(FramescopeProbe::logLines(window), QStringList{line.arg(env.dataFolder())});
    for (const QString &name : AllFiles)
        QCOMPARE(readAll(env.dataFolder() + name), shipped(name));
    // The colour dialog has read them: the frames have their colours from the first start.
    QCOMPARE(FramescopeProbe::colorDlg(window)->bgColor(0, QStringLiteral("Data Channel A")),
             QColor(255, 255, 128));
    QVERIFY(FramescopeProbe::colorDlg(window)->bgColor(1, QStringLiteral("not impl")).isValid());
}

void TestDefaultColorFiles::completeFolderIsLeftAlone()
{
    TestEnv env;
    const QByteArray own = "RF IC Control;1;2;3;4;5;6\n";
    QFile file(env.dataFolder() + QStringLiteral("colors3G.lst"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(own) == own.size());
    file.close();

    Framescope window{QString()};
    QCOMPARE(OpenDialog::takeMessageBoxes(), QStringList());
    QCOMPARE(FramescopeProbe::logLines(window), QStringList());
    QCOMPARE(readAll(file.fileName()), own);
    QCOMPARE(FramescopeProbe::colorDlg(window)->bgColor(0, QStringLiteral("RF IC Control")),
             QColor(4, 5, 6));
}

QTEST_MAIN(TestDefaultColorFiles)
#include "tst_defaultcolorfiles.moc"
