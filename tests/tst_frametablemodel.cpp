// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturefixture.h"
#include "testenv.h"

#include "viewer/colors/colordlg.h"
#include "viewer/views/frametablemodel.h"
#include "core/session/capturesession.h"

#include <QAbstractItemModelTester>
#include <QColor>
#include <QtTest>

#include <memory>

using namespace Korvex;
using CaptureFixture::frameOf;

/// The frame table model: its rows, cells, titles and colours for DigRF 3G and v4.
class TestFrameTableModel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void modelTester();
    void cells();
    void colors3G_data();
    void colors3G();
    void colorsV4();
    void headers();
    void indexesOutsideTheList();

private:
    TestEnv env;
    std::unique_ptr<ColorDlg> colorDlg;
    CaptureSession session;
    std::unique_ptr<FrameTableModel> model;
    // Frame 0 (time 0 like every first frame), then the frames the tests look at.
    std::shared_ptr<Capture> frames;
    std::shared_ptr<Capture> v4;
};

void TestFrameTableModel::initTestCase()
{
    // Colour tables with known entries: a full one, one without a valid background.
    const QByteArray table3G = "Data Channel A;1;2;3;250;251;252\r\n"
                               "RF IC Control;10;20;30;256;0;0\r\n";
    const QByteArray tableV4 = "not impl;4;5;6;200;201;202\n";
    for (const auto &[name, bytes] : {std::pair{"colors3G.lst", table3G}, std::pair{"colorsV4.lst", tableV4}}) {
        QFile file(env.dataFolder() + QLatin1String(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    colorDlg = std::make_unique<ColorDlg>();
    frames = CaptureFixture::load3G(frameOf(0, 0, 0, 0) + frameOf(1, 4, 1, 312, QByteArray::fromHex("11223344"))
                                    + frameOf(0, 2, 0, 688, QByteArray::fromHex("0a"))
                                    + frameOf(6, 9, 1, 4294967295u - 1000, QByteArray(64, '\x5a')));
    v4 = CaptureFixture::loadV4({312, 7});
    QCOMPARE(frames->frameCount(), 4);
    QCOMPARE(v4->frameCount(), 2);
}

void TestFrameTableModel::init()
{
    model = std::make_unique<FrameTableModel>(session, &colorDlg->scheme());
    session.setCapture(frames);
}

void TestFrameTableModel::cleanup()
{
    model.reset();
}

void TestFrameTableModel::modelTester()
{
    QAbstractItemModelTester tester(model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    session.setCapture(nullptr);
    QCOMPARE(model->rowCount(), 0);
    QCOMPARE(model->columnCount(), 5);
    session.setCapture(frames);
    QCOMPARE(model->rowCount(), 4);
    model->colorsEnabled = false;
    model->resetModel();
    session.setCapture(v4);
    QCOMPARE(model->rowCount(), 2);
    // A window smaller than the capture, moved over it.
    session.setCapture(frames);
    model->setWindowSize(2);
    QCOMPARE(model->rowCount(), 2);
    model->setWindowBase(1);
    model->setWindowBase(5);
    QCOMPARE(model->windowBase(), 2);
}

void TestFrameTableModel::cells()
{
    const QStringList expected[] = {
        {"1000", "32 bit Data Channel A", "1", "32", "1122 3344 "},
        {"3205", "8 bit RF IC Control", "0", "8", "0A"},
        {"13765920817", "512 bit Data Channel F", "1", "512",
         QString("5A5A ").repeated(32)},
    };
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 5; ++column) {
            const QModelIndex index = model->cellIndex(row + 1, column);
            QCOMPARE(index, model->index(row + 1, column));
            QCOMPARE(model->data(index).toString(), expected[row][column]);
            QCOMPARE(model->data(index, Qt::TextAlignmentRole).toInt(), 0x86);
            QVERIFY(!model->data(index, Qt::FontRole).isValid());
            QVERIFY(!model->data(index, Qt::ToolTipRole).isValid());
        }
    }
    // Past the last column: an empty text, not an empty variant.
    const QVariant beyond = model->data(model->cellIndex(0, 5));
    QCOMPARE(beyond.typeId(), QMetaType::QString);
    QCOMPARE(beyond.toString(), QString());
}

void TestFrameTableModel::colors3G_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QColor>("text");
    QTest::addColumn<QColor>("background");
    QTest::newRow("both colours") << 1 << QColor(1, 2, 3) << QColor(250, 251, 252);
    QTest::newRow("invalid background") << 2 << QColor(10, 20, 30) << QColor();
    QTest::newRow("no entry") << 3 << QColor() << QColor();
}

void TestFrameTableModel::colors3G()
{
    QFETCH(int, row);
    QFETCH(QColor, text);
    QFETCH(QColor, background);
    for (int column = 0; column < 5; ++column) {
        const QModelIndex index = model->cellIndex(row, column);
        const QVariant foreground = model->data(index, Qt::ForegroundRole);
        const QVariant back = model->data(index, Qt::BackgroundRole);
        QCOMPARE(foreground.isValid(), text.isValid());
        QCOMPARE(back.isValid(), background.isValid());
        if (text.isValid())
            QCOMPARE(foreground.value<QColor>(), text);
        if (background.isValid())
            QCOMPARE(back.value<QColor>(), background);
    }
    model->colorsEnabled = false;
    QVERIFY(!model->data(model->cellIndex(row, 0), Qt::ForegroundRole).isValid());
    QVERIFY(!model->data(model->cellIndex(row, 0), Qt::BackgroundRole).isValid());
}

void TestFrameTableModel::colorsV4()
{
    session.setCapture(v4);
    for (int column = 0; column < 5; ++column) {
        const QModelIndex index = model->cellIndex(1, column);
        QCOMPARE(model->data(index, Qt::ForegroundRole).value<QColor>(), QColor(4, 5, 6));
        QCOMPARE(model->data(index, Qt::BackgroundRole).value<QColor>(), QColor(200, 201, 202));
    }
    QCOMPARE(model->data(model->cellIndex(0, 2)).toString(), QStringLiteral("not impl"));
    QCOMPARE(model->data(model->cellIndex(1, 3)).toString(), QStringLiteral("-1"));
    QCOMPARE(model->data(model->cellIndex(1, 0)).toString(), QStringLiteral("22"));
}

void TestFrameTableModel::headers()
{
    const QStringList titles{"Time [ns]", "Frame", "CTS", "Payload Size [Bits]", "Payload"};
    for (const std::shared_ptr<Capture> &capture : {frames, v4}) {
        const int version = capture->protocolVersion();
        session.setCapture(capture);
        for (int section = 0; section < 5; ++section) {
            const QString title = section == 2 && version == 1 ? QStringLiteral("CRI")
                                                               : titles.at(section);
            QCOMPARE(model->headerData(section, Qt::Horizontal).toString(), title);
            QVERIFY(!model->headerData(section, Qt::Horizontal, Qt::ToolTipRole).isValid());
        }
        QVERIFY(!model->headerData(5, Qt::Horizontal).isValid());
    }
    session.setCapture(frames);
    for (int section : {0, 1, 3}) {
        const QVariant label = model->headerData(section, Qt::Vertical);
        QCOMPARE(label.typeId(), QMetaType::Int);
        QCOMPARE(label.toInt(), section);
    }
    // A window further down labels its rows with the frames they show.
    model->setWindowSize(2);
    model->setWindowBase(2);
    QCOMPARE(model->headerData(0, Qt::Vertical).toInt(), 2);
    QCOMPARE(model->headerData(1, Qt::Vertical).toInt(), 3);
    QVERIFY(!model->headerData(2, Qt::Vertical).isValid());
    QVERIFY(!model->headerData(0, Qt::Vertical, Qt::DecorationRole).isValid());
}

void TestFrameTableModel::indexesOutsideTheList()
{
    QVERIFY(!model->cellIndex(-1, 0).isValid());
    QVERIFY(!model->data(model->cellIndex(-1, 0)).isValid());
    // Rows past the list are never read.
    QVERIFY(!model->data(model->cellIndex(4, 0)).isValid());
    QVERIFY(!model->data(model->cellIndex(1000000, 1), Qt::BackgroundRole).isValid());
    QVERIFY(!model->data(QModelIndex()).isValid());
}

QTEST_MAIN(TestFrameTableModel)
#include "tst_frametablemodel.moc"
