#include "capturefixture.h"
#include "framescopeprobe.h"
#include "testenv.h"

#include "app/framescope.h"
#include "frames/framerecord.h"
#include "views/frametablemodel.h"

#include <QLabel>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>

#include <memory>

using namespace Korvex;

namespace {

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
    void noCurrentRowOnlyResetsTheStatus();
    void rowPastTheEnd();
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

void TestDetailPanel::noCurrentRowOnlyResetsTheStatus()
{
    select(1);
    const QString dump = ui().txtPayload->toPlainText();
    ui().tblFrames->setCurrentIndex(QModelIndex());
    QCOMPARE(status(), QStringLiteral("No frame selected"));
    QCOMPARE(ui().txtPayload->toPlainText(), dump);
    QCOMPARE(ui().edLct->text(), QStringLiteral("1011"));

    // A control changed with no current row stores its value and touches nothing else.
    ui().cbBase->setCurrentIndex(1);
    QCOMPARE(FramescopeProbe::headerBase(*window), 16);
    QCOMPARE(ui().edLct->text(), QStringLiteral("1011"));
    QCOMPARE(ui().txtPayload->toPlainText(), dump);
    QCOMPARE(status(), QStringLiteral("No frame selected"));
}

void TestDetailPanel::rowPastTheEnd()
{
    select(0);
    window->selectFrame(FramescopeProbe::model(*window)->cellIndex(4, 0), QModelIndex());
    QCOMPARE(status(), QStringLiteral("No frame selected"));
    QCOMPARE(ui().edPlSize->text(), QStringLiteral("001"));
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
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("hexEnd");

    // The grey starts at the first of three spaces: after the last group's space on a full
    // line, right after the last digits on a short one.
    QTest::newRow("full line") << 1 << 0 << 17;
    QTest::newRow("second line") << 1 << 1 << 17;
    QTest::newRow("one byte") << 3 << 0 << 8;
}

void TestDetailPanel::highlighterGreysAddressAndAscii()
{
    QFETCH(int, row);
    QFETCH(int, line);
    QFETCH(int, hexEnd);
    select(row);
    const QTextBlock block = ui().txtPayload->document()->findBlockByNumber(line);
    QVERIFY(block.isValid());
    const int length = int(block.text().size());
    const auto ranges = coloredRanges(block);
    QCOMPARE(ranges.size(), 2);
    QCOMPARE(ranges.at(0).first, qMakePair(0, 6));
    QCOMPARE(ranges.at(0).second, QColor(Qt::darkGray));
    QCOMPARE(ranges.at(1).first, qMakePair(hexEnd, length - hexEnd));
    QCOMPARE(ranges.at(1).second, QColor(Qt::darkGray));
    // The closing empty paragraph has nothing to grey.
    const QTextBlock last = ui().txtPayload->document()->lastBlock();
    QVERIFY(last.text().isEmpty());
    QVERIFY(coloredRanges(last).isEmpty());
}

QTEST_MAIN(TestDetailPanel)
#include "tst_detailpanel.moc"
