#include "app/framescope.h"
#include "capturebuilder.h"
#include "files/framegenerator.h"
#include "framescopeprobe.h"
#include "hangguard.h"
#include "modaldriver.h"
#include "testenv.h"
#include "views/printhtml.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPrintDialog>
#include <QSet>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

using namespace Korvex;
using namespace CaptureBuilder;

namespace {

const QString Head = QStringLiteral("<html>\n<head>\n<title>DigRF 3G Frames</title>\n</head>\n"
                                    "<body bgcolor=#ffffff>\n"
                                    "<table border=1 cellspacing=0 cellpadding=2>\n");
const QString Tail = QStringLiteral("</table>\n</body>\n</html>\n");

QString headerRow(const QStringList &titles)
{
    QString row = QStringLiteral("<tr bgcolor=#f0f0f0>");
    for (const QString &title : titles)
        row += QStringLiteral("<th>%1</th>").arg(title);
    return row + QStringLiteral("</tr>\n");
}

QString row(const QStringList &cells)
{
    QString text = QStringLiteral("<tr>");
    for (const QString &cell : cells)
        text += QStringLiteral("<td bkcolor=0>%1</td>").arg(cell);
    return text + QStringLiteral("</tr>\n");
}

// Keeps the entries of list whose index is not in hidden.
QStringList visible(const QStringList &list, const QList<int> &hidden)
{
    QStringList kept;
    for (int i = 0; i < list.size(); ++i) {
        if (!hidden.contains(i))
            kept.append(list.at(i));
    }
    return kept;
}

} // namespace

/// Printing the frame list: the HTML built from the table and the print dialog's outcome.
class TestPrinting : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void cells_data();
    void cells();
    void noFile();
    void loadedFile_data();
    void loadedFile();
    void cancelPrintsNothing();
    void printsToPdf();

private:
    QString windowHtml();
    QString writeFile(const QString &name, const QByteArray &bytes);
    /// Runs the Print action and picks "Print to File (PDF)" with pdfPath in its dialog.
    void print(const QString &pdfPath, bool accept);

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

QString TestPrinting::windowHtml()
{
    QTableView *table = FramescopeProbe::ui(*m_window).tblFrames;
    return printHtml(*table->model(), [table](int column) { return table->isColumnHidden(column); });
}

QString TestPrinting::writeFile(const QString &name, const QByteArray &bytes)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

void TestPrinting::cells_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("printed");
    QTest::newRow("plain") << "0AFF" << "0AFF";
    QTest::newRow("trailing space of a payload") << "0AFF 1234 " << "0AFF 1234";
    QTest::newRow("inner runs of blanks") << "  a \t\n b  " << "a b";
    QTest::newRow("empty") << "" << "&nbsp;";
    QTest::newRow("blanks only") << "   " << "&nbsp;";
    QTest::newRow("not escaped") << "a<b>&c" << "a<b>&c";
}

void TestPrinting::cells()
{
    QFETCH(QString, text);
    QFETCH(QString, printed);

    QStandardItemModel model(1, 3);
    model.setHorizontalHeaderLabels({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral(" C  D ")});
    model.setItem(0, 0, new QStandardItem(QStringLiteral("x")));
    model.setItem(0, 1, new QStandardItem(text));
    // Column 2 has no item: a null display value prints like an empty text.
    const QString html = printHtml(model, [](int) { return false; });
    // Header texts are written as the model gives them.
    QCOMPARE(html, Head + headerRow({"A", "B", " C  D "}) + row({"x", printed, "&nbsp;"}) + Tail);
}

void TestPrinting::noFile()
{
    QCOMPARE(windowHtml(),
             Head + headerRow({"Time [ns]", "Frame", "CTS", "Payload Size [Bits]", "Payload"}) + Tail);
}

void TestPrinting::loadedFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<int>>("hidden");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QList<QStringList>>("rows");

    // Code 1 on Data Channel A, then code 0 with CTS set 312 ticks later.
    const QByteArray frames3G = capture(frame(headerWord(1, 4, 0), 7, word(0x11223344))
                                        + frame(headerWord(0, 0, 1), 312, word(0xAB000000)));
    const QStringList titles3G{"Time [ns]", "Frame", "CTS", "Payload Size [Bits]", "Payload"};
    const QList<QStringList> rows3G{{"0", "32 bit Data Channel A", "0", "32", "1122 3344"},
                                    {"1000", "8 bit Interface Control", "1", "8", "AB"}};
    QTest::newRow("DigRF 3G") << "frames.drf3" << frames3G << QList<int>() << titles3G << rows3G;
    QTest::newRow("hidden columns") << "frames.drf3" << frames3G << QList<int>{1, 3} << titles3G
                                    << rows3G;
    QTest::newRow("last column hidden") << "frames.drf3" << frames3G << QList<int>{4} << titles3G
                                        << rows3G;

    // DigRF v4 frames are the header and time words alone: nothing decoded, empty payloads.
    const QByteArray framesV4 = capture(frame(headerWord(1, 4, 0), 0) + frame(0, 624));
    QTest::newRow("DigRF v4") << "frames.drf4" << framesV4 << QList<int>()
                              << QStringList{"Time [ns]", "Frame", "CRI", "Payload Size [Bits]", "Payload"}
                              << QList<QStringList>{{"0", "not impl", "not impl", "-1", "&nbsp;"},
                                                    {"2000", "not impl", "not impl", "-1", "&nbsp;"}};
}

void TestPrinting::loadedFile()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QList<int>, hidden);
    QFETCH(QStringList, titles);
    QFETCH(QList<QStringList>, rows);

    const QString path = writeFile(name, bytes);
    QVERIFY(!path.isEmpty());
    m_window->loadFile(path);
    QCOMPARE(FramescopeProbe::frames(*m_window).size(), rows.size());
    for (const int column : hidden)
        FramescopeProbe::ui(*m_window).tblFrames->setColumnHidden(column, true);

    QString expected = Head + headerRow(visible(titles, hidden));
    for (const QStringList &cells : rows)
        expected += row(visible(cells, hidden));
    QCOMPARE(windowHtml(), expected + Tail);
}

void TestPrinting::print(const QString &pdfPath, bool accept)
{
    bool seen = false;
    ModalDriver::whenModal<QPrintDialog>([&](QPrintDialog *dialog) {
        seen = true;
        auto *printers = dialog->findChild<QComboBox *>(QStringLiteral("printers"));
        auto *fileName = dialog->findChild<QLineEdit *>(QStringLiteral("filename"));
        const int pdf = printers ? printers->findText(QStringLiteral("Print to File (PDF)")) : -1;
        if (pdf >= 0 && fileName) {
            printers->setCurrentIndex(pdf);
            fileName->setText(pdfPath);
        } else {
            qWarning("the print dialog offers no PDF file");
        }
        if (accept)
            dialog->accept();
        else
            dialog->reject();
    });
    FramescopeProbe::ui(*m_window).actionPrint->trigger();
    QVERIFY(seen);
}

void TestPrinting::cancelPrintsNothing()
{
    m_window->loadFile(writeFile(QStringLiteral("cancel.drf3"),
                                 capture(frame(headerWord(1, 4, 0), 0, word(1)))));
    const QString pdf = m_dir.filePath(QStringLiteral("cancelled.pdf"));
    print(pdf, false);
    QVERIFY(!QFile::exists(pdf));
}

void TestPrinting::printsToPdf()
{
    // An empty table fits one page; several hundred rows take more.
    const QString empty = m_dir.filePath(QStringLiteral("empty.pdf"));
    print(empty, true);

    const QString capturePath = m_dir.filePath(QStringLiteral("many.drf3"));
    QVERIFY(FrameGenerator::writeFile(capturePath, 5u, 300, QDateTime::currentDateTime()));
    m_window->loadFile(capturePath);
    QCOMPARE(FramescopeProbe::frames(*m_window).size(), 300);
    const QString full = m_dir.filePath(QStringLiteral("frames.pdf"));
    print(full, true);

    const auto pages = [](const QString &path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return -1;
        const QByteArray pdf = file.readAll();
        if (!pdf.startsWith("%PDF-"))
            return -1;
        return int(pdf.count("/Type /Page\n"));
    };
    QCOMPARE(pages(empty), 1);
    QVERIFY2(pages(full) > 1, qPrintable(QString::number(pages(full))));
}

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
