#include "files/unsigneddecimal.h"

#include <QtTest>

#include <optional>

Q_DECLARE_METATYPE(std::optional<quint64>)

/// The strict reading of a number from a file's text.
class TestUnsignedDecimal : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
};

void TestUnsignedDecimal::parse_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<std::optional<quint64>>("value");

    const std::optional<quint64> none;
    QTest::newRow("zero") << QByteArray("0") << std::optional<quint64>(0);
    QTest::newRow("leading zeros") << QByteArray("00012") << std::optional<quint64>(12);
    QTest::newRow("largest") << QByteArray("18446744073709551615")
                             << std::optional<quint64>(Q_UINT64_C(18446744073709551615));
    QTest::newRow("past 64 bits") << QByteArray("18446744073709551616") << none;
    QTest::newRow("empty") << QByteArray() << none;
    QTest::newRow("NUL after the digits") << QByteArray("112\0" "5", 5) << none;
    QTest::newRow("NUL alone") << QByteArray(1, '\0') << none;
    QTest::newRow("blank before") << QByteArray(" 12") << none;
    QTest::newRow("line end after") << QByteArray("12\n") << none;
    QTest::newRow("plus sign") << QByteArray("+12") << none;
    QTest::newRow("minus sign") << QByteArray("-12") << none;
    QTest::newRow("hexadecimal") << QByteArray("0x1F") << none;
    QTest::newRow("exponent") << QByteArray("1e3") << none;
    QTest::newRow("Latin-1 superscript two") << QByteArray("1\xb2") << none;
}

void TestUnsignedDecimal::parse()
{
    QFETCH(QByteArray, text);
    QFETCH(std::optional<quint64>, value);
    QCOMPARE(Korvex::parseUnsignedDecimal(text), value);
}

QTEST_APPLESS_MAIN(TestUnsignedDecimal)
#include "tst_unsigneddecimal.moc"
