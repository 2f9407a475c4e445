// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturebuilder.h"
#include "capturefixture.h"
#include "framescopeprobe.h"
#include "opendialog.h"
#include "passlatch.h"
#include "testenv.h"

#include "core/files/capture.h"
#include "core/files/capturefile.h"
#include "core/text/frametext.h"
#include "viewer/views/frametablemodel.h"

#include <QAction>
#include <QFileDialog>
#include <QMessageBox>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QStatusBar>
#include <QMenu>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace Korvex;
using namespace CaptureBuilder;
using Probe = FramescopeProbe;

namespace {

/// Discards what a load reports.
class QuietSink final : public FrameReaderSink
{
public:
    void log(const QString &, LogLevel) override {}
    void progress(int) override {}
};

/// The log of loading the file in the core, as "LEVEL<TAB>TEXT", and its frame count.
QStringList coreLog(const QString &path, qint64 *frames = nullptr)
{
    Capture capture(path);
    QuietSink sink;
    capture.load(sink);
    QStringList lines;
    for (qint64 row = 0; row < capture.log().size(); ++row) {
        static const char *const names[] = {"info", "warning", "error"};
        const LogLines::Line line = capture.log().at(row);
        lines.append(QLatin1String(names[int(line.level)]) + QLatin1Char('\t') + line.text);
    }
    if (frames)
        *frames = capture.frameCount();
    return lines;
}

/// The log panel's lines as "LEVEL<TAB>TEXT", the level read from each line's background.
QStringList logLines(Framescope &window)
{
    return Probe::logLines(window);
}

// The overview strip's bars as last built.
QImage barImage(Framescope &window)
{
    for (QGraphicsItem *item : Probe::scene(window).items()) {
        if (auto *bars = qgraphicsitem_cast<QGraphicsPixmapItem *>(item))
            return bars->pixmap().toImage();
    }
    return QImage();
}

QStringList menuTexts(Framescope &window)
{
    QStringList texts;
    for (const QAction *action : Probe::ui(window).menuRecentFiles->actions()) {
        if (!action->shortcut().isEmpty())
            texts.append(QStringLiteral("shortcut!"));
        texts.append(action->text());
    }
    return texts;
}

QStringList strings(const QList<QVariant> &list)
{
    QStringList texts;
    for (const QVariant &value : list)
        texts.append(value.toString());
    return texts;
}

} // namespace

/// Loading captures into the window: log, progress, table, settings, recent files, open dialog.
class TestLoading : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void suffixes_data();
    void suffixes();
    void logMatchesReader_data();
    void logMatchesReader();
    void unopenableFileChangesNothing_data();
    void unopenableFileChangesNothing();
    void abortedLoadEmptiesTable();
    void tableAfterLoad();
    void progress();
    void recentFilesOrder();
    void recentFilesAreAbsolute();
    void recentFilesSurviveRestart_data();
    void recentFilesSurviveRestart();
    void recentFilesOfWrongType();
    void openDialog();
    void openRecentFile();
    void commandLineFile();
    void colorMode();
    void logCompleteWhenLoadEnds();
    void windowLiveDuringALoad();
    void droppedFiles_data();
    void droppedFiles();

private:
    QString writeCapture(const QString &name, const QByteArray &bytes);
    Framescope &window();

    TestEnv env;
    QTemporaryDir dir;
    std::unique_ptr<Framescope> mainWindow;
};

QString TestLoading::writeCapture(const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
    return path;
}

Framescope &TestLoading::window()
{
    if (!mainWindow) {
        mainWindow = std::make_unique<Framescope>(QString());
        mainWindow->show();
    }
    return *mainWindow;
}

void TestLoading::init()
{
    QSettings(QStringLiteral("Kestrant"), QStringLiteral("Framescope")).clear();
}

void TestLoading::cleanup()
{
    mainWindow.reset();
}

void TestLoading::suffixes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("version");
    QTest::newRow("DRF3") << "capture.DRF3" << 0;
    QTest::newRow("drf3") << "capture.drf3" << 0;
    QTest::newRow("drf4") << "capture.drf4" << 1;
    QTest::newRow("bin") << "capture.bin" << 1;
    QTest::newRow("none") << "capture" << 1;
}

void TestLoading::suffixes()
{
    QFETCH(QString, name);
    QFETCH(int, version);
    const QString path = writeCapture(name, capture(frame(1, 4, 0, 0) + frame(0, 1, 1, 7), "}"));
    Framescope &w = window();
    FramescopeProbe::loadFile(w, path);
    QCOMPARE(Probe::protocolVersion(w), version);
    QCOMPARE(w.windowTitle(), QStringLiteral("Kestrant Framescope - ") + path);
    const QStringList lines = logLines(w);
    QCOMPARE(lines.mid(0, 2),
             (QStringList{QStringLiteral("info\tSet DigRF Version to ") + (version == 0 ? "3G" : "v4"),
                          QStringLiteral("info\tOpen file %1: success").arg(path)}));
    QCOMPARE(Probe::model(w)->headerData(2, Qt::Horizontal).toString(),
             version == 0 ? QStringLiteral("CTS") : QStringLiteral("CRI"));
    QCOMPARE(Probe::model(w)->data(Probe::model(w)->cellIndex(0, 1)).toString(),
             version == 0 ? QStringLiteral("32 bit Data Channel A") : QStringLiteral("not impl"));
    QCOMPARE(Probe::ui(w).tabs->currentIndex(), 1);
}

void TestLoading::logMatchesReader_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("clean") << capture(frame(1, 4, 0, 0) + frame(2, 5, 1, 9), "}");
    QTest::newRow("warnings")
        << capture(frame(1, 4, 0, 0) + frame(headerWord(7, 0, 0), 0), "AB}CD");
    QTest::newRow("aborted") << QByteArray("{TYPE:X}{DATA LIST-x:#");
    QTest::newRow("empty") << QByteArray();
}

void TestLoading::logMatchesReader()
{
    // The window's log holds exactly the lines drfdump --log prints, with their colours.
    QFETCH(QByteArray, bytes);
    const QString path = writeCapture(QStringLiteral("log.drf3"), bytes);
    qint64 frames = 0;
    const QStringList expected = coreLog(path, &frames);
    Framescope &w = window();
    FramescopeProbe::loadFile(w, path);
    QCOMPARE(logLines(w), expected);
    QCOMPARE(Probe::frameCount(w), frames);
}

void TestLoading::unopenableFileChangesNothing_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("missing") << dir.filePath(QStringLiteral("missing.drf4"));
    QTest::newRow("folder") << dir.path();
}

void TestLoading::unopenableFileChangesNothing()
{
    QFETCH(QString, path);
    const QString good = writeCapture(QStringLiteral("sub/good.drf3"),
                                      capture(frame(1, 4, 0, 0) + frame(3, 2, 1, 4), "}"));
    Framescope &w = window();
    FramescopeProbe::loadFile(w, good);
    QSettings settings(QStringLiteral("Kestrant"), QStringLiteral("Framescope"));
    const QVariant folder = settings.value(QStringLiteral("FileLoadPath"));
    const QVariant recent = settings.value(QStringLiteral("RecentFiles"));
    const int logSize = int(logLines(w).size());
    const QImage bars = barImage(w);
    QVERIFY(!bars.isNull());

    FramescopeProbe::loadFile(w, path);
    QCOMPARE(w.windowTitle(), QStringLiteral("Kestrant Framescope - ") + good);
    // The frames on display keep the version they were read with: the strip, built anew for
    // a resize, keeps its DigRF 3G colours.
    QCOMPARE(Probe::protocolVersion(w), 0);
    w.buildFramesScroller();
    QCOMPARE(barImage(w), bars);
    QCOMPARE(logLines(w).mid(logSize, 2), (QStringList{QStringLiteral("info\tSet DigRF Version to v4"),
                                                       QStringLiteral("error\tCannot open file ") + path}));
    // The system's reason follows.
    QCOMPARE(logLines(w).size(), logSize + 3);
    QVERIFY(logLines(w).last().startsWith(QLatin1String("error\t")));
    QCOMPARE(Probe::frameCount(w), 2);
    QCOMPARE(Probe::ui(w).tblFrames->verticalHeader()->count(), 2);
    // The table still shows the DigRF 3G frames as they were.
    QCOMPARE(Probe::model(w)->headerData(2, Qt::Horizontal).toString(), QStringLiteral("CTS"));
    QCOMPARE(settings.value(QStringLiteral("FileLoadPath")), folder);
    QCOMPARE(settings.value(QStringLiteral("RecentFiles")), recent);
    QCOMPARE(strings(Probe::recentFiles(w)), QStringList{good});
}

void TestLoading::abortedLoadEmptiesTable()
{
    const QString good = writeCapture(QStringLiteral("good.drf3"), capture(frame(1, 4, 0, 0), "}"));
    const QString bad = writeCapture(QStringLiteral("bad/bad.drf3"), "{DATA LIST-0:#" + frame(1, 4, 0, 0));
    Framescope &w = window();
    FramescopeProbe::loadFile(w, good);
    QTableView *table = Probe::ui(w).tblFrames;
    QCOMPARE(table->currentIndex().row(), 0);

    FramescopeProbe::loadFile(w, bad);
    QCOMPARE(Probe::frameCount(w), 0);
    QCOMPARE(Probe::model(w)->rowCount(), 0);
    QCOMPARE(table->verticalHeader()->count(), 0);
    QVERIFY(!table->currentIndex().isValid());
    // Nothing of the earlier capture's frame stays in the detail panel.
    QCOMPARE(Probe::statusLabel(w)->text(), QStringLiteral("No frame selected"));
    QCOMPARE(Probe::ui(w).edPlSize->text(), QString());
    QCOMPARE(Probe::ui(w).txtPayload->toPlainText(), QString());
    table->viewport()->repaint();
    QCOMPARE(strings(Probe::recentFiles(w)), (QStringList{bad, good}));
    QSettings settings(QStringLiteral("Kestrant"), QStringLiteral("Framescope"));
    QCOMPARE(settings.value(QStringLiteral("FileLoadPath")).toString(), dir.filePath("bad"));
    QCOMPARE(strings(settings.value(QStringLiteral("RecentFiles")).toList()), (QStringList{bad, good}));
}

void TestLoading::tableAfterLoad()
{
    QByteArray block;
    for (int i = 0; i < 300; ++i)
        block += frame(i % 7, i % 16, i % 2, quint32(i * 1000));
    const QString path = writeCapture(QStringLiteral("table.drf3"), capture(block, "}"));
    Framescope &w = window();
    FramescopeProbe::loadFile(w, path);
    QTableView *table = Probe::ui(w).tblFrames;
    QCOMPARE(table->verticalHeader()->count(), 300);
    QCOMPARE(table->currentIndex(), Probe::model(w)->cellIndex(0, 0));

    // The rows and columns are those that sizing every one to its contents gives.
    QList<int> heights, widths;
    for (int row = 0; row < 300; ++row)
        heights.append(table->rowHeight(row));
    for (int column = 0; column < 4; ++column)
        widths.append(table->columnWidth(column));
    QVERIFY(heights.first() > 0);
    table->resizeRowsToContents();
    for (int column = 0; column < 4; ++column)
        table->resizeColumnToContents(column);
    for (int row = 0; row < 300; ++row)
        QCOMPARE(table->rowHeight(row), heights.at(row));
    for (int column = 0; column < 4; ++column)
        QCOMPARE(table->columnWidth(column), widths.at(column));
}

void TestLoading::progress()
{
    const QString path = writeCapture(QStringLiteral("progress.drf3"),
                                      capture(frame(6, 4, 0, 0) + frame(6, 5, 0, 1), "}"));
    Framescope &w = window();
    QVERIFY(!Probe::loadBar(w));
    FramescopeProbe::loadFile(w, dir.filePath(QStringLiteral("missing.drf3")));
    QVERIFY(!Probe::loadBar(w));

    // Progress and Cancel are in the status bar, there only while a load runs.
    FramescopeProbe::loadFile(w, path);
    QProgressBar *bar = Probe::loadBar(w);
    QVERIFY(bar);
    QCOMPARE(bar->parentWidget(), w.statusBar());
    QCOMPARE(Probe::loadCancel(w)->text(), QStringLiteral("Cancel"));
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 100);
    QVERIFY(bar->isHidden());
    QVERIFY(Probe::loadCancel(w)->isHidden());

    QSignalSpy values(bar, &QProgressBar::valueChanged);
    FramescopeProbe::loadFile(w, path);
    QCOMPARE(Probe::loadBar(w), bar);
    QList<int> got;
    for (const QList<QVariant> &arguments : std::as_const(values))
        got.append(arguments.first().toInt());
    // The reader's values come as often as the window takes them (20 bytes of the tag section
    // count, then 72 per frame, of 172: 5, 10, 42, 76, 85), rising; the window's own steps
    // end the load.
    QVERIFY(got.size() >= 4);
    QCOMPARE(got.mid(got.size() - 4), (QList<int>{89, 90, 95, 100}));
    for (const int value : got.mid(0, got.size() - 4))
        QVERIFY2(QList<int>({0, 5, 10, 42, 76, 85}).contains(value), qPrintable(QString::number(value)));
    QVERIFY(std::is_sorted(got.begin(), got.end()));
    QVERIFY(bar->isHidden());
}

void TestLoading::recentFilesOrder()
{
    const QByteArray bytes = capture(frame(1, 4, 0, 0));
    const QString a = writeCapture(QStringLiteral("a.drf3"), bytes);
    const QString b = writeCapture(QStringLiteral("b.drf3"), bytes);
    const QString c = writeCapture(QStringLiteral("c.drf3"), bytes);
    const QString d = writeCapture(QStringLiteral("d.drf3"), bytes);
    const QString upperA = writeCapture(QStringLiteral("A.drf3"), bytes);
    Framescope &w = window();
    for (const QString &path : {c, b, a})
        FramescopeProbe::loadFile(w, path);
    QCOMPARE(strings(Probe::recentFiles(w)), (QStringList{a, b, c}));

    const QList<std::pair<QString, QStringList>> steps{
        {c, {c, b, a}}, {b, {b, c, a}}, {d, {d, b, c, a}}, {d, {d, b, c, a}},
        // Exact comparison: the same path in other letter case is another file.
        {upperA, {upperA, d, b, c, a}},
    };
    QSettings settings(QStringLiteral("Kestrant"), QStringLiteral("Framescope"));
    for (const auto &[path, expected] : steps) {
        FramescopeProbe::loadFile(w, path);
        QCOMPARE(strings(Probe::recentFiles(w)), expected);
        QCOMPARE(menuTexts(w), expected);
        QCOMPARE(strings(settings.value(QStringLiteral("RecentFiles")).toList()), expected);
    }
}

void TestLoading::recentFilesAreAbsolute()
{
    // A name as typed in a shell names another file, or none, in a run of the program started
    // elsewhere: the list keeps the absolute, clean path, and the spellings of one file are one
    // entry.
    const QString path = writeCapture(QStringLiteral("sub/rel.drf3"), capture(frame(1, 4, 0, 0)));
    const QString working = QDir::currentPath();
    const auto restore = qScopeGuard([&working] { QDir::setCurrent(working); });
    QVERIFY(QDir::setCurrent(dir.path()));
    Framescope &w = window();
    for (const QString &name : {QStringLiteral("sub/rel.drf3"), QStringLiteral("./sub//rel.drf3"),
                                QStringLiteral("sub/../sub/rel.drf3")}) {
        FramescopeProbe::loadFile(w, name);
        QCOMPARE(w.windowTitle(), QStringLiteral("Kestrant Framescope - ") + name);
        QCOMPARE(strings(Probe::recentFiles(w)), QStringList{path});
    }
    QCOMPARE(menuTexts(w), QStringList{path});
}

void TestLoading::recentFilesSurviveRestart_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("one file") << 1;
    QTest::newRow("three files") << 3;
}

void TestLoading::recentFilesSurviveRestart()
{
    QFETCH(int, count);
    QStringList expected;
    for (int i = 0; i < count; ++i) {
        const QString path = writeCapture(QStringLiteral("restart %1, with comma.drf3").arg(i),
                                          capture(frame(1, 4, 0, 0)));
        FramescopeProbe::loadFile(window(), path);
        expected.prepend(path);
    }
    mainWindow.reset();
    Framescope &w = window();
    QCOMPARE(strings(Probe::recentFiles(w)), expected);
    QCOMPARE(menuTexts(w), expected);
    QSettings settings(QStringLiteral("Kestrant"), QStringLiteral("Framescope"));
    QCOMPARE(settings.value(QStringLiteral("FileLoadPath")).toString(), dir.path());
}

void TestLoading::recentFilesOfWrongType()
{
    const QString path = writeCapture(QStringLiteral("typed.drf3"), capture(frame(1, 4, 0, 0)));
    for (const QVariant &stored : {QVariant(42), QVariant(QVariantMap{{"a", 1}})}) {
        {
            QSettings settings(QStringLiteral("Kestrant"), QStringLiteral("Framescope"));
            settings.setValue(QStringLiteral("RecentFiles"), stored);
        }
        mainWindow.reset();
        Framescope &w = window();
        QVERIFY(Probe::recentFiles(w).isEmpty());
        QVERIFY(menuTexts(w).isEmpty());
        FramescopeProbe::loadFile(w, path);
        QCOMPARE(strings(Probe::recentFiles(w)), QStringList{path});
        QCOMPARE(Probe::frameCount(w), 1);
    }
}

void TestLoading::openDialog()
{
    const QString v4 = writeCapture(QStringLiteral("open/v4.drf4"), capture(frame(1, 4, 0, 0)));
    Framescope &w = window();
    QAction *open = Probe::ui(w).actionOpen_File;

    // Before any load the dialog starts in the working folder; cancelling changes nothing.
    open->trigger();
    auto *dialog = OpenDialog::top<QFileDialog>();
    QVERIFY(dialog);
    QCOMPARE(dialog->directory().absolutePath(), QDir::currentPath());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Open DigRF File"));
    QCOMPARE(dialog->nameFilters(),
             (QStringList{"All DigRF files (*.drf3 *.drf4)", "DigRf 3G files (*.drf3)",
                          "DigRF v4 files (*.drf4)"}));
    QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
    // A name of no file is refused with a word, and the dialog stays for another.
    dialog->selectFile(dir.filePath(QStringLiteral("none.drf3")));
    QMetaObject::invokeMethod(dialog, "accept");
    auto *box = OpenDialog::top<QMessageBox>();
    QVERIFY(box);
    QCOMPARE(box->text(), QStringLiteral("none.drf3\nFile not found.\nPlease verify the correct "
                                         "file name was given."));
    box->accept();
    QCOMPARE(OpenDialog::top<QFileDialog>(), dialog);
    dialog->reject();
    QVERIFY(logLines(w).isEmpty());
    QVERIFY(!QSettings(QStringLiteral("Kestrant"), QStringLiteral("Framescope"))
                 .contains(QStringLiteral("FileLoadPath")));

    // The suffix chooses the version, whichever filter was chosen.
    open->trigger();
    dialog = OpenDialog::top<QFileDialog>();
    QVERIFY(dialog);
    dialog->selectNameFilter(QStringLiteral("DigRf 3G files (*.drf3)"));
    dialog->selectFile(v4);
    QMetaObject::invokeMethod(dialog, "accept");
    QVERIFY(Probe::settle(w));
    QCOMPARE(Probe::protocolVersion(w), 1);
    QCOMPARE(w.windowTitle(), QStringLiteral("Kestrant Framescope - ") + v4);

    // Next time the dialog starts in the folder of that file.
    open->trigger();
    dialog = OpenDialog::top<QFileDialog>();
    QVERIFY(dialog);
    QCOMPARE(dialog->directory().absolutePath(), dir.filePath(QStringLiteral("open")));
    dialog->close();
}

void TestLoading::openRecentFile()
{
    const QString first = writeCapture(QStringLiteral("first.drf3"), capture(frame(1, 4, 0, 0)));
    const QString second = writeCapture(QStringLiteral("second.drf3"),
                                        capture(frame(1, 4, 0, 0) + frame(2, 4, 0, 0)));
    Framescope &w = window();
    FramescopeProbe::loadFile(w, first);
    FramescopeProbe::loadFile(w, second);
    QCOMPARE(Probe::frameCount(w), 2);

    QMenu *menu = Probe::ui(w).menuRecentFiles;
    menu->actions().at(1)->trigger();
    QVERIFY(Probe::settle(w));
    QCOMPARE(Probe::frameCount(w), 1);
    QCOMPARE(w.windowTitle(), QStringLiteral("Kestrant Framescope - ") + first);
    QCOMPARE(menuTexts(w), (QStringList{first, second}));

    // A file that has gone: logged with the system's reason, its entry stays, and the title
    // still names the capture on display.
    QVERIFY(QFile::remove(second));
    menu->actions().at(1)->trigger();
    QCOMPARE(logLines(w).mid(logLines(w).size() - 2),
             (QStringList{QStringLiteral("error\tCannot open file ") + second,
                          QStringLiteral("error\tNo such file or directory")}));
    QCOMPARE(menuTexts(w), (QStringList{first, second}));
    QCOMPARE(Probe::frameCount(w), 1);
    QCOMPARE(w.windowTitle(), QStringLiteral("Kestrant Framescope - ") + first);
}

void TestLoading::commandLineFile()
{
    const QString path = writeCapture(QStringLiteral("start.drf3"),
                                      capture(frame(1, 4, 0, 0) + frame(0, 0, 0, 3), "}"));
    {
        Framescope w(path);
        QVERIFY(Probe::settle(w));
        QCOMPARE(Probe::frameCount(w), 2);
        QCOMPARE(w.windowTitle(), QStringLiteral("Kestrant Framescope - ") + path);
    }
    Framescope w(dir.filePath(QStringLiteral("nothing.drf3")));
    QCOMPARE(Probe::frameCount(w), 0);
    QVERIFY(logLines(w).isEmpty());
    QCOMPARE(w.windowTitle(), QStringLiteral("Kestrant Framescope"));
}

void TestLoading::colorMode()
{
    // A capture of one channel type that the default colours paint.
    const QString path = writeCapture(QStringLiteral("colors.drf3"),
                                      capture(frame(1, 4, 0, 0) + frame(1, 4, 0, 0), "}"));
    Framescope &w = window();
    FramescopeProbe::loadFile(w, path);
    QTableView *table = Probe::ui(w).tblFrames;
    FrameTableModel *model = Probe::model(w);
    const QModelIndex cell = model->cellIndex(1, 1);
    QVERIFY(model->data(cell, Qt::BackgroundRole).isValid());
    QVERIFY(!table->alternatingRowColors());

    QAction *disable = Probe::ui(w).actionDisable_Colors;
    QSignalSpy currentChanged(table->selectionModel(), &QItemSelectionModel::currentChanged);
    disable->trigger();
    QVERIFY(disable->isChecked());
    QVERIFY(table->alternatingRowColors());
    QVERIFY(!model->colorsEnabled);
    QVERIFY(!model->data(cell, Qt::BackgroundRole).isValid());
    QVERIFY(!model->data(cell, Qt::ForegroundRole).isValid());
    // The reset drops the current row without reporting a change.
    QVERIFY(!table->currentIndex().isValid());
    QCOMPARE(currentChanged.count(), 0);

    disable->trigger();
    QVERIFY(!table->alternatingRowColors());
    QVERIFY(model->colorsEnabled);
    QVERIFY(model->data(cell, Qt::BackgroundRole).isValid());
}

void TestLoading::logCompleteWhenLoadEnds()
{
    // Every line of a load, the frames' among them, is in the log as the load returns, and the
    // panel shows the last one; a second load's lines follow the first's.
    const QString large = writeCapture(QStringLiteral("large.drf3"), randomCapture(150000, 3));
    const QString small = writeCapture(QStringLiteral("small.drf4"), capture(frame(1, 4, 0, 0)));
    Framescope &w = window();
    QStringList expected;
    for (const QString &path : {large, small}) {
        expected += coreLog(path);
        FramescopeProbe::loadFile(w, path);
        QCOMPARE(logLines(w), expected);
        const LogView *panel = Probe::ui(w).txtLog;
        QVERIFY(panel->visualRect(expected.size() - 1).isValid());
    }
}

void TestLoading::windowLiveDuringALoad()
{
    // The reader is held at its first look at the window (after 65,536 frames): the window
    // shows the file's name, the progress in the status bar and the frames read so far, which
    // can be read and made current, and the log panel already has every line written so far,
    // the frames' among them. Cancel in the status bar then stops the load there: the frames
    // read so far are shown, and the log says so.
    const QString path = writeCapture(QStringLiteral("cancel.drf3"), randomCapture(200000, 6));
    Framescope &w = window();
    FramescopeProbe::loadFile(w, writeCapture(QStringLiteral("first.drf3"), capture(frame(1, 4, 0, 0), "}")));
    const qint64 before = logLines(w).size();
    PassLatch latch(TaskKinds::Load);
    Probe::setTaskHook(w, latch.hook());
    w.loadFile(path);
    QVERIFY(latch.waitReached());
    QVERIFY(Probe::loadBar(w)->isVisible());
    QVERIFY(Probe::loadCancel(w)->isVisible());
    QCOMPARE(w.windowTitle(), QStringLiteral("Kestrant Framescope - ") + path);
    const QStringList full = coreLog(path);
    const qsizetype head = full.indexOf(QRegularExpression(QStringLiteral("info\\tFrame 1: .*")));
    QVERIFY(head > 0);
    QTRY_COMPARE_WITH_TIMEOUT(logLines(w).size(), before + head + 65536, HangGuardMs);
    QCOMPARE(logLines(w).mid(before), full.mid(0, head + 65536));
    QTRY_COMPARE_WITH_TIMEOUT(Probe::model(w)->rowCount(), 65536, HangGuardMs);
    Capture reference(path);
    CaptureFixture::QuietSink quiet;
    reference.load(quiet);
    QVERIFY(Probe::session(w).setCurrentFrame(65535));
    QCOMPARE(Probe::ui(w).tblFrames->currentIndex().row(), 65535);
    for (int column = 0; column < FrameText::ColumnCount; ++column) {
        QCOMPARE(Probe::model(w)->index(65535, column).data().toString(),
                 FrameText::cell(reference.frame(65535), column, 0));
    }

    Probe::loadCancel(w)->click();
    latch.release();
    QVERIFY(Probe::settle(w));
    QCOMPARE(Probe::frameCount(w), 65536);
    QCOMPARE(Probe::model(w)->rowCount(), 65536);
    // The frame the user chose during the load stays current.
    QCOMPARE(Probe::ui(w).tblFrames->currentIndex().row(), 65535);
    const QStringList log = Probe::logLines(w);
    QCOMPARE(log.last(), QStringLiteral("warning\tLoad cancelled after 65536 frames."));
    QCOMPARE(log.at(log.size() - 2).section(QLatin1Char(':'), 0, 0),
             QStringLiteral("info\tFrame 65536"));
    QVERIFY(Probe::loadBar(w)->isHidden());
    QVERIFY(Probe::loadCancel(w)->isHidden());
    QVERIFY(!Probe::following(w));
    QCOMPARE(strings(Probe::recentFiles(w)).first(), QFileInfo(path).absoluteFilePath());

    // The next load is not cancelled by the earlier press.
    FramescopeProbe::loadFile(w, path);
    QCOMPARE(Probe::frameCount(w), 200000);
}

void TestLoading::droppedFiles_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QString>("message");

    QTest::newRow("one capture") << QStringList({"a.drf3"}) << "a.drf3" << QString();
    QTest::newRow("two captures")
        << QStringList({"b.drf3", "a.drf3"}) << "b.drf3"
        << "2 files were dropped; only the first, b.drf3, was opened.";
    // Links to what is no file on this machine are not offered to the window at all.
    QTest::newRow("a web page first")
        << QStringList({"https://www.kestrant.example/a.drf3", "a.drf3"}) << "a.drf3" << QString();
    QTest::newRow("a folder first") << QStringList({"folder", "a.drf3"}) << "a.drf3" << QString();
    QTest::newRow("a missing file") << QStringList({"missing.drf3"}) << QString() << QString();
    QTest::newRow("a web page") << QStringList({"https://www.kestrant.example/a.drf3"}) << QString()
                                << QString();
}

void TestLoading::droppedFiles()
{
    QFETCH(QStringList, names);
    QFETCH(QString, opened);
    QFETCH(QString, message);

    writeCapture(QStringLiteral("a.drf3"), capture(frame(1, 4, 0, 0) + frame(2, 5, 1, 0), "}"));
    writeCapture(QStringLiteral("b.drf3"), capture(frame(1, 4, 0, 0), "}"));
    QDir(dir.path()).mkpath(QStringLiteral("folder"));
    QList<QUrl> urls;
    for (const QString &name : std::as_const(names))
        urls << (name.startsWith(QLatin1String("https:")) ? QUrl(name)
                                                           : QUrl::fromLocalFile(dir.filePath(name)));
    QMimeData mime;
    mime.setUrls(urls);

    Framescope &w = window();
    const QString title = w.windowTitle();
    const QPoint at = w.rect().center();
    // A file manager offers a move when Shift is held; the window takes a copy all the same.
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::ShiftModifier);
    QCoreApplication::sendEvent(&w, &enter);
    QCOMPARE(enter.isAccepted(), !opened.isEmpty());
    if (opened.isEmpty())
        return;
    QCOMPARE(enter.dropAction(), Qt::CopyAction);

    QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::ShiftModifier);
    QCoreApplication::sendEvent(&w, &drop);
    QVERIFY(drop.isAccepted());
    QCOMPARE(drop.dropAction(), Qt::CopyAction);
    // The file is opened once the drop has returned, as File > Open opens it.
    QCOMPARE(w.windowTitle(), title);
    const QString path = dir.filePath(opened);
    QTRY_COMPARE(w.windowTitle(), QStringLiteral("Kestrant Framescope - %1").arg(path));
    QVERIFY(Probe::settle(w));
    QCOMPARE(Probe::recentFiles(w), QVariantList({path}));
    QCOMPARE(Probe::frameCount(w), opened == QLatin1String("a.drf3") ? 2 : 1);
    QCOMPARE(w.statusBar()->currentMessage(), message);
}

QTEST_MAIN(TestLoading)
#include "tst_loading.moc"
