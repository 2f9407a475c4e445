// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturefixture.h"
#include "framescopeprobe.h"
#include "opendialog.h"
#include "testenv.h"

#include "viewer/app/framescope.h"
#include "core/files/marksfile.h"
#include "viewer/views/exportdlg.h"
#include "viewer/views/filterbar.h"
#include "viewer/views/frametablemodel.h"
#include "viewer/views/frametableview.h"
#include "viewer/views/marksdlg.h"
#include "viewer/views/marksmodel.h"

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QFont>
#include <QGraphicsPixmapItem>
#include <QInputDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace Korvex;

/// Marks, copying and exporting frames in the window.
class TestMarkExport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void markSelectedRows();
    void nextAndPreviousMarkAmongShownFrames();
    void marksDialog();
    void noteAndUnmarkAll();
    void marksComeBackWithTheCapture();
    void marksOfAnotherCaptureAreIgnored();
    void copySelectedRows_data();
    void copySelectedRows();
    void copyDump();
    void exportMarkedFrames();
    void exportTargetIsChecked_data();
    void exportTargetIsChecked();
    void failedExportSaysWhy();

private:
    Ui::Framescope &ui() { return FramescopeProbe::ui(*window); }
    FrameTableModel *model() { return FramescopeProbe::model(*window); }
    qint64 currentFrame() { return model()->rows().frameAt(ui().tblFrames->currentShownRow()); }
    /// Selects the rows first to last (model rows) as a Shift-click would.
    void selectRows(int first, int last)
    {
        ui().tblFrames->goToShownRow(first);
        ui().tblFrames->selectionModel()->select(
            QItemSelection(model()->cellIndex(first, 0), model()->cellIndex(last, 4)),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    QString writeCapture(const QString &name, quint32 seed)
    {
        const QString path = files.filePath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(CaptureBuilder::randomCapture(60, seed));
        return path;
    }

    TestEnv env;
    QTemporaryDir files;
    std::unique_ptr<Framescope> window;
};

void TestMarkExport::init()
{
    window = std::make_unique<Framescope>(QString());
    window->resize(900, 700);
    window->show();
    FramescopeProbe::loadFile(*window, writeCapture(QStringLiteral("marks.drf3"), 1));
    QCOMPARE(FramescopeProbe::frameCount(*window), qint64(60));
    // Shortcuts work in the active window; the load's progress dialog took that away.
    window->windowHandle()->requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QTRY_COMPARE(QApplication::activeWindow(), window.get());
}

void TestMarkExport::cleanup()
{
    window.reset();
    for (const QString &name : QDir(files.path()).entryList(QDir::Files))
        QFile::remove(files.filePath(name));
}

void TestMarkExport::markSelectedRows()
{
    QList<QVariant> backgrounds;
    for (int row = 0; row < 6; ++row)
        backgrounds << model()->data(model()->cellIndex(row, 3), Qt::BackgroundRole);
    selectRows(2, 4);
    ui().tblFrames->setFocus();
    QTest::keyClick(window->windowHandle(), Qt::Key_M, Qt::ControlModifier);
    const FrameMarks &marks = FramescopeProbe::marks(*window);
    QCOMPARE(marks.count(), qint64(3));
    for (int row = 0; row < 6; ++row) {
        const bool marked = row >= 2 && row <= 4;
        const QModelIndex cell = model()->cellIndex(row, 3);
        QCOMPARE(marks.isMarked(row), marked);
        // A mark leaves the channel's colours and shows beside the row label.
        QCOMPARE(model()->data(cell, Qt::BackgroundRole), backgrounds.at(row));
        QCOMPARE(model()->headerData(row, Qt::Vertical, Qt::DecorationRole).isValid(), marked);
        QCOMPARE(model()->data(cell, Qt::FontRole).value<QFont>().bold(), marked);
    }
    // The strip shows the marks at its left edge.
    for (QGraphicsItem *item : FramescopeProbe::scene(*window).items()) {
        if (auto *bars = dynamic_cast<QGraphicsPixmapItem *>(item)) {
            const QImage image = bars->pixmap().toImage();
            int markRows = 0;
            for (int y = 0; y < image.height(); ++y)
                markRows += image.pixel(0, y) == FrameTableModel::markColor().rgba() ? 1 : 0;
            QVERIFY(markRows > 0);
        }
    }
    // All of the selection marked: marking again takes the marks away.
    ui().actionMark->trigger();
    QVERIFY(marks.isEmpty());
}

void TestMarkExport::nextAndPreviousMarkAmongShownFrames()
{
    for (int row : {5, 20, 33}) {
        ui().tblFrames->goToShownRow(row);
        ui().actionMark->trigger();
    }
    ui().tblFrames->goToShownRow(10);
    ui().actionNextMark->trigger();
    QCOMPARE(currentFrame(), qint64(20));
    ui().actionPrevMark->trigger();
    ui().actionPrevMark->trigger();
    QCOMPARE(currentFrame(), qint64(5));
    ui().actionPrevMark->trigger();
    QCOMPARE(currentFrame(), qint64(5));
    QVERIFY(FramescopeProbe::note(*window).contains(QStringLiteral("No marked frame")));
    // The next move that finds a mark takes the note away.
    ui().actionNextMark->trigger();
    QCOMPARE(currentFrame(), qint64(20));
    QCOMPARE(FramescopeProbe::note(*window), QString());

    ui().filterBar->setText(QStringLiteral("frame != 20"));
    ui().filterBar->applyButton()->click();
    QVERIFY(FramescopeProbe::settle(*window));
    ui().actionNextMark->trigger();
    QCOMPARE(currentFrame(), qint64(33));
}

void TestMarkExport::marksDialog()
{
    selectRows(10, 12);
    ui().actionMark->trigger();
    ui().actionMarks->trigger();
    auto *dialog = window->findChild<MarksDlg *>();
    QVERIFY(dialog && dialog->isVisible());
    QAbstractItemModel *marks = dialog->table()->model();
    QAbstractItemModelTester tester(marks, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(marks->rowCount(), 3);
    // Sorted by any column; the frame column backwards puts the last mark first.
    dialog->table()->sortByColumn(MarksModel::Frame, Qt::DescendingOrder);
    QCOMPARE(dialog->frameAt(0), qint64(12));
    // A note edited in the list is the mark's note.
    QVERIFY(marks->setData(marks->index(0, MarksModel::Note), QStringLiteral("sync lost")));
    QCOMPARE(FramescopeProbe::marks(*window).note(12), QStringLiteral("sync lost"));
    QCOMPARE(marks->index(0, MarksModel::Note).data().toString(), QStringLiteral("sync lost"));
    // A double click goes to the frame.
    ui().tblFrames->goToShownRow(0);
    emit dialog->table()->doubleClicked(marks->index(2, MarksModel::Time));
    QCOMPARE(currentFrame(), qint64(10));
    // It follows the marks while open.
    ui().tblFrames->goToShownRow(40);
    ui().actionMark->trigger();
    QCOMPARE(marks->rowCount(), 4);
}

void TestMarkExport::noteAndUnmarkAll()
{
    ui().tblFrames->goToShownRow(7);
    ui().actionMarkNote->trigger();
    auto *input = OpenDialog::top<QInputDialog>();
    QVERIFY(input);
    input->setTextValue(QStringLiteral("CRC error here"));
    input->accept();
    QCOMPARE(FramescopeProbe::marks(*window).note(7), QStringLiteral("CRC error here"));
    QCOMPARE(model()->data(model()->cellIndex(7, 1), Qt::ToolTipRole).toString(),
             QStringLiteral("CRC error here"));
    const QString sidecar = MarksFile::besidePath(files.filePath(QStringLiteral("marks.drf3")));
    QVERIFY(QFile::exists(sidecar));
    // A note is not thrown away without asking.
    ui().tblFrames->goToShownRow(9);
    ui().actionMark->trigger();
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        ui().actionUnmarkAll->trigger();
        auto *box = OpenDialog::top<QMessageBox>();
        QVERIFY(box);
        QCOMPARE(box->text(), QStringLiteral("Remove 2 marks and 1 notes?"));
        // Nothing is removed before the answer.
        QCOMPARE(FramescopeProbe::marks(*window).count(), 2);
        box->button(answer)->click();
        QCOMPARE(FramescopeProbe::marks(*window).count(), answer == QMessageBox::No ? 2 : 0);
    }
    QVERIFY(!model()->data(model()->cellIndex(7, 1), Qt::ToolTipRole).isValid());
    QVERIFY(!QFile::exists(sidecar));
}

void TestMarkExport::marksComeBackWithTheCapture()
{
    selectRows(10, 12);
    ui().actionMark->trigger();
    const QString path = files.filePath(QStringLiteral("marks.drf3"));
    window = std::make_unique<Framescope>(path);
    QVERIFY(FramescopeProbe::settle(*window));
    QCOMPARE(FramescopeProbe::marks(*window).count(), qint64(3));
    QVERIFY(FramescopeProbe::marks(*window).isMarked(11));
    QVERIFY(model()->headerData(11, Qt::Vertical, Qt::DecorationRole).isValid());
}

void TestMarkExport::marksOfAnotherCaptureAreIgnored()
{
    ui().tblFrames->goToShownRow(3);
    ui().actionMark->trigger();
    // Another capture takes the file's name: the marks file is not its own.
    const QString path = writeCapture(QStringLiteral("marks.drf3"), 2);
    FramescopeProbe::loadFile(*window, path);
    QVERIFY(FramescopeProbe::marks(*window).isEmpty());
    const QString log = FramescopeProbe::logLines(*window).join(QLatin1Char('\n'));
    QVERIFY2(log.contains(QStringLiteral("belongs to another capture")), qPrintable(log.right(300)));
    QVERIFY(log.contains(QStringLiteral("kept in ") + MarksFile::fallbackPath(path)));
}

void TestMarkExport::copySelectedRows_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("time since the first frame") << int(TimeMode::SinceFirst);
    QTest::newRow("time since the frame of the channel before") << int(TimeMode::DeltaChannel);
}

void TestMarkExport::copySelectedRows()
{
    // The table as it shows, in the time mode chosen: a line of titles, then per frame its
    // number and cells, tab-separated.
    QFETCH(int, mode);
    ui().menuTimeDisplay->actions().at(mode)->trigger();
    selectRows(4, 6);
    ui().tblFrames->setFocus();
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(window->windowHandle(), Qt::Key_C, Qt::ControlModifier);
    QStringList titles{QStringLiteral("No.")};
    for (int column = 0; column < 5; ++column)
        titles.append(model()->headerData(column, Qt::Horizontal).toString());
    QString expected = titles.join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (int row = 4; row <= 6; ++row) {
        QStringList cells{QString::number(model()->rows().frameAt(row))};
        for (int column = 0; column < 5; ++column)
            cells.append(model()->data(model()->cellIndex(row, column)).toString());
        expected += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    // The chosen mode is remembered for the tests after this one.
    ui().menuTimeDisplay->actions().at(int(TimeMode::SinceFirst))->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);
}

void TestMarkExport::copyDump()
{
    ui().tblFrames->goToShownRow(9);
    ui().actionCopyDump->trigger();
    QVERIFY(!ui().txtPayload->toPlainText().isEmpty());
    QCOMPARE(QGuiApplication::clipboard()->text(), ui().txtPayload->toPlainText());
}

void TestMarkExport::exportMarkedFrames()
{
    for (int row : {8, 30, 31}) {
        ui().tblFrames->goToShownRow(row);
        ui().actionMark->trigger();
    }
    const QString target = files.filePath(QStringLiteral("marked.drf3"));
    ui().actionExport->trigger();
    auto *dialog = OpenDialog::top<ExportDlg>();
    QVERIFY(dialog);
    // Asked for again while open, the export does not open a second dialog.
    ui().actionExport->trigger();
    QCOMPARE(OpenDialog::top<ExportDlg>(), dialog);
    QCOMPARE(window->findChildren<ExportDlg *>().size(), 1);
    dialog->setWhich(ExportDlg::Marked);
    dialog->setFormat(FrameExporter::Format::Capture);
    dialog->setFileName(target);
    dialog->accept();
    QVERIFY(FramescopeProbe::settle(*window));
    Capture exported(target);
    CaptureFixture::QuietSink sink;
    QCOMPARE(exported.load(sink), Capture::Status::Loaded);
    QCOMPARE(exported.frameCount(), qint64(3));
    const Capture *source = FramescopeProbe::capture(*window);
    QCOMPARE(exported.frame(1).payload(), source->frame(30).payload());
    QCOMPARE(exported.frame(2).time(), source->frame(31).time() - source->frame(8).time());
    QVERIFY(FramescopeProbe::note(*window).contains(QStringLiteral("3 frames exported")));
}

void TestMarkExport::exportTargetIsChecked_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("message");

    QTest::newRow("the capture itself") << "./marks.drf3" << int(QMessageBox::Ok)
                                        << "would overwrite its own input";
    QTest::newRow("a file kept") << "old.csv" << int(QMessageBox::No) << "old.csv already exists";
    QTest::newRow("a file replaced") << "old.csv" << int(QMessageBox::Yes) << "old.csv already exists";
}

void TestMarkExport::exportTargetIsChecked()
{
    QFETCH(QString, name);
    QFETCH(int, answer);
    QFETCH(QString, message);
    const QString target = files.filePath(name);
    if (!QFile::exists(target)) {
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    }
    const qint64 size = QFileInfo(target).size();
    ui().actionExport->trigger();
    auto *dialog = OpenDialog::top<ExportDlg>();
    QVERIFY(dialog);
    dialog->setFormat(FrameExporter::Format::Csv);
    dialog->setFileName(target);
    dialog->accept();
    auto *box = OpenDialog::top<QMessageBox>();
    QVERIFY(box);
    QCOMPARE(box->parentWidget(), static_cast<QWidget *>(dialog));
    QVERIFY2(box->text().contains(message), qPrintable(box->text()));
    box->button(QMessageBox::StandardButton(answer))->click();
    // The dialog stays open after the message unless the file may be replaced.
    const bool stayedOpen = dialog->isVisible();
    if (stayedOpen)
        dialog->reject();
    QVERIFY(FramescopeProbe::settle(*window));
    QCOMPARE(stayedOpen, answer != QMessageBox::Yes);
    QCOMPARE(QFileInfo(target).size() == size, answer != QMessageBox::Yes);
    if (answer == QMessageBox::Yes)
        QCOMPARE(FramescopeProbe::note(*window), QStringLiteral("60 frames exported to old.csv."));
}

void TestMarkExport::failedExportSaysWhy()
{
    const QString target = files.filePath(QStringLiteral("no folder/range.csv"));
    ui().actionExport->trigger();
    auto *dialog = OpenDialog::top<ExportDlg>();
    QVERIFY(dialog);
    dialog->setWhich(ExportDlg::Range);
    dialog->setRange(10, 20);
    dialog->setFormat(FrameExporter::Format::Csv);
    dialog->setFileName(target);
    dialog->accept();
    QVERIFY(FramescopeProbe::settle(*window));
    auto *box = OpenDialog::top<QMessageBox>();
    QVERIFY(box);
    QCOMPARE(box->windowTitle(), QStringLiteral("Export Frames"));
    QVERIFY2(box->text().contains(QStringLiteral("cannot be written")), qPrintable(box->text()));
    box->accept();
    QVERIFY(!QFile::exists(target));
}

QTEST_MAIN(TestMarkExport)
#include "tst_markexport.moc"
