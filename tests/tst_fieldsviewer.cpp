// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturebuilder.h"
#include "capturefixture.h"
#include "framescopeprobe.h"
#include "hangguard.h"
#include "opendialog.h"
#include "testenv.h"
#include "textrecorder.h"

#include "core/fields/fielddefinitions.h"
#include "core/session/capturesession.h"
#include "core/stats/fieldtimeseries.h"
#include "viewer/app/framescope.h"
#include "viewer/stats/chartswindow.h"
#include "viewer/stats/fieldchart.h"
#include "viewer/stats/statisticswindow.h"
#include "viewer/views/exportdlg.h"
#include "viewer/views/fieldcolumnsdlg.h"
#include "viewer/views/filterbar.h"
#include "viewer/views/findbar.h"
#include "viewer/views/frametablemodel.h"
#include "viewer/views/frametableview.h"
#include "viewer/views/payloadhighlighter.h"

#include <QAbstractItemModelTester>
#include <QAbstractItemView>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QLineSeries>
#include <QTableView>
#include <QTabWidget>
#include <QClipboard>
#include <QCompleter>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextLayout>
#include <QTreeWidget>
#include <QtTest>

#include <cstdio>
#include <memory>
#include <set>

using namespace Korvex;

namespace {

const QByteArray Definitions =
    "format = 1\n"
    "[[message]]\nname = \"GainWrite\"\nchannel = 2\npayload_bits = [32]\nmatch = \"op == 1\"\n"
    "[[message.field]]\nname = \"op\"\nstart = 0\nlength = 4\nvalues = { 0 = \"Read\", 1 = \"Write\" }\n"
    "[[message.field]]\nname = \"reg\"\nstart = 8\nlength = 8\nbase = 16\n"
    "[[message.field]]\nname = \"gain\"\nstart = 16\nlength = 16\nsigned = true\n"
    "byte_order = \"little\"\nscale = 0.25\nunit = \"dB\"\n"
    "[[message]]\nname = \"Strobe\"\nchannel = 1\n"
    "[[message.field]]\nname = \"timer\"\nstart = 0\nlength = 32\n";

// Frame 0 and 4 are gain writes (-3.75 dB and 1 dB), 1 is on another channel, 2 is a read and
// so no message, 3 a strobe.
QByteArray captureBytes()
{
    using CaptureFixture::frameOf;
    return CaptureBuilder::capture(frameOf(1, 2, 0, 10, QByteArray::fromHex("102AF1FF"))
                                       + frameOf(1, 4, 0, 10, QByteArray::fromHex("102AF1FF"))
                                       + frameOf(1, 2, 0, 10, QByteArray::fromHex("00100000"))
                                       + frameOf(1, 1, 0, 10, QByteArray::fromHex("00000100"))
                                       + frameOf(1, 2, 1, 10, QByteArray::fromHex("10310400")),
                                   "}");
}

QSettings settings()
{
    return QSettings(QStringLiteral("Kestrant"), QStringLiteral("Framescope"));
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The columns of a line of the dump whose background is the one of marked bytes.
std::set<int> markedColumns(const QTextBlock &block)
{
    std::set<int> marked;
    for (const QTextLayout::FormatRange &range : block.layout()->formats()) {
        if (range.format.background().color() == PayloadHighlighter::markColor()) {
            for (int at = range.start; at < range.start + range.length; ++at)
                marked.insert(at);
        }
    }
    return marked;
}

} // namespace

/// The Fields menu of the window and what definitions change: the detail panel's fields and
/// marked bytes, the table's field columns in copy, export and print, the filter bar and Find,
/// the statistics and the chart of a field.
class TestFieldsViewer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loadAndUnload();
    void mistakesChangeNothing();
    void chosenFileComesBackNextRun();
    void fileChangedOnDiskIsReadAgain_data();
    void fileChangedOnDiskIsReadAgain();
    void captureBringsItsOwnDefinitions();
    void detailPanelShowsTheFields();
    void selectedFieldMarksItsBytes_data();
    void selectedFieldMarksItsBytes();
    void fieldColumnsInTableCopyExportPrint();
    void filterAndFindNameFields();
    void statisticsOfTheFields();
    void fieldOverTimeChart();

private:
    Ui::Framescope &ui() { return FramescopeProbe::ui(*window); }
    CaptureSession &session() { return FramescopeProbe::session(*window); }
    FrameTableModel *model() { return FramescopeProbe::model(*window); }
    QString cell(int row, int column)
    {
        return model()->data(model()->cellIndex(row, column)).toString();
    }
    QString log() { return FramescopeProbe::logLines(*window).join(QLatin1Char('\n')); }
    // Fields > Load Definitions with the file typed into the file dialog.
    void load(const QString &path)
    {
        ui().actionLoadDefinitions->trigger();
        auto *dialog = OpenDialog::top<QFileDialog>();
        QVERIFY(dialog);
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
        // The file dialog's own accept() behind QDialog's public one.
        static_cast<QDialog *>(dialog)->accept();
    }
    void newWindow(const QString &capture)
    {
        window.reset();
        window = std::make_unique<Framescope>(capture);
        QVERIFY(FramescopeProbe::settle(*window));
        window->resize(900, 700);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    QList<qint64> shownFrames()
    {
        QList<qint64> frames;
        for (qint64 row = 0; row < session().rows().count(); ++row)
            frames.append(session().rows().frameAt(row));
        return frames;
    }

    TestEnv env;
    std::unique_ptr<QTemporaryDir> files;
    QString capturePath;
    QString definitionsPath;
    std::unique_ptr<Framescope> window;
};

void TestFieldsViewer::init()
{
    settings().clear();
    files = std::make_unique<QTemporaryDir>();
    capturePath = files->filePath(QStringLiteral("link.drf3"));
    definitionsPath = files->filePath(QStringLiteral("chips.toml"));
    QVERIFY(writeFile(capturePath, captureBytes()));
    QVERIFY(writeFile(definitionsPath, Definitions));
    newWindow(capturePath);
    QCOMPARE(session().frameCount(), qint64(5));
}

void TestFieldsViewer::cleanup()
{
    window.reset();
    files.reset();
}

void TestFieldsViewer::loadAndUnload()
{
    QVERIFY(!ui().actionUnloadDefinitions->isEnabled());
    QVERIFY(!ui().actionFieldColumns->isEnabled());
    QVERIFY(ui().gbFields->isHidden());
    load(definitionsPath);
    QVERIFY(session().fieldDefinitions());
    QCOMPARE(session().fieldDefinitionsFile(), definitionsPath);
    QCOMPARE(settings().value(QStringLiteral("FieldDefinitions")).toString(), definitionsPath);
    QVERIFY(log().contains(QStringLiteral("info\tField definitions read from %1: 2 message(s).")
                               .arg(definitionsPath)));
    QVERIFY(ui().actionUnloadDefinitions->isEnabled());
    QVERIFY(ui().actionFieldColumns->isEnabled());
    QVERIFY(!ui().gbFields->isHidden());
    // The Message column comes first, and alone until others are chosen.
    QCOMPARE(model()->columnCount(), 6);
    QCOMPARE(model()->headerData(5, Qt::Horizontal).toString(), QStringLiteral("Message"));
    QCOMPARE(cell(0, 5), QStringLiteral("GainWrite"));
    QCOMPARE(cell(1, 5), QString());
    QCOMPARE(cell(3, 5), QStringLiteral("Strobe"));

    ui().actionUnloadDefinitions->trigger();
    QVERIFY(!session().fieldDefinitions());
    QVERIFY(!settings().contains(QStringLiteral("FieldDefinitions")));
    QCOMPARE(model()->columnCount(), 5);
    QVERIFY(ui().gbFields->isHidden());
    QVERIFY(!ui().actionUnloadDefinitions->isEnabled());
    QVERIFY(!ui().actionFieldColumns->isEnabled());
}

void TestFieldsViewer::mistakesChangeNothing()
{
    load(definitionsPath);
    const std::shared_ptr<const FieldDefinitions> before = session().fieldDefinitions();
    const QString bad = files->filePath(QStringLiteral("bad.toml"));
    QVERIFY(writeFile(bad, "format = 1\n[[message]]\nname = \"X\"\nchannel = 99\ncolour = 1\n"));
    load(bad);
    auto *box = OpenDialog::top<QMessageBox>();
    QVERIFY(box);
    QCOMPARE(box->windowTitle(), QStringLiteral("Load Definitions"));
    const QString shown = box->text();
    box->accept();
    QVERIFY2(shown.contains(bad + QStringLiteral(":4:11: ")), qPrintable(shown));
    QVERIFY2(shown.contains(bad + QStringLiteral(":5:1: ")), qPrintable(shown));
    // Every mistake goes to the log as an error, and nothing else changed.
    const QString lines = log();
    QVERIFY2(lines.contains(QStringLiteral("error\t") + bad + QStringLiteral(":4:11: ")),
             qPrintable(lines));
    QVERIFY(lines.contains(QStringLiteral("error\t") + bad + QStringLiteral(":5:1: ")));
    QCOMPARE(session().fieldDefinitions(), before);
    QCOMPARE(session().fieldDefinitionsFile(), definitionsPath);
    QCOMPARE(settings().value(QStringLiteral("FieldDefinitions")).toString(), definitionsPath);
    QCOMPARE(cell(0, 5), QStringLiteral("GainWrite"));
}

void TestFieldsViewer::chosenFileComesBackNextRun()
{
    load(definitionsPath);
    newWindow(capturePath);
    QCOMPARE(session().fieldDefinitionsFile(), definitionsPath);
    QCOMPARE(cell(0, 5), QStringLiteral("GainWrite"));
    // A file that went away is reported, and its name kept for when it comes back.
    QVERIFY(QFile::remove(definitionsPath));
    newWindow(capturePath);
    QVERIFY(!session().fieldDefinitions());
    QVERIFY(log().contains(QStringLiteral("warning\tThe field definitions %1 are not there")
                               .arg(definitionsPath)));
    QCOMPARE(settings().value(QStringLiteral("FieldDefinitions")).toString(), definitionsPath);
}

void TestFieldsViewer::fileChangedOnDiskIsReadAgain_data()
{
    QTest::addColumn<bool>("byRename");
    QTest::newRow("written in place") << false;
    QTest::newRow("replaced by a renamed file") << true;
}

void TestFieldsViewer::fileChangedOnDiskIsReadAgain()
{
    QFETCH(bool, byRename);
    load(definitionsPath);
    const auto save = [this, byRename](const QByteArray &text) {
        if (!byRename)
            return writeFile(definitionsPath, text);
        const QString saved = definitionsPath + QStringLiteral(".saving");
        return writeFile(saved, text) && std::rename(qPrintable(saved), qPrintable(definitionsPath)) == 0;
    };
    QSignalSpy changed(&session(), &CaptureSession::fieldDefinitionsChanged);
    QVERIFY(save(QByteArray(Definitions).replace("GainWrite", "GainSet")));
    QVERIFY(changed.wait(HangGuardMs));
    QCOMPARE(cell(0, 5), QStringLiteral("GainSet"));
    QVERIFY(log().contains(QStringLiteral("read again from %1, which changed").arg(definitionsPath)));

    // The file that took the old one's place is followed too.
    QVERIFY(save(QByteArray(Definitions).replace("Strobe", "Tick")));
    QVERIFY(changed.wait(HangGuardMs));
    QCOMPARE(cell(3, 5), QStringLiteral("Tick"));
    QCOMPARE(cell(0, 5), QStringLiteral("GainWrite"));

    // An edit with a mistake leaves the definitions in force; news of an unchanged file (the
    // second report of one save) reads nothing.
    const std::shared_ptr<const FieldDefinitions> before = session().fieldDefinitions();
    const qsizetype logged = FramescopeProbe::logLines(*window).size();
    QVERIFY(writeFile(definitionsPath, QByteArray(Definitions).replace("length = 32", "length = 0")));
    FramescopeProbe::definitionsFileChanged(*window, definitionsPath);
    FramescopeProbe::definitionsFileChanged(*window, definitionsPath);
    QCOMPARE(session().fieldDefinitions(), before);
    QCOMPARE(cell(3, 5), QStringLiteral("Tick"));
    const QStringList added = FramescopeProbe::logLines(*window).mid(logged);
    QCOMPARE(added.size(), 2);
    QVERIFY2(added.first().startsWith(QStringLiteral("error\t") + definitionsPath + QStringLiteral(":")),
             qPrintable(added.first()));
}

void TestFieldsViewer::captureBringsItsOwnDefinitions()
{
    load(definitionsPath);
    const QString other = files->filePath(QStringLiteral("other.drf3"));
    QVERIFY(writeFile(other, captureBytes()));
    const QString beside = FieldDefinitions::fileBeside(other);
    QCOMPARE(beside, other + QStringLiteral(".fields.toml"));
    QVERIFY(writeFile(beside, QByteArray(Definitions).replace("GainWrite", "OwnGain")));
    FramescopeProbe::loadFile(*window, other);
    QCOMPARE(session().fieldDefinitionsFile(), beside);
    QCOMPARE(cell(0, 5), QStringLiteral("OwnGain"));
    QVERIFY(log().contains(QStringLiteral("info\tField definitions of the capture read from %1 beside it")
                               .arg(beside)));
    // They are not remembered as the user's choice: a capture without a file of its own gets
    // the file chosen last again.
    QCOMPARE(settings().value(QStringLiteral("FieldDefinitions")).toString(), definitionsPath);
    FramescopeProbe::loadFile(*window, capturePath);
    QCOMPARE(session().fieldDefinitionsFile(), definitionsPath);
    QCOMPARE(cell(0, 5), QStringLiteral("GainWrite"));
    // Without a chosen file, none.
    FramescopeProbe::loadFile(*window, other);
    ui().actionUnloadDefinitions->trigger();
    FramescopeProbe::loadFile(*window, other);
    QCOMPARE(session().fieldDefinitionsFile(), beside);
    FramescopeProbe::loadFile(*window, capturePath);
    QVERIFY(!session().fieldDefinitions());
}

void TestFieldsViewer::detailPanelShowsTheFields()
{
    load(definitionsPath);
    ui().tblFrames->goToShownRow(0);
    QCOMPARE(ui().lblMessage->text(), QStringLiteral("Message: GainWrite"));
    QTreeWidget *tree = ui().trFields;
    const QList<QStringList> expected{{"op", "1", "1", "Write"},
                                      {"reg", "0x2A", "42", ""},
                                      {"gain", "-15", "-3.75 dB", ""}};
    QCOMPARE(tree->topLevelItemCount(), int(expected.size()));
    for (int row = 0; row < tree->topLevelItemCount(); ++row) {
        QStringList texts;
        for (int column = 0; column < 4; ++column)
            texts.append(tree->topLevelItem(row)->text(column));
        QCOMPARE(texts, expected.at(row));
    }
    ui().tblFrames->goToShownRow(3);
    QCOMPARE(ui().lblMessage->text(), QStringLiteral("Message: Strobe"));
    QCOMPARE(tree->topLevelItem(0)->text(1), QStringLiteral("256"));
    ui().tblFrames->goToShownRow(2);
    QCOMPARE(ui().lblMessage->text(), QStringLiteral("Message: none of the definitions"));
    QCOMPARE(tree->topLevelItemCount(), 0);
    // The tree scrolls rather than widening the window.
    ui().tblFrames->goToShownRow(0);
    const int narrowest = window->minimumSizeHint().width();
    ui().actionUnloadDefinitions->trigger();
    QCOMPARE(window->minimumSizeHint().width(), narrowest);
}

void TestFieldsViewer::selectedFieldMarksItsBytes_data()
{
    QTest::addColumn<int>("bytesIndex");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("orderIndex");
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("line");
    QTest::addColumn<std::set<int>>("marked");

    // "0000: 10 2A F1 FF   .*.."
    QTest::newRow("gain, bytes 2 and 3")
        << 0 << 4 << 0 << 2 << 0 << std::set<int>{12, 13, 15, 16, 22, 23};
    QTest::newRow("op, high nibble of byte 0") << 0 << 4 << 0 << 0 << 0 << std::set<int>{6, 7, 20};
    // "0000: 2A10 FFF1   .*..": the group's bytes in reverse order, the characters not.
    QTest::newRow("gain, little endian 2 x 2")
        << 1 << 2 << 1 << 2 << 0 << std::set<int>{11, 12, 13, 14, 20, 21};
    // "0000: 10   .", "0001: 2A   *", ...: one byte a line.
    QTest::newRow("reg, one byte a line") << 0 << 1 << 0 << 1 << 1 << std::set<int>{6, 7, 11};
}

void TestFieldsViewer::selectedFieldMarksItsBytes()
{
    QFETCH(int, bytesIndex);
    QFETCH(int, columns);
    QFETCH(int, orderIndex);
    QFETCH(int, field);
    QFETCH(int, line);
    QFETCH(std::set<int>, marked);

    load(definitionsPath);
    ui().cbBytesPerColumn->setCurrentIndex(bytesIndex);
    ui().edColumns->setValue(columns);
    ui().cbByteOrder->setCurrentIndex(orderIndex);
    ui().tblFrames->goToShownRow(0);
    ui().trFields->setCurrentItem(ui().trFields->topLevelItem(field));
    const QTextDocument *dump = ui().txtPayload->document();
    for (int k = 0; k < dump->blockCount(); ++k)
        QCOMPARE(markedColumns(dump->findBlockByNumber(k)), k == line ? marked : std::set<int>{});

    // The next frame of the message keeps the field marked; a frame of no message marks none.
    ui().tblFrames->goToShownRow(4);
    QCOMPARE(ui().trFields->currentItem(), ui().trFields->topLevelItem(field));
    QVERIFY(!FramescopeProbe::highlighter(*window)->markedBytes().empty());
    ui().tblFrames->goToShownRow(2);
    QVERIFY(FramescopeProbe::highlighter(*window)->markedBytes().empty());
    for (int k = 0; k < dump->blockCount(); ++k)
        QVERIFY(markedColumns(dump->findBlockByNumber(k)).empty());
}

void TestFieldsViewer::fieldColumnsInTableCopyExportPrint()
{
    load(definitionsPath);
    QAbstractItemModelTester tester(model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    ui().tblFrames->goToShownRow(3);
    ui().actionFieldColumns->trigger();
    auto *columns = OpenDialog::top<FieldColumnsDlg>();
    QVERIFY(columns);
    QCOMPARE(columns->columns().size(), std::size_t(1));
    columns->setChecked({0, 2}, true);
    columns->setChecked({1, 0}, true);
    columns->accept();
    const QStringList titles{"Message", "GainWrite.gain", "Strobe.timer"};
    QCOMPARE(model()->columnCount(), 8);
    for (int k = 0; k < 3; ++k)
        QCOMPARE(model()->headerData(5 + k, Qt::Horizontal).toString(), titles.at(k));
    QCOMPARE(QStringList({cell(0, 5), cell(0, 6), cell(0, 7)}),
             QStringList({"GainWrite", "-3.75 dB", ""}));
    QCOMPARE(QStringList({cell(3, 5), cell(3, 6), cell(3, 7)}), QStringList({"Strobe", "", "256"}));
    QCOMPARE(cell(4, 6), QStringLiteral("1 dB"));
    // Columns change without losing the current row.
    QCOMPARE(ui().tblFrames->currentShownRow(), qint64(3));

    // Copy: the table's titles and cells after the frame number, the field columns included.
    ui().tblFrames->goToShownRow(0);
    QGuiApplication::clipboard()->clear();
    ui().actionCopy->trigger();
    QStringList tableTitles{QStringLiteral("No.")};
    QStringList cells{QStringLiteral("0")};
    for (int column = 0; column < 8; ++column) {
        tableTitles.append(model()->headerData(column, Qt::Horizontal).toString());
        cells.append(cell(0, column));
    }
    QCOMPARE(QGuiApplication::clipboard()->text(),
             tableTitles.join(QLatin1Char('\t')) + QLatin1Char('\n') + cells.join(QLatin1Char('\t'))
                 + QLatin1Char('\n'));

    // Export as CSV: the titles and cells of the field columns follow the table's own.
    const QString csv = files->filePath(QStringLiteral("frames.csv"));
    ui().actionExport->trigger();
    auto *exportDlg = OpenDialog::top<ExportDlg>();
    QVERIFY(exportDlg);
    exportDlg->setWhich(ExportDlg::All);
    exportDlg->setFormat(FrameExporter::Format::Csv);
    exportDlg->setFileName(csv);
    exportDlg->accept();
    QVERIFY(FramescopeProbe::settle(*window));
    QFile exported(csv);
    QVERIFY(exported.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = exported.readAll().split('\n');
    QVERIFY2(lines.at(0).endsWith(",Message,GainWrite.gain,Strobe.timer\r"), lines.at(0).constData());
    QVERIFY2(lines.at(1).endsWith(",GainWrite,-3.75 dB,\r"), lines.at(1).constData());
    QVERIFY2(lines.at(4).endsWith(",Strobe,,256\r"), lines.at(4).constData());

    // Print: the titles on the page, and the cells of each row.
    const std::unique_ptr<FramePrinter> printer =
        FramescopeProbe::framePrinter(*window, PrintRows::all(session().rows()));
    TextRecorder page(9583, 13699, 1200);
    QVERIFY(printer->layOut(&page, [] { return true; }));
    {
        QPainter painter(&page);
        printer->paintPage(painter, 1);
    }
    const QList<QStringList> printed = page.textLines();
    const auto rowOf = [&printed](const QString &first) {
        for (const QStringList &line : printed) {
            if (line.first() == first)
                return line;
        }
        return QStringList();
    };
    QCOMPARE(rowOf(QStringLiteral("No.")).mid(6), titles);
    // The payload column may wrap to lines of their own; the field cells end the row's line.
    const auto lastCells = [&rowOf](const QString &frame) {
        const QStringList line = rowOf(frame);
        return line.mid(line.size() - 2);
    };
    QCOMPARE(lastCells(QStringLiteral("0")), QStringList({"GainWrite", "-3.75 dB"}));
    QCOMPARE(lastCells(QStringLiteral("3")), QStringList({"Strobe", "256"}));

    // The choice is kept for the file, by name.
    QCOMPARE(settings().value(QStringLiteral("FieldColumns")).toMap().value(definitionsPath).toStringList(),
             titles);
    newWindow(capturePath);
    QCOMPARE(model()->columnCount(), 8);
    QCOMPARE(model()->headerData(7, Qt::Horizontal).toString(), QStringLiteral("Strobe.timer"));
}

void TestFieldsViewer::filterAndFindNameFields()
{
    load(definitionsPath);
    FilterBar *bar = ui().filterBar;
    bar->setText(QStringLiteral("GainWrite.gain < 0"));
    bar->applyButton()->click();
    QVERIFY(FramescopeProbe::settle(*window));
    QCOMPARE(shownFrames(), QList<qint64>({0}));
    bar->setText(QStringLiteral("message in {\"Strobe\" \"GainWrite\"} and GainWrite.op != \"Read\""));
    QCOMPARE(bar->state(), FilterBar::State::Valid);
    bar->applyButton()->click();
    QVERIFY(FramescopeProbe::settle(*window));
    QCOMPARE(shownFrames(), QList<qint64>({0, 4}));
    bar->clearButton()->click();

    // Find goes from the current frame to the next that matches.
    ui().tblFrames->goToShownRow(0);
    ui().findBar->setMode(FindBar::Expression);
    ui().findBar->setText(QStringLiteral("GainWrite.gain > 0"));
    ui().actionFindNext->trigger();
    QVERIFY(FramescopeProbe::settle(*window));
    QCOMPARE(session().currentFrame(), qint64(4));

    // Message and field names complete, MESSAGE.FIELD as one word.
    QLineEdit *edit = bar->lineEdit();
    auto *completer = bar->findChild<QCompleter *>();
    bar->setText(QString());
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("GainWrite.ga"));
    QTRY_VERIFY(completer->popup()->isVisible());
    QCOMPARE(completer->currentCompletion(), QStringLiteral("GainWrite.gain"));
    emit completer->activated(completer->currentCompletion());
    QCOMPARE(bar->text(), QStringLiteral("GainWrite.gain"));
    QTest::keyClicks(edit, QStringLiteral(" > 1 or message == \"Str"));
    QCOMPARE(completer->currentCompletion(), QStringLiteral("\"Strobe\""));
    emit completer->activated(completer->currentCompletion());
    QCOMPARE(bar->text(), QStringLiteral("GainWrite.gain > 1 or message == \"Strobe\""));
    QCOMPARE(bar->state(), FilterBar::State::Valid);

    // Without definitions the same text names nothing: the bar says so at once.
    ui().actionUnloadDefinitions->trigger();
    QCOMPARE(bar->state(), FilterBar::State::Invalid);
}

// The statistics window adds the fields' tables while definitions are loaded, over the frames
// of its choice.
void TestFieldsViewer::statisticsOfTheFields()
{
    ui().actionStatistics->trigger();
    StatisticsWindow *statistics = FramescopeProbe::statisticsWindow(*window);
    auto *fields = statistics->findChild<QTableView *>(QStringLiteral("tblFields"));
    auto *values = statistics->findChild<QTableView *>(QStringLiteral("tblFieldValues"));
    QSignalSpy computed(statistics, &StatisticsWindow::computed);
    const auto recomputed = [&] {
        QTRY_VERIFY_WITH_TIMEOUT(!computed.isEmpty() && !statistics->isComputing(), HangGuardMs);
        QVERIFY(computed.takeLast().at(0).toBool());
        computed.clear();
    };
    recomputed();
    QVERIFY(!fields->isVisible());
    QVERIFY(!statistics->report()->toTsv().contains(QStringLiteral("GainWrite")));

    load(definitionsPath);
    recomputed();
    QVERIFY(fields->isVisible());
    QCOMPARE(fields->model()->rowCount(), 4);
    QCOMPARE(values->model()->rowCount(), 2);
    QString text = statistics->report()->toTsv();
    QVERIFY2(text.contains(QStringLiteral("GainWrite\tgain\tdB\t2\t-3.75\t-1.375\t1\n")
                           + QStringLiteral("Strobe\ttimer\t\t1\t256\t256\t256\n")),
             qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("GainWrite\top\tRead\t0\t0.00\n"
                                         "GainWrite\top\tWrite\t2\t100.00\n")));

    // The displayed frames only: the second gain write is filtered out.
    ui().filterBar->setText(QStringLiteral("frame < 4"));
    ui().filterBar->applyButton()->click();
    QVERIFY(FramescopeProbe::settle(*window));
    auto *scope = statistics->findChild<QComboBox *>(QStringLiteral("cbScope"));
    scope->setCurrentIndex(1);
    recomputed();
    text = statistics->report()->toTsv();
    QVERIFY2(text.contains(QStringLiteral("GainWrite\tgain\tdB\t1\t-3.75\t-3.75\t-3.75\n")),
             qPrintable(text));

    ui().actionUnloadDefinitions->trigger();
    recomputed();
    QVERIFY(!fields->isVisible());
    QVERIFY(!statistics->report()->toTsv().contains(QStringLiteral("GainWrite")));
}

// The chart of a field: chosen by name, drawn as the series' step line, a click selects the
// frame whose value holds there; it follows the definitions.
void TestFieldsViewer::fieldOverTimeChart()
{
    load(definitionsPath);
    ui().actionCharts->trigger();
    ChartsWindow *charts = FramescopeProbe::chartsWindow(*window);
    FieldChart *chart = charts->fieldChart();
    QVERIFY(!chart->isVisible());
    charts->findChild<QTabWidget *>()->setCurrentWidget(chart);
    auto *field = chart->findChild<QComboBox *>(QStringLiteral("cbField"));
    QCOMPARE(field->count(), 4);
    const int gain = field->findText(QStringLiteral("GainWrite.gain"));
    QVERIFY(gain > 0);
    field->setCurrentIndex(gain);
    emit field->activated(gain);
    QTRY_VERIFY_WITH_TIMEOUT(chart->series() && !chart->isComputing(), HangGuardMs);
    const FieldTimeSeries *series = chart->series();
    QCOMPARE(series->frames(), qint64(2));
    QCOMPARE(series->minimum(), -3.75);
    QCOMPARE(series->maximum(), 1.0);
    auto *line = qobject_cast<QLineSeries *>(chart->chart()->series().value(0));
    QVERIFY(line);
    const QList<QPointF> points = series->stepLine(1);
    QCOMPARE(line->points(), points);
    QCOMPARE(points.first().y(), -3.75);
    QCOMPARE(points.last().y(), 1.0);

    // Clicks at the left and the right end of the plot select the first and the last gain write.
    QTRY_VERIFY_WITH_TIMEOUT(!chart->chart()->plotArea().isEmpty(), HangGuardMs);
    auto *view = chart->findChild<QChartView *>(QStringLiteral("cvField"));
    const QRectF plot = chart->chart()->plotArea();
    const auto click = [&](double x) {
        const QPointF inScene = chart->chart()->mapToScene(QPointF(x, plot.center().y()));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->mapFromScene(inScene));
    };
    ui().tblFrames->goToShownRow(2);
    click(plot.right() - 2);
    QCOMPARE(session().currentFrame(), qint64(4));
    click(plot.left() + 2);
    QCOMPARE(session().currentFrame(), qint64(0));
    // Outside the plot a click selects nothing.
    ui().tblFrames->goToShownRow(2);
    click(plot.left() - 10);
    QCOMPARE(session().currentFrame(), qint64(2));

    ui().actionUnloadDefinitions->trigger();
    QCOMPARE(field->count(), 0);
    QVERIFY(!chart->series());
    QVERIFY(chart->chart()->series().isEmpty());
}

QTEST_MAIN(TestFieldsViewer)
#include "tst_fieldsviewer.moc"
