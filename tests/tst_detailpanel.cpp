// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturefixture.h"
#include "framescopeprobe.h"
#include "testenv.h"

#include "viewer/app/framescope.h"
#include "core/frames/framerecord.h"
#include "viewer/views/frametablemodel.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>

#include <memory>

using namespace Korvex;

namespace {

// A capture of one DigRF 3G frame carrying the payload, whose size names the size code.
std::unique_ptr<Capture> oneFrame(const QByteArray &payload)
{
    static const QMap<int, int> codes{{1, 0}, {4, 1}, {8, 2}, {12, 3}, {16, 4}, {32, 5}, {64, 6}};
    return CaptureFixture::load3G(CaptureFixture::frameOf(codes.value(int(payload.size())), 4, 0, 0, payload));
}

QString blanks(int count)
{
    return QString(count, QLatin1Char(' '));
}

// The ranges of a block that carry a foreground colour, with that colour.
QList<QPair<QPair<int, int>, QColor>> coloredRanges(const QTextBlock &block)
{
    QList<QPair<QPair<int, int>, QColor>> ranges;
    for (const QTextLayout::FormatRange &range : block.layout()->formats()) {
        if (range.format.hasProperty(QTextFormat::ForegroundBrush))
            ranges.append({{range.start, range.length}, range.format.foreground().color()});
    }
    return ranges;
}

} // namespace

/// The detail panel: header fields, labels, status bar and payload dump of the current frame,
/// redrawn by its four controls, and the greyed address and ASCII parts of the dump.
class TestDetailPanel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void showsTheCurrentFrame_data();
    void showsTheCurrentFrame();
    void controlsRedrawTheSameFrame();
    void noFrameSelectedShowsNone_data();
    void noFrameSelectedShowsNone();
    void frameThatIsNotDigRF3G();
    void highlighterGreysAddressAndAscii_data();
    void highlighterGreysAddressAndAscii();

private:
    Ui::Framescope &ui() { return FramescopeProbe::ui(*window); }
    QString status() { return FramescopeProbe::statusLabel(*window)->text(); }
    void select(int row)
    {
        ui().tblFrames->setCurrentIndex(FramescopeProbe::model(*window)->cellIndex(row, 0));
    }

    TestEnv env;
    std::unique_ptr<Framescope> window;
};

void TestDetailPanel::init()
{
    window = std::make_unique<Framescope>(QString());
    using CaptureFixture::frameOf;
    FramescopeProbe::showCapture(
        *window, CaptureFixture::load3G(frameOf(1, 4, 1, 0, QByteArray::fromHex("48656C6C"))
                                        + frameOf(2, 11, 0, 0, QByteArray::fromHex("48656C6C6F212121"))
                                        + frameOf(6, 9, 1, 0, QByteArray(64, '\x41'))
                                        + frameOf(0, 2, 0, 0, QByteArray::fromHex("7F"))));
}

void TestDetailPanel::cleanup()
{
    window.reset();
}

void TestDetailPanel::showsTheCurrentFrame_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("baseIndex");
    QTest::addColumn<int>("bytesIndex");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("orderIndex");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("dump");

    // 64 bytes in two columns of two: sixteen lines of "AAAA", four bytes apart.
    QString sixteenLinesOfA;
    for (int k = 0; k < 16; ++k)
        sixteenLinesOfA += QStringLiteral("%1: 4141 4141   AAAA\n").arg(k * 4, 4, 16, QLatin1Char('0'));

    QTest::newRow("initial settings")
        << 0 << 0 << 0 << 4 << 0
        << QStringList{"001", "0100", "1", "(32 bit)", "(Data Channel A)", "32 bit Data Channel A"}
        << "0000: 48 65 6C 6C   Hell\n";
    QTest::newRow("hex")
        << 1 << 1 << 0 << 4 << 0
        << QStringList{"0x2", "0xb", "0x0", "(64 bit)", "(Data Channel H)", "64 bit Data Channel H"}
        << "0000: 48 65 6C 6C   Hell\n0004: 6F 21 21 21   o!!!\n";
    QTest::newRow("octal, 2 x 2")
        << 2 << 2 << 1 << 2 << 0
        << QStringList{"6", "11", "1", "(512 bit)", "(Data Channel F)", "512 bit Data Channel F"}
        << sixteenLinesOfA;
    QTest::newRow("decimal, little endian 2 x 2")
        << 1 << 3 << 1 << 2 << 1
        << QStringList{"2", "11", "0", "(64 bit)", "(Data Channel H)", "64 bit Data Channel H"}
        << "0000: 6548 6C6C   Hell\n0004: 216F 2121   o!!!\n";
    QTest::newRow("ASCII of 0x7F")
        << 3 << 0 << 2 << 1 << 0
        << QStringList{"000", "0010", "0", "(8 bit)", "(RF IC Control)", "8 bit RF IC Control"}
        << "0000: 7F" + blanks(9) + ".\n";
}

void TestDetailPanel::showsTheCurrentFrame()
{
    QFETCH(int, row);
    QFETCH(int, baseIndex);
    QFETCH(int, bytesIndex);
    QFETCH(int, columns);
    QFETCH(int, orderIndex);
    QFETCH(QStringList, fields);
    QFETCH(QString, dump);

    ui().cbBase->setCurrentIndex(baseIndex);
    ui().cbBytesPerColumn->setCurrentIndex(bytesIndex);
    ui().edColumns->setValue(columns);
    ui().cbByteOrder->setCurrentIndex(orderIndex);
    select(row);

    QCOMPARE(ui().edPlSize->text(), fields.at(0));
    QCOMPARE(ui().edLct->text(), fields.at(1));
    QCOMPARE(ui().edCts->text(), fields.at(2));
    QCOMPARE(ui().lblPlSize->text(), fields.at(3));
    QCOMPARE(ui().lblLct->text(), fields.at(4));
    QCOMPARE(status(), fields.at(5));
    QCOMPARE(ui().txtPayload->toPlainText(), dump);
}

void TestDetailPanel::controlsRedrawTheSameFrame()
{
    select(0);
    ui().cbBase->setCurrentIndex(1);
    QCOMPARE(FramescopeProbe::headerBase(*window), 16);
    QCOMPARE(ui().edLct->text(), QStringLiteral("0x4"));
    ui().cbBase->setCurrentIndex(3);
    QCOMPARE(ui().edLct->text(), QStringLiteral("4"));

    ui().cbBytesPerColumn->setCurrentIndex(2);
    QCOMPARE(ui().txtPayload->toPlainText(), "0000: 48656C6C" + blanks(30) + "Hell\n");
    ui().edColumns->setValue(1);
    QCOMPARE(ui().txtPayload->toPlainText(), QStringLiteral("0000: 48656C6C   Hell\n"));
    ui().cbByteOrder->setCurrentIndex(1);
    QCOMPARE(ui().txtPayload->toPlainText(), QStringLiteral("0000: 6C6C6548   Hell\n"));
    QCOMPARE(status(), QStringLiteral("32 bit Data Channel A"));
}

void TestDetailPanel::noFrameSelectedShowsNone_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("at start-up") << "start-up";
    QTest::newRow("current row cleared") << "cleared";
    QTest::newRow("row past the end") << "past the end";
    QTest::newRow("colour mode switched") << "colour mode";
    QTest::newRow("empty list shown") << "empty list";
}

void TestDetailPanel::noFrameSelectedShowsNone()
{
    // Without a selected frame the panel shows none: no field, label or dump of an earlier one,
    // nor the form's sample texts.
    QFETCH(QString, how);
    if (how == QLatin1String("start-up")) {
        window = std::make_unique<Framescope>(QString());
    } else {
        select(1);
        QVERIFY(!ui().txtPayload->toPlainText().isEmpty());
        if (how == QLatin1String("cleared"))
            ui().tblFrames->setCurrentIndex(QModelIndex());
        else if (how == QLatin1String("past the end"))
            window->selectFrame(FramescopeProbe::model(*window)->cellIndex(4, 0), QModelIndex());
        else if (how == QLatin1String("colour mode"))
            ui().actionDisable_Colors->trigger();
        else
            FramescopeProbe::showCapture(*window, nullptr);
    }
    for (const QLineEdit *field : {ui().edPlSize, ui().edLct, ui().edCts})
        QCOMPARE(field->text(), QString());
    QCOMPARE(ui().lblPlSize->text(), QString());
    QCOMPARE(ui().lblLct->text(), QString());
    QCOMPARE(ui().txtPayload->toPlainText(), QString());
    QCOMPARE(status(), QStringLiteral("No frame selected"));

    // With no current row, a control changed meanwhile stores its value and shows no frame.
    if (ui().tblFrames->currentIndex().isValid())
        return;
    ui().cbBase->setCurrentIndex(1);
    QCOMPARE(FramescopeProbe::headerBase(*window), 16);
    QCOMPARE(ui().edLct->text(), QString());
    QCOMPARE(status(), QStringLiteral("No frame selected"));
}

void TestDetailPanel::frameThatIsNotDigRF3G()
{
    FramescopeProbe::showCapture(*window, CaptureFixture::loadV4({0}));
    select(0);
    QCOMPARE(ui().lblPlSize->text(), QStringLiteral("(-1 bit)"));
    QCOMPARE(ui().lblLct->text(), QStringLiteral("(not impl)"));
    QCOMPARE(ui().edPlSize->text(), QStringLiteral("000"));
    QCOMPARE(status(), QStringLiteral("not impl"));
    QCOMPARE(ui().txtPayload->toPlainText(), QString());
}

void TestDetailPanel::highlighterGreysAddressAndAscii_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("bytesIndex");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("orderIndex");

    // Payloads of the sizes frames have; a group cut short by the payload's end shows its
    // blanks first in little endian.
    QTest::newRow("1 byte, 1 column of 4, little endian") << QByteArray::fromHex("06") << 2 << 1 << 1;
    QTest::newRow("1 byte, 1 column of 2, little endian") << QByteArray::fromHex("06") << 1 << 1 << 1;
    QTest::newRow("12 bytes, 1 column of 4, big endian") << QByteArray(12, '\x06') << 2 << 1 << 0;
    QTest::newRow("8 bytes, 3 columns of 2, little endian") << QByteArray("Hello!!!") << 1 << 3 << 1;
    QTest::newRow("1 byte, 4 columns of 1") << QByteArray::fromHex("7F") << 0 << 4 << 0;
    QTest::newRow("64 bytes, 4 columns of 4") << QByteArray(64, 'A') << 2 << 4 << 0;
    QTest::newRow("4 bytes, 16 columns of 1") << QByteArray("abcd") << 0 << 16 << 0;
    QTest::newRow("blanks in the ASCII part") << QByteArray("  A   B ") << 0 << 3 << 0;
    QTest::newRow("blank bytes, 1 column of 2, little endian") << QByteArray(4, ' ') << 1 << 1 << 1;
}

void TestDetailPanel::highlighterGreysAddressAndAscii()
{
    QFETCH(QByteArray, payload);
    QFETCH(int, bytesIndex);
    QFETCH(int, columns);
    QFETCH(int, orderIndex);
    FramescopeProbe::showCapture(*window, oneFrame(payload));
    ui().cbBytesPerColumn->setCurrentIndex(bytesIndex);
    ui().edColumns->setValue(columns);
    ui().cbByteOrder->setCurrentIndex(orderIndex);
    select(0);

    // Grey: the address with its colon and blank, and the ASCII part, one character per byte
    // of the line at its end. The hex digits, and the blanks between, keep the editor's colour.
    const int lineBytes = (1 << bytesIndex) * columns;
    const QTextDocument *document = ui().txtPayload->document();
    const int lines = int((payload.size() + lineBytes - 1) / lineBytes);
    QCOMPARE(document->blockCount(), lines + 1);
    for (int line = 0; line < lines; ++line) {
        const QTextBlock block = document->findBlockByNumber(line);
        const int length = int(block.text().size());
        const int ascii = qMin(lineBytes, int(payload.size()) - line * lineBytes);
        const QList<QPair<QPair<int, int>, QColor>> expected{
            {{0, 6}, QColor(Qt::darkGray)}, {{length - ascii, ascii}, QColor(Qt::darkGray)}};
        QCOMPARE(coloredRanges(block), expected);
    }
    // The closing empty paragraph has nothing to grey.
    QVERIFY(coloredRanges(document->lastBlock()).isEmpty());
}

QTEST_MAIN(TestDetailPanel)
#include "tst_detailpanel.moc"
