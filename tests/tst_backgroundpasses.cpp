// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturebuilder.h"
#include "capturefixture.h"
#include "framescopeprobe.h"
#include "opendialog.h"
#include "printtofile.h"
#include "passlatch.h"
#include "testenv.h"

#include "core/files/capture.h"
#include "core/tasks/passpool.h"
#include "viewer/views/exportdlg.h"
#include "viewer/views/findbar.h"
#include "viewer/views/printframesdlg.h"

#include <QFile>
#include <QMimeData>
#include <QPrintDialog>
#include <QThreadPool>
#include <QUrl>
#include <QtTest>

#include <memory>

using namespace Korvex;
using Probe = FramescopeProbe;

namespace {

constexpr int FirstFrames = 10000;
constexpr int SecondFrames = 20;

} // namespace

/// Another capture opened, dropped or reloaded, or the window closed, while a pass over the
/// capture on display is held mid-way on its worker: nothing of the pass lands on the new
/// capture, the new one is shown whole, and a pass cancelled by the close ends on its own and
/// lets go of its capture.
class TestBackgroundPasses : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void interrupted_data();
    void interrupted();
    void dropWhileDialogOpen_data();
    void dropWhileDialogOpen();

private:
    QString write(const QString &name, int frames, quint32 seed);
    /// Starts a pass of the kind over the capture on display.
    void startPass(const QString &kind);
    bool drop(const QString &path);

    TestEnv env;
    QTemporaryDir dir;
    std::unique_ptr<Framescope> window;
    QString output;
};

QString TestBackgroundPasses::write(const QString &name, int frames, quint32 seed)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(CaptureBuilder::randomCapture(frames, seed)) < 0)
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestBackgroundPasses::init()
{
    window = std::make_unique<Framescope>(QString());
    window->show();
    output.clear();
    // The export dialog would ask before overwriting the last test's file.
    QFile::remove(dir.filePath(QStringLiteral("exported.drf3")));
    QFile::remove(dir.filePath(QStringLiteral("printed.pdf")));
}

void TestBackgroundPasses::cleanup()
{
    window.reset();
    // A pass the test let go of ends before the next test's window comes.
    PassPool::instance()->waitForDone(HangGuardMs);
}

void TestBackgroundPasses::startPass(const QString &kind)
{
    Ui::Framescope &ui = Probe::ui(*window);
    if (kind == TaskKinds::Filter) {
        ui.filterBar->setText(QStringLiteral("payload contains 05 06"));
        ui.filterBar->applyButton()->click();
    } else if (kind == TaskKinds::Find) {
        ui.findBar->lineEdit()->setText(QStringLiteral("cts == 1"));
        ui.actionFindNext->trigger();
    } else if (kind == TaskKinds::Export) {
        output = dir.filePath(QStringLiteral("exported.drf3"));
        ui.actionExport->trigger();
        auto *dialog = OpenDialog::top<ExportDlg>();
        QVERIFY(dialog);
        dialog->setWhich(ExportDlg::All);
        dialog->setFormat(FrameExporter::Format::Capture);
        dialog->setFileName(output);
        dialog->accept();
    } else if (kind == TaskKinds::Print) {
        output = dir.filePath(QStringLiteral("printed.pdf"));
        ui.actionPrint->trigger();
        auto *frames = OpenDialog::top<PrintFramesDlg>();
        QVERIFY(frames);
        frames->accept();
        auto *dialog = OpenDialog::top<QPrintDialog>();
        QVERIFY(dialog);
        QVERIFY(printToFile(dialog, output));
        dialog->accept();
    }
}

void TestBackgroundPasses::interrupted_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("action");
    for (const QString &kind : {TaskKinds::Load, TaskKinds::Filter, TaskKinds::Find,
                                TaskKinds::Export, TaskKinds::Print}) {
        for (const char *action : {"open", "drop", "reload", "close"}) {
            QTest::addRow("%s, %s", qPrintable(kind), action) << kind << QString::fromLatin1(action);
        }
    }
}

void TestBackgroundPasses::interrupted()
{
    QFETCH(QString, kind);
    QFETCH(QString, action);
    const QString first = write(QStringLiteral("first.drf3"), FirstFrames, 11);
    const QString second = write(QStringLiteral("second.drf3"), SecondFrames, 12);
    if (kind != TaskKinds::Load)
        Probe::loadFile(*window, first);
    const std::weak_ptr<const Capture> held = Probe::session(*window).capture();

    PassLatch latch(kind);
    Probe::setTaskHook(*window, latch.hook());
    if (kind == TaskKinds::Load)
        window->loadFile(first);
    else
        startPass(kind);
    QVERIFY(latch.waitReached());

    if (action == QLatin1String("close")) {
        window->close();
        latch.release();
        QVERIFY(PassPool::instance()->waitForDone(HangGuardMs));
        QCoreApplication::sendPostedEvents();
        // The load never landed; the other passes left their capture as it was.
        QCOMPARE(Probe::frameCount(*window), qint64(kind == TaskKinds::Load ? 0 : FirstFrames));
        QVERIFY(!Probe::session(*window).rows().isFiltered());
        window.reset();
        QVERIFY(held.expired());
        // A cancelled export or printout leaves no file behind.
        if (!output.isEmpty())
            QVERIFY(!QFile::exists(output));
        return;
    }

    qint64 expected = SecondFrames;
    if (action == QLatin1String("open")) {
        window->loadFile(second);
    } else if (action == QLatin1String("drop")) {
        QVERIFY(drop(second));
        QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(),
                                  QStringLiteral("Kestrant Framescope - ") + second, HangGuardMs);
    } else if (kind == TaskKinds::Load) {
        // No capture is on display while one loads: Reload has nothing to open again.
        Probe::ui(*window).actionReload->trigger();
        expected = FirstFrames;
    } else {
        // The file the pass reads is written anew under it, then opened again.
        write(QStringLiteral("first.drf3"), SecondFrames, 12);
        Probe::ui(*window).actionReload->trigger();
    }
    latch.release();
    QVERIFY(Probe::settle(*window));
    const CaptureSession &session = Probe::session(*window);
    QCOMPARE(Probe::frameCount(*window), expected);
    QCOMPARE(Probe::model(*window)->rowCount(), int(expected));
    QVERIFY(!session.rows().isFiltered());
    QCOMPARE(session.currentFrame(), qint64(0));
    QVERIFY2(!Probe::note(*window).contains(QStringLiteral("found")), qPrintable(Probe::note(*window)));
    // What the user asked of the capture before is finished from its own share of it (unless
    // its file was written anew under it).
    if (kind == TaskKinds::Export && action != QLatin1String("reload")) {
        Capture exported(output);
        CaptureFixture::QuietSink sink;
        QCOMPARE(exported.load(sink), Capture::Status::Loaded);
        QCOMPARE(exported.frameCount(), qint64(FirstFrames));
    }
    if (kind == TaskKinds::Print)
        QVERIFY(QFile(output).size() > 0);
}

bool TestBackgroundPasses::drop(const QString &path)
{
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(window->rect().center(), Qt::CopyAction, &mime, Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &enter);
    QDropEvent drop(window->rect().center(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &drop);
    return drop.isAccepted();
}

void TestBackgroundPasses::dropWhileDialogOpen_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("export") << TaskKinds::Export;
    QTest::newRow("print") << TaskKinds::Print;
}

void TestBackgroundPasses::dropWhileDialogOpen()
{
    // A capture dropped on the window while the export's or the printout's dialog is open:
    // what the dialog was opened for is gone, so its answer starts nothing and writes nothing.
    QFETCH(QString, kind);
    const QString first = write(QStringLiteral("first.drf3"), FirstFrames, 11);
    const QString second = write(QStringLiteral("second.drf3"), SecondFrames, 12);
    Probe::loadFile(*window, first);
    Ui::Framescope &ui = Probe::ui(*window);
    output = dir.filePath(kind == TaskKinds::Export ? QStringLiteral("unwritten.csv")
                                                    : QStringLiteral("unwritten.pdf"));
    QDialog *dialog = nullptr;
    if (kind == TaskKinds::Export) {
        ui.actionExport->trigger();
        auto *exportDlg = OpenDialog::top<ExportDlg>();
        QVERIFY(exportDlg);
        exportDlg->setFormat(FrameExporter::Format::Csv);
        exportDlg->setFileName(output);
        dialog = exportDlg;
    } else {
        ui.actionPrint->trigger();
        QVERIFY(OpenDialog::top<PrintFramesDlg>());
        OpenDialog::top<PrintFramesDlg>()->accept();
        auto *printDlg = OpenDialog::top<QPrintDialog>();
        QVERIFY(printDlg);
        QVERIFY(printToFile(printDlg, output));
        dialog = printDlg;
    }
    QPointer<QDialog> open = dialog;
    QVERIFY(drop(second));
    QTRY_COMPARE_WITH_TIMEOUT(Probe::frameCount(*window), qint64(SecondFrames), HangGuardMs);
    QVERIFY(Probe::settle(*window));
    QVERIFY(open && open->isVisible());
    dialog->accept();
    QVERIFY(!open->isVisible());
    QVERIFY(Probe::settle(*window));
    QVERIFY(!OpenDialog::top<QWidget>());
    QVERIFY(!QFile::exists(output));
    QCOMPARE(Probe::frameCount(*window), qint64(SecondFrames));
}

QTEST_MAIN(TestBackgroundPasses)
#include "tst_backgroundpasses.moc"
