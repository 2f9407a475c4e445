// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"
#include "capturebuilder.h"
#include "core/files/framegenerator.h"
#include "framescopeprobe.h"
#include "hangguard.h"
#include "opendialog.h"
#include "printtofile.h"
#include "printruns.h"
#include "testenv.h"
#include "textrecorder.h"
#include "viewer/views/frameprinter.h"
#include "viewer/views/printframesdlg.h"

#include <QAction>
#include <QFile>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

using namespace Korvex;
using namespace CaptureBuilder;

namespace {

/// Where the Print action is stopped.
enum class Stop { Nowhere, FramesDialog, PrintDialog, Progress };

/// Cancels a progress dialog the moment it shows.
class CancelOnShow : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *progress = qobject_cast<QProgressDialog *>(watched);
        if (progress && event->type() == QEvent::Show) {
            progress->findChild<QPushButton *>()->click();
            cancelled = true;
        }
        return false;
    }
    bool cancelled = false;
};

int pdfPages(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray pdf = file.readAll();
    return pdf.startsWith("%PDF-") ? int(pdf.count("/Type /Page\n")) : -1;
}

} // namespace

/// Printing from the window: what it prints of its table, the choice of frames, the print
/// dialog, the pages written and Cancel.
class TestPrinting : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void printedTable_data();
    void printedTable();
    void cancelPrintsNothing_data();
    void cancelPrintsNothing();
    void captureReplacedWhileChoosingPrintsNothing_data();
    void captureReplacedWhileChoosingPrintsNothing();
    void printsToPdf_data();
    void printsToPdf();

private:
    QString writeFile(const QString &name, const QByteArray &bytes);
    /// Runs the Print action: `choose` picks the frames, then "Print to File (PDF)" with pdfPath
    /// in the print dialog, whose page layout goes to `layout`.
    void print(const QString &pdfPath, const std::function<void(PrintFramesDlg *)> &choose,
               Stop stop, QPageLayout *layout = nullptr, int copies = 1);

    TestEnv m_env;
    QTemporaryDir m_dir;
    Framescope *m_window = nullptr;
};

void TestPrinting::init()
{
    m_window = new Framescope(QString());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window, HangGuardMs));
}

void TestPrinting::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

QString TestPrinting::writeFile(const QString &name, const QByteArray &bytes)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

void TestPrinting::printedTable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<int>>("hidden");
    QTest::addColumn<QList<QStringList>>("table");
    QTest::addColumn<int>("mode");

    // Code 1 on Data Channel A, then code 0 with CTS set 312 ticks later. The first payload's
    // text ends in a blank on screen; printed it does not.
    const QByteArray frames3G = capture(frame(headerWord(1, 4, 0), 7, word(0x11223344))
                                        + frame(headerWord(0, 0, 1), 312, word(0xAB000000)));
    QTest::newRow("DigRF 3G")
        << "frames.drf3" << frames3G << QList<int>()
        << QList<QStringList>{
               {"No.", "Time [ns]", "Frame", "CTS", "Payload Size [Bits]", "Payload"},
               {"0", "0", "32 bit Data Channel A", "0", "32", "1122 3344"},
               {"1", "1000", "8 bit Interface Control", "1", "8", "AB"}}
           << int(TimeMode::SinceFirst);
    // The time as the table shows it in the mode chosen.
    QTest::newRow("time since the frame before")
        << "frames.drf3" << frames3G << QList<int>{1, 3}
        << QList<QStringList>{{"No.", "Δ Time [ns]", "CTS", "Payload"},
                              {"0", "0", "1122 3344"},
                              {"1", "1000", "1", "AB"}}
        << int(TimeMode::DeltaPrevious);
    QTest::newRow("hidden columns")
        << "frames.drf3" << frames3G << QList<int>{1, 3}
        << QList<QStringList>{{"No.", "Time [ns]", "CTS", "Payload"},
                              {"0", "0", "0", "1122 3344"},
                              {"1", "1000", "1", "AB"}}
           << int(TimeMode::SinceFirst);
    // The title stays "DigRF 3G Frames" whatever the protocol version.
    const QByteArray framesV4 = capture(frame(headerWord(1, 4, 0), 0) + frame(0, 624));
    QTest::newRow("DigRF v4")
        << "frames.drf4" << framesV4 << QList<int>()
        << QList<QStringList>{
               {"No.", "Time [ns]", "Frame", "CRI", "Payload Size [Bits]", "Payload"},
               {"0", "0", "not impl", "not impl", "-1"},
               {"1", "2000", "not impl", "not impl", "-1"}}
           << int(TimeMode::SinceFirst);
    QTest::newRow("no file") << QString() << QByteArray() << QList<int>()
                             << QList<QStringList>{{"No.", "Time [ns]", "Frame", "CTS",
                                                    "Payload Size [Bits]", "Payload"}}
           << int(TimeMode::SinceFirst);
}

void TestPrinting::printedTable()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QList<int>, hidden);
    QFETCH(QList<QStringList>, table);
    QFETCH(int, mode);

    FramescopeProbe::ui(*m_window).menuTimeDisplay->actions().at(mode)->trigger();
    QString path;
    if (!name.isEmpty()) {
        path = writeFile(name, bytes);
        QVERIFY(!path.isEmpty());
        FramescopeProbe::loadFile(*m_window, path);
        QCOMPARE(FramescopeProbe::frameCount(*m_window), table.size() - 1);
    }
    for (const int column : std::as_const(hidden))
        FramescopeProbe::ui(*m_window).tblFrames->setColumnHidden(column, true);

    const FrameRows &rows = FramescopeProbe::model(*m_window)->rows();
    const std::unique_ptr<FramePrinter> printer =
        FramescopeProbe::framePrinter(*m_window, PrintRows::all(rows));
    TextRecorder page(9583, 13699, 1200);
    QVERIFY(printer->layOut(&page, [] { return true; }));
    QCOMPARE(printer->pageCount(), 1);
    QPainter painter(&page);
    printer->paintPage(painter, 1);
    painter.end();

    QStringList head{"DigRF 3G Frames"};
    if (!path.isEmpty())
        head.append(path);
    // A title with a character of another font ("Δ ") is drawn in pieces: joined again.
    QList<QStringList> lines = page.textLines();
    for (QStringList &line : lines) {
        for (qsizetype i = 0; i + 1 < line.size(); ++i) {
            if (line.at(i).endsWith(QLatin1Char(' ')))
                line[i] += line.takeAt(i + 1);
        }
    }
    QCOMPARE(lines, QList<QStringList>{head} + table + QList<QStringList>{{"Page 1 of 1"}});
    // The header row alone is filled, in light grey.
    QCOMPARE(page.fills, QList<QColor>{QColor(0xf0, 0xf0, 0xf0)});
    // The mode is remembered for the tests after this one.
    FramescopeProbe::ui(*m_window).menuTimeDisplay->actions().at(0)->trigger();
}

void TestPrinting::print(const QString &pdfPath, const std::function<void(PrintFramesDlg *)> &choose,
                         Stop stop, QPageLayout *layout, int copies)
{
    FramescopeProbe::ui(*m_window).actionPrint->trigger();
    auto *frames = OpenDialog::top<PrintFramesDlg>();
    QVERIFY(frames);
    if (stop == Stop::FramesDialog) {
        frames->reject();
        QVERIFY(!OpenDialog::top<QWidget>());
        return;
    }
    if (choose)
        choose(frames);
    frames->accept();

    auto *dialog = OpenDialog::top<QPrintDialog>();
    QVERIFY(dialog);
    if (!printToFile(dialog, pdfPath))
        qWarning("the print dialog offers no PDF file");
    if (auto *copiesBox = dialog->findChild<QSpinBox *>(QStringLiteral("copies")))
        copiesBox->setValue(copies);
    else
        qWarning("the print dialog offers no copies");
    if (stop == Stop::PrintDialog) {
        dialog->reject();
        QVERIFY(!OpenDialog::top<QWidget>());
        return;
    }
    CancelOnShow canceller;
    if (stop == Stop::Progress)
        qApp->installEventFilter(&canceller);
    dialog->accept();
    if (layout)
        *layout = dialog->printer()->pageLayout();
    QVERIFY(FramescopeProbe::settle(*m_window));
    qApp->removeEventFilter(&canceller);
    QCOMPARE(canceller.cancelled, stop == Stop::Progress);
}

void TestPrinting::cancelPrintsNothing_data()
{
    QTest::addColumn<int>("stop");
    QTest::newRow("choice of frames") << int(Stop::FramesDialog);
    QTest::newRow("print dialog") << int(Stop::PrintDialog);
    QTest::newRow("while printing") << int(Stop::Progress);
}

void TestPrinting::cancelPrintsNothing()
{
    QFETCH(int, stop);
    const QString capturePath = m_dir.filePath(QStringLiteral("cancel.drf3"));
    QVERIFY(FrameGenerator::writeFile(capturePath, 5u, 300, QDateTime::currentDateTime()));
    FramescopeProbe::loadFile(*m_window, capturePath);
    const QString pdf = m_dir.filePath(QStringLiteral("cancelled.pdf"));
    print(pdf, nullptr, Stop(stop));
    QVERIFY(!QFile::exists(pdf));
}

void TestPrinting::captureReplacedWhileChoosingPrintsNothing_data()
{
    QTest::addColumn<bool>("inPrintDialog");
    QTest::newRow("choice of frames") << false;
    QTest::newRow("print dialog") << true;
}

void TestPrinting::captureReplacedWhileChoosingPrintsNothing()
{
    // Another capture opened while a dialog of the printout is open: the rows chosen belong to
    // the one before, so nothing is printed and no further dialog comes up.
    QFETCH(bool, inPrintDialog);
    const QString first = m_dir.filePath(QStringLiteral("first.drf3"));
    const QString second = m_dir.filePath(QStringLiteral("second.drf3"));
    QVERIFY(FrameGenerator::writeFile(first, 5u, 300, QDateTime::currentDateTime()));
    QVERIFY(FrameGenerator::writeFile(second, 7u, 20, QDateTime::currentDateTime()));
    FramescopeProbe::loadFile(*m_window, first);
    FramescopeProbe::ui(*m_window).actionPrint->trigger();
    auto *frames = OpenDialog::top<PrintFramesDlg>();
    QVERIFY(frames);
    // Asked again while its dialog is open, the printout does not open a second one.
    FramescopeProbe::ui(*m_window).actionPrint->trigger();
    QCOMPARE(OpenDialog::top<QDialog>(), static_cast<QDialog *>(frames));
    QCOMPARE(m_window->findChildren<PrintFramesDlg *>().size(), 1);
    const QString pdf = m_dir.filePath(QStringLiteral("replaced.pdf"));
    if (inPrintDialog) {
        frames->accept();
        auto *dialog = OpenDialog::top<QPrintDialog>();
        QVERIFY(dialog);
        QVERIFY(printToFile(dialog, pdf));
        FramescopeProbe::loadFile(*m_window, second);
        dialog->accept();
    } else {
        FramescopeProbe::loadFile(*m_window, second);
        frames->accept();
    }
    QVERIFY(FramescopeProbe::settle(*m_window));
    QCOMPARE(FramescopeProbe::frameCount(*m_window), 20);
    QVERIFY(!OpenDialog::top<QWidget>());
    QVERIFY(!QFile::exists(pdf));
}

void TestPrinting::printsToPdf_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<QString>("choice");
    QTest::addColumn<Runs>("printed");
    QTest::addColumn<bool>("severalPages");
    QTest::addColumn<int>("copies");

    QTest::newRow("no file") << 0 << "rbAll" << Runs() << false << 1;
    QTest::newRow("every frame") << 300 << "rbAll" << Runs{{0, 300}} << true << 1;
    QTest::newRow("the selected frame") << 300 << "rbSelection" << Runs{{5, 6}} << false << 1;
    QTest::newRow("a range") << 300 << "rbRange" << Runs{{290, 300}} << false << 1;
    // A file takes no copies by itself: each is printed.
    QTest::newRow("three copies") << 300 << "rbAll" << Runs{{0, 300}} << true << 3;
}

void TestPrinting::printsToPdf()
{
    QFETCH(int, frames);
    QFETCH(QString, choice);
    QFETCH(Runs, printed);
    QFETCH(bool, severalPages);
    QFETCH(int, copies);

    if (frames > 0) {
        const QString capturePath = m_dir.filePath(QStringLiteral("many.drf3"));
        QVERIFY(FrameGenerator::writeFile(capturePath, 5u, frames, QDateTime::currentDateTime()));
        FramescopeProbe::loadFile(*m_window, capturePath);
        QCOMPARE(FramescopeProbe::frameCount(*m_window), frames);
        FramescopeProbe::ui(*m_window).tblFrames->selectRow(5);
    }
    const QString pdf = m_dir.filePath(QStringLiteral("frames.pdf"));
    QPageLayout layout;
    print(pdf, [&](PrintFramesDlg *dialog) {
        // The table's selection, or the frames from 290 to the last one.
        dialog->findChild<QRadioButton *>(choice)->click();
        dialog->findChild<QSpinBox *>(QStringLiteral("sbFrom"))->setValue(290);
        QCOMPARE(runsOf(dialog->printRows()), printed);
    }, Stop::Nowhere, &layout, copies);

    // Every page of the printout is in the file: as many as the same printout counts on a
    // printer set up like the dialog's.
    QPrinter reference(QPrinter::HighResolution);
    reference.setOutputFormat(QPrinter::PdfFormat);
    reference.setPageLayout(layout);
    const FrameRows &rows = FramescopeProbe::model(*m_window)->rows();
    QList<PrintRows::Run> runs;
    for (const auto &run : std::as_const(printed))
        runs.append({run.first, run.second});
    const std::unique_ptr<FramePrinter> expected =
        FramescopeProbe::framePrinter(*m_window, PrintRows::runs(rows, runs));
    QVERIFY(expected->layOut(&reference, [] { return true; }));
    QCOMPARE(pdfPages(pdf), expected->pageCount() * copies);
    QCOMPARE(expected->pageCount() > 1, severalPages);
}

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
