#include "testenv.h"

#include "colors/colordlg.h"
#include "views/frametablemodel.h"

#include <QAbstractItemModelTester>
#include <QColor>
#include <QDataStream>
#include <QtTest>

#include <memory>

using namespace Korvex;

namespace {

FrameRecord *record3G(quint64 time, quint8 code, quint8 type, quint8 cts, const QByteArray &payload)
{
    auto *record = new FrameRecord;
    record->setTime(time);
    record->setPayloadSizeCode(code);
    record->setChannelType(type);
    record->setCtsBit(cts);
    record->setPayload(payload);
    return record;
}

FrameRecord *recordV4(quint32 time)
{
    QByteArray bytes(4, '\0');
    bytes += QByteArray(reinterpret_cast<const char *>(&time), 4);
    QDataStream in(bytes);
    in.setByteOrder(QDataStream::ByteOrder(QSysInfo::ByteOrder));
    return new FrameRecord(1, in);
}

/// Owns the records of a frame list.
struct OwnedFrames
{
    FrameList list;
    ~OwnedFrames() { qDeleteAll(list); }
};

} // namespace

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
    std::unique_ptr<FrameTableModel> model;
    OwnedFrames frames;
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
}

void TestFrameTableModel::init()
{
    frames.list = {record3G(312, 1, 4, 1, QByteArray::fromHex("11223344")),
                   record3G(1000, 0, 2, 0, QByteArray::fromHex("0a")),
                   record3G(4294967295u, 6, 9, 1, QByteArray(64, '\x5a'))};
    model = std::make_unique<FrameTableModel>(colorDlg.get());
    model->setFrames(&frames.list, 0);
}

void TestFrameTableModel::cleanup()
{
    model.reset();
    qDeleteAll(frames.list);
    frames.list.clear();
}

void TestFrameTableModel::modelTester()
{
    QAbstractItemModelTester tester(model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    FrameList empty;
    model->setFrames(&empty, 1);
    QCOMPARE(model->rowCount(), 0);
    QCOMPARE(model->columnCount(), 5);
    model->setFrames(&frames.list, 0);
    QCOMPARE(model->rowCount(), 3);
    model->colorsEnabled = false;
    model->resetModel();
    FrameList v4{recordV4(5)};
    model->setFrames(&v4, 1);
    QCOMPARE(model->rowCount(), 1);
    model->setFrames(&frames.list, 0);
    qDeleteAll(v4);
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
            const QModelIndex index = model->cellIndex(row, column);
            QCOMPARE(index, model->index(row, column));
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
    QTest::newRow("both colours") << 0 << QColor(1, 2, 3) << QColor(250, 251, 252);
    QTest::newRow("invalid background") << 1 << QColor(10, 20, 30) << QColor();
    QTest::newRow("no entry") << 2 << QColor() << QColor();
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
    OwnedFrames v4;
    v4.list = {recordV4(312), recordV4(7)};
    model->setFrames(&v4.list, 1);
    for (int column = 0; column < 5; ++column) {
        const QModelIndex index = model->cellIndex(1, column);
        QCOMPARE(model->data(index, Qt::ForegroundRole).value<QColor>(), QColor(4, 5, 6));
        QCOMPARE(model->data(index, Qt::BackgroundRole).value<QColor>(), QColor(200, 201, 202));
    }
    QCOMPARE(model->data(model->cellIndex(0, 2)).toString(), QStringLiteral("not impl"));
    QCOMPARE(model->data(model->cellIndex(1, 3)).toString(), QStringLiteral("-1"));
    // The colours follow the table's version: a DigRF 3G record in a v4 table has none.
    model->setFrames(&frames.list, 1);
    QVERIFY(!model->data(model->cellIndex(0, 0), Qt::BackgroundRole).isValid());
    QCOMPARE(model->data(model->cellIndex(0, 2)).toString(), QStringLiteral("not impl"));
}

void TestFrameTableModel::headers()
{
    const QStringList titles{"Time [ns]", "Frame", "CTS", "Payload Size [Bits]", "Payload"};
    for (int version : {0, 1}) {
        model->setFrames(&frames.list, version);
        for (int section = 0; section < 5; ++section) {
            const QString title = section == 2 && version == 1 ? QStringLiteral("CRI")
                                                               : titles.at(section);
            QCOMPARE(model->headerData(section, Qt::Horizontal).toString(), title);
            QVERIFY(!model->headerData(section, Qt::Horizontal, Qt::ToolTipRole).isValid());
        }
        QVERIFY(!model->headerData(5, Qt::Horizontal).isValid());
    }
    for (int section : {0, 1, 2, 41}) {
        const QVariant label = model->headerData(section, Qt::Vertical);
        QCOMPARE(label.typeId(), QMetaType::Int);
        QCOMPARE(label.toInt(), section);
    }
    QVERIFY(!model->headerData(0, Qt::Vertical, Qt::DecorationRole).isValid());
}

void TestFrameTableModel::indexesOutsideTheList()
{
    QVERIFY(!model->cellIndex(-1, 0).isValid());
    QVERIFY(!model->data(model->cellIndex(-1, 0)).isValid());
    // Rows past the list are never read.
    QVERIFY(!model->data(model->cellIndex(3, 0)).isValid());
    QVERIFY(!model->data(model->cellIndex(1000000, 1), Qt::BackgroundRole).isValid());
    QVERIFY(!model->data(QModelIndex()).isValid());
}

QTEST_MAIN(TestFrameTableModel)
#include "tst_frametablemodel.moc"
