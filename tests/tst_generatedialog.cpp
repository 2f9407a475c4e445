// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"
#include "viewer/views/generatedlg.h"
#include "core/files/capture.h"
#include "core/files/capturefile.h"
#include "core/files/trafficgenerator.h"
#include "framescopeprobe.h"
#include "hangguard.h"
#include "opendialog.h"
#include "testenv.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace Korvex;

namespace {

/// What the dialogs of one run of "Generate DigRF file" showed.
struct DialogRun
{
    QString fileDialogTitle;
    QStringList nameFilters;
    QString startFolder;
    QString countTitle;
    int countWidth = 0;
    QString countLabel;
    int countValue = 0;
    int countMinimum = 0;
    int countMaximum = 0;
    QString trafficText;
    bool trafficChecked = true;
    QStringList boxes; // "title|text" of every message box, in order
    QList<QMessageBox::Icon> boxIcons;
};

/// Keeps the reader's warnings and errors.
class CollectingSink final : public FrameReaderSink
{
public:
    void log(const QString &text, LogLevel level) override
    {
        if (level != LogLevel::Info)
            problems.append(text);
    }
    void progress(int) override {}
    QStringList problems;
};

} // namespace

/// "Generate DigRF file": its two dialogs, what it writes, and what a cancel or failure leaves.
class TestGenerateDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void writesTheFile();
    void writesRealisticTraffic();
    void nameWithoutSuffixGetsDrf3_data();
    void nameWithoutSuffixGetsDrf3();
    void startFolderDefault();
    void cancel_data();
    void cancel();
    void failureInMissingFolder();
    void failureKeepsExistingFile();
    void replaceRefusedKeepsFileDialogOpen();

private:
    /// Runs the action, choosing fileName (empty: cancel the file dialog), count (negative:
    /// cancel the count dialog) and whether the frames are realistic traffic.
    DialogRun generate(const QString &fileName, int count, bool traffic = false);

    TestEnv m_env;
    QTemporaryDir m_dir;
    Framescope *m_window = nullptr;
};

void TestGenerateDialog::init()
{
    QSettings(QStringLiteral("Kestrant"), QStringLiteral("Framescope")).clear();
    m_window = new Framescope(QString());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window, HangGuardMs));
}

void TestGenerateDialog::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

DialogRun TestGenerateDialog::generate(const QString &fileName, int count, bool traffic)
{
    DialogRun run;
    // Message boxes may come from the file dialog (overwrite?) and from the action's end.
    auto answerBoxes = [&run] {
        while (auto *box = OpenDialog::top<QMessageBox>()) {
            run.boxes.append(box->windowTitle() + QLatin1Char('|') + box->text());
            run.boxIcons.append(box->icon());
            if (QAbstractButton *yes = box->button(QMessageBox::Yes))
                yes->click();
            else
                box->button(QMessageBox::Ok)->click();
        }
    };
    FramescopeProbe::ui(*m_window).actionFileSave->trigger();
    auto *dialog = OpenDialog::top<QFileDialog>();
    if (!dialog)
        return run;
    run.fileDialogTitle = dialog->windowTitle();
    run.nameFilters = dialog->nameFilters();
    run.startFolder = dialog->directory().absolutePath();
    if (fileName.isEmpty()) {
        dialog->reject();
        return run;
    }
    // An absolute name typed into the name field is taken as it is, existing folder or not.
    dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(fileName);
    // The file dialog's own accept() (checks, overwrite question) behind QDialog's public one.
    static_cast<QDialog *>(dialog)->accept();
    answerBoxes();

    auto *input = OpenDialog::top<GenerateDlg>();
    if (!input)
        return run;
    auto *spinBox = input->findChild<QSpinBox *>(QStringLiteral("sbCount"));
    auto *checkBox = input->findChild<QCheckBox *>(QStringLiteral("cbTraffic"));
    run.countTitle = input->windowTitle();
    run.countWidth = input->width();
    run.countLabel = input->findChild<QLabel *>(QStringLiteral("lblCount"))->text();
    run.countValue = spinBox->value();
    run.countMinimum = spinBox->minimum();
    run.countMaximum = spinBox->maximum();
    run.trafficText = checkBox->text();
    run.trafficChecked = checkBox->isChecked();
    if (count < 0) {
        input->reject();
        return run;
    }
    spinBox->setValue(count);
    checkBox->setChecked(traffic);
    input->accept();
    answerBoxes();
    return run;
}

void TestGenerateDialog::writesTheFile()
{
    QSettings(QStringLiteral("Kestrant"), QStringLiteral("Framescope"))
        .setValue(QStringLiteral("FileLoadPath"), m_dir.path());
    const QString path = m_dir.filePath(QStringLiteral("random.drf3"));
    const QString title = m_window->windowTitle();

    const DialogRun run = generate(path, 25);

    QCOMPARE(run.fileDialogTitle, QStringLiteral("Select DigRF 3G File Name"));
    QCOMPARE(run.nameFilters, QStringList{QStringLiteral("DigRf 3G files (*.drf3)")});
    QCOMPARE(run.startFolder, QDir(m_dir.path()).absolutePath());
    QCOMPARE(run.countTitle, QStringLiteral("Generate DigRF 3G File"));
    // Wide enough for the title in a bold title bar font, whatever its few controls need.
    QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
    titleFont.setBold(true);
    QVERIFY(run.countWidth > QFontMetrics(titleFont).horizontalAdvance(run.countTitle));
    QCOMPARE(run.countLabel, QStringLiteral("Number of frames (1 \u2013 10000):"));
    QCOMPARE(run.countValue, 10);
    QCOMPARE(run.countMinimum, 1);
    QCOMPARE(run.countMaximum, 10000);
    // Random frames unless realistic traffic is asked for.
    QCOMPARE(run.trafficText, QStringLiteral("&Realistic traffic"));
    QVERIFY(!run.trafficChecked);
    QCOMPARE(run.boxes, QStringList{QStringLiteral("File Written|File successfully created.")});
    QCOMPARE(run.boxIcons, QList<QMessageBox::Icon>{QMessageBox::Information});

    // The file opens with every frame and no warning; the window does not load it.
    Capture frames(path);
    CollectingSink sink;
    QCOMPARE(frames.load(sink), Capture::Status::Loaded);
    QCOMPARE(frames.frameCount(), 25);
    QCOMPARE(sink.problems, QStringList());
    QVERIFY(!FramescopeProbe::capture(*m_window));
    QCOMPARE(m_window->windowTitle(), title);
    // Generating does not move the folder the open dialog starts in.
    QCOMPARE(QSettings(QStringLiteral("Kestrant"), QStringLiteral("Framescope"))
                 .value(QStringLiteral("FileLoadPath")).toString(), m_dir.path());
}

void TestGenerateDialog::writesRealisticTraffic()
{
    const QString path = m_dir.filePath(QStringLiteral("traffic.drf3"));
    const DialogRun run = generate(path, 2000, true);
    QCOMPARE(run.boxes, QStringList{QStringLiteral("File Written|File successfully created.")});

    // The traffic generator's frames: real times, the first strobe where it goes.
    Capture frames(path);
    CollectingSink sink;
    QCOMPARE(frames.load(sink), Capture::Status::Loaded);
    QCOMPARE(frames.frameCount(), 2000);
    QCOMPARE(sink.problems, QStringList());
    QCOMPARE(frames.fields(3).channelType, quint8(1));
    QCOMPARE(frames.ticks(3), quint64(3120));
    QVERIFY(frames.ticks(1999) > 10 * quint64(TrafficGenerator::SlotTicks));
}

void TestGenerateDialog::nameWithoutSuffixGetsDrf3_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");
    QTest::newRow("no suffix") << "gen1" << "gen1.drf3";
    QTest::newRow("drf3") << "gen2.drf3" << "gen2.drf3";
    QTest::newRow("another suffix") << "gen3.bin" << "gen3.bin";
}

void TestGenerateDialog::nameWithoutSuffixGetsDrf3()
{
    // The file is read back as DigRF 3G only with the suffix .drf3.
    QFETCH(QString, typed);
    QFETCH(QString, written);
    const DialogRun run = generate(m_dir.filePath(typed), 3);
    QCOMPARE(run.boxes, QStringList{QStringLiteral("File Written|File successfully created.")});
    QVERIFY(QFile::exists(m_dir.filePath(written)));
    if (typed != written)
        QVERIFY(!QFile::exists(m_dir.filePath(typed)));
}

void TestGenerateDialog::startFolderDefault()
{
    const DialogRun run = generate(QString(), 1);
    QCOMPARE(run.startFolder, QDir::current().absolutePath());
}

void TestGenerateDialog::cancel_data()
{
    QTest::addColumn<bool>("inFileDialog");
    QTest::addColumn<bool>("existing");
    QTest::newRow("file dialog") << true << false;
    QTest::newRow("count dialog") << false << false;
    QTest::newRow("count dialog, existing file") << false << true;
}

void TestGenerateDialog::cancel()
{
    QFETCH(bool, inFileDialog);
    QFETCH(bool, existing);
    const QString path = m_dir.filePath(QStringLiteral("cancelled.drf3"));
    QFile::remove(path);
    if (existing) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("kept");
    }

    const DialogRun run = generate(inFileDialog ? QString() : path, -1);

    QVERIFY(!run.fileDialogTitle.isEmpty());
    QCOMPARE(run.countTitle.isEmpty(), inFileDialog);
    // The overwrite question of the file dialog is the only box a cancel can show.
    QCOMPARE(run.boxes.size(), existing ? 1 : 0);
    QCOMPARE(QFile::exists(path), existing);
    if (existing) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("kept"));
    }
}

void TestGenerateDialog::failureInMissingFolder()
{
    const QString path = m_dir.filePath(QStringLiteral("missing/random.drf3"));
    const DialogRun run = generate(path, 10);
    QCOMPARE(run.boxes, QStringList{QStringLiteral("Error writing file!|Cannot write file %1!").arg(path)});
    QCOMPARE(run.boxIcons, QList<QMessageBox::Icon>{QMessageBox::Critical});
    QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("missing"))));
}

void TestGenerateDialog::failureKeepsExistingFile()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("existing.drf3"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("previous capture");
    }

    // A file size limit makes the write fail part way through, even for a privileged user to
    // whom folder permissions mean nothing.
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const DialogRun run = generate(path, 10000);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(run.boxes.size(), 2);
    QCOMPARE(run.boxes.first(), QStringLiteral("Select DigRF 3G File Name|existing.drf3 already "
                                               "exists.\nDo you want to replace it?"));
    QCOMPARE(run.boxes.last(), QStringLiteral("Error writing file!|Cannot write file %1!").arg(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("previous capture"));
    // No unfinished copy is left beside it.
    QCOMPARE(QDir(folder.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
             QStringList{QStringLiteral("existing.drf3")});
}

void TestGenerateDialog::replaceRefusedKeepsFileDialogOpen()
{
    const QString path = m_dir.filePath(QStringLiteral("kept.drf3"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("kept");
    }
    FramescopeProbe::ui(*m_window).actionFileSave->trigger();
    auto *dialog = OpenDialog::top<QFileDialog>();
    QVERIFY(dialog);
    dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
    static_cast<QDialog *>(dialog)->accept();
    // No is the default answer; it leaves the file dialog open for another name.
    auto *box = OpenDialog::top<QMessageBox>();
    QVERIFY(box);
    QCOMPARE(box->icon(), QMessageBox::Warning);
    QCOMPARE(box->defaultButton(), box->button(QMessageBox::No));
    box->button(QMessageBox::No)->click();
    QCOMPARE(OpenDialog::top<QFileDialog>(), dialog);
    dialog->reject();
    QVERIFY(!OpenDialog::top<QWidget>());
    QCOMPARE(QFile(path).size(), 4);
}

QTEST_MAIN(TestGenerateDialog)
#include "tst_generatedialog.moc"
