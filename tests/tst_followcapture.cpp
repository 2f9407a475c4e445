// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturebuilder.h"
#include "capturefixture.h"
#include "framescopeprobe.h"
#include "testenv.h"

#include "core/files/capture.h"
#include "core/text/frametext.h"
#include "viewer/views/frametablemodel.h"

#include <QAction>
#include <QFile>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace Korvex;
using namespace CaptureBuilder;
using Probe = FramescopeProbe;

namespace {

// Every cell of every row of the table.
QStringList tableTexts(Framescope &w)
{
    QStringList texts;
    const FrameTableModel *model = Probe::model(w);
    for (int row = 0; row < model->rowCount(); ++row) {
        for (int column = 0; column < FrameText::ColumnCount; ++column)
            texts.append(model->index(row, column).data().toString());
    }
    return texts;
}

// What a plain load of the file shows: its table, then its log panel.
std::pair<QStringList, QStringList> plainLoad(const QString &path)
{
    Framescope w{QString()};
    Probe::ui(w).actionFollowCapture->setChecked(false);
    Probe::loadFile(w, path);
    return {tableTexts(w), Probe::logLines(w)};
}

bool append(QFile &file, const QByteArray &bytes)
{
    return file.write(bytes) == bytes.size() && file.flush();
}

} // namespace

class TestFollowCapture : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void followsWhatIsWritten_data();
    void followsWhatIsWritten();
    void shrinkStopsFollowing();
    void staysAtTheTail_data();
    void staysAtTheTail();
    void settingRemembered();

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestFollowCapture::initTestCase()
{
    m_env = std::make_unique<TestEnv>();
}

void TestFollowCapture::init()
{
    QSettings(QStringLiteral("Kestrant"), QStringLiteral("Framescope")).clear();
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestFollowCapture::followsWhatIsWritten_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("suffix");
    // The file is opened once this many bytes are written, then grows in pieces of 1 to
    // largestPiece bytes.
    QTest::addColumn<int>("opened");
    QTest::addColumn<int>("largestPiece");
    // Follow is turned off at the end: a last frame cut short is then an invalid frame.
    QTest::addColumn<bool>("turnedOff");

    const QByteArray open = randomCapture(300, 3).chopped(1);
    QTest::newRow("tags split") << open << "drf3" << 9 << 40 << false;
    QTest::newRow("no frame yet") << open << "drf3" << open.indexOf('#') + 1 << 90 << false;
    QTest::newRow("byte by byte") << randomCapture(40, 4).chopped(1) << "drf3" << 30 << 1 << false;
    QTest::newRow("closing brace") << randomCapture(200, 5) << "drf3" << 400 << 70 << false;
    QTest::newRow("partial last frame, off") << open.chopped(5) << "drf3" << 700 << 60 << true;
    QTest::newRow("whole, off") << open << "drf3" << 700 << 60 << true;
    QByteArray v4;
    QRandomGenerator random(6);
    for (int i = 0; i < 250; ++i)
        v4 += frame(random.generate(), random.bounded(1000u));
    QTest::newRow("DigRF v4") << capture(v4) << "drf4" << 50 << 13 << false;
    // A DigRF v4 frame cut short is a frame once the file is taken as it is.
    QTest::newRow("DigRF v4, partial, off") << capture(v4).chopped(3) << "drf4" << 50 << 13 << true;
}

void TestFollowCapture::followsWhatIsWritten()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, suffix);
    QFETCH(int, opened);
    QFETCH(int, largestPiece);
    QFETCH(bool, turnedOff);

    const QString path = m_dir->filePath(QStringLiteral("growing.") + suffix);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(append(file, bytes.left(opened)));
    Framescope w{QString()};
    w.show();
    QVERIFY(Probe::ui(w).actionFollowCapture->isChecked());
    Probe::loadFile(w, path);
    QVERIFY(Probe::following(w));

    QRandomGenerator random(quint32(bytes.size()));
    qint64 written = opened;
    qint64 rows = Probe::model(w)->rowCount();
    while (written < bytes.size()) {
        const qint64 piece = 1 + qint64(random.bounded(largestPiece));
        QVERIFY(append(file, bytes.mid(written, piece)));
        written += piece;
        QVERIFY(Probe::followStep(w));
        QVERIFY(Probe::following(w));
        QVERIFY(Probe::model(w)->rowCount() >= rows);
        rows = Probe::model(w)->rowCount();
        // No line comes twice, however the file was cut.
        const QStringList log = Probe::logLines(w);
        QVERIFY(log.filter(QStringLiteral(" frames loaded.")).size() <= 1);
    }
    QVERIFY(Probe::followLabel(w)->isVisible());
    QVERIFY(Probe::followLabel(w)->text().startsWith(
        QStringLiteral("Following: %1 frames (+").arg(Probe::frameCount(w))));
    if (turnedOff) {
        Probe::ui(w).actionFollowCapture->setChecked(false);
        QVERIFY(Probe::settle(w));
        QVERIFY(!Probe::following(w));
        QVERIFY(Probe::followLabel(w)->isHidden());
    }

    const auto [table, log] = plainLoad(path);
    QCOMPARE(Probe::model(w)->rowCount(), int(table.size() / FrameText::ColumnCount));
    QCOMPARE(tableTexts(w), table);
    QCOMPARE(Probe::logLines(w), log);
}

void TestFollowCapture::shrinkStopsFollowing()
{
    const QByteArray bytes = randomCapture(60, 7).chopped(1);
    const QString path = m_dir->filePath(QStringLiteral("shrinking.drf3"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(append(file, bytes));
    Framescope w{QString()};
    w.show();
    Probe::loadFile(w, path);
    QVERIFY(Probe::following(w));
    QVERIFY(file.resize(bytes.size() - 40));
    QVERIFY(Probe::followStep(w));

    QVERIFY(!Probe::following(w));
    QVERIFY(Probe::followLabel(w)->isHidden());
    QCOMPARE(Probe::capture(w)->status(), Capture::Status::Changed);
    QCOMPARE(Probe::logLines(w).last(),
             QStringLiteral("error\tThe file %1 was changed by another program; reload it to "
                            "see its frames.")
                 .arg(path));
    QCOMPARE(Probe::ui(w).tabs->currentIndex(), 1);
    QVERIFY(Probe::ui(w).actionReload->isEnabled());
    // Whole again, it is not read on: Reload reads it anew, and follows it.
    QVERIFY(append(file, bytes.right(40)));
    QVERIFY(Probe::followStep(w));
    QCOMPARE(Probe::frameCount(w), 60);
    QVERIFY(!Probe::following(w));
    Probe::ui(w).actionReload->trigger();
    QVERIFY(Probe::settle(w));
    QVERIFY(Probe::following(w));
    QCOMPARE(Probe::frameCount(w), 60);
    QVERIFY(append(file, frame(1, 4, 0, 5)));
    QVERIFY(Probe::followStep(w));
    QCOMPARE(Probe::frameCount(w), 61);
}

void TestFollowCapture::staysAtTheTail_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("after");
    QTest::newRow("last row") << 19 << 49;
    QTest::newRow("elsewhere") << 7 << 7;
    QTest::newRow("one before the last") << 18 << 18;
}

void TestFollowCapture::staysAtTheTail()
{
    QFETCH(int, current);
    QFETCH(int, after);
    const QByteArray bytes = randomCapture(50, 8).chopped(1);
    const QByteArray first = randomCapture(20, 8).chopped(1);
    // The first 20 frames, then the other 30 (the generator makes the same frames first).
    const qsizetype tags = bytes.indexOf('#') + 1;
    const qsizetype firstEnd = tags + (first.size() - (first.indexOf('#') + 1));
    const QString path = m_dir->filePath(QStringLiteral("tail.drf3"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(append(file, bytes.left(firstEnd)));
    Framescope w{QString()};
    w.show();
    Probe::loadFile(w, path);
    QCOMPARE(Probe::frameCount(w), 20);
    QTableView *table = Probe::ui(w).tblFrames;
    table->setCurrentIndex(Probe::model(w)->cellIndex(current, 0));

    QVERIFY(append(file, bytes.mid(firstEnd)));
    QVERIFY(Probe::followStep(w));
    QCOMPARE(Probe::frameCount(w), 50);
    QCOMPARE(Probe::session(w).currentFrame(), qint64(after));
    QCOMPARE(table->currentIndex().row(), after);
    // At the tail, the new last row is in view.
    if (after == 49)
        QTRY_VERIFY_WITH_TIMEOUT(
            table->viewport()->rect().contains(table->visualRect(table->currentIndex())),
            HangGuardMs);
}

void TestFollowCapture::settingRemembered()
{
    {
        Framescope w{QString()};
        QVERIFY(Probe::ui(w).actionFollowCapture->isChecked());
        QCOMPARE(Probe::ui(w).actionFollowCapture->shortcut(),
                 QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
        Probe::ui(w).actionFollowCapture->trigger();
    }
    {
        Framescope w{QString()};
        QVERIFY(!Probe::ui(w).actionFollowCapture->isChecked());
        // Off, a load reads the file whole: a capture that grows later is not followed.
        const QString path = m_dir->filePath(QStringLiteral("whole.drf3"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(append(file, randomCapture(30, 9).chopped(1)));
        Probe::loadFile(w, path);
        QVERIFY(!Probe::following(w));
        QCOMPARE(Probe::capture(w)->status(), Capture::Status::Loaded);
        QCOMPARE(Probe::logLines(w).last(), QStringLiteral("info\t30 frames loaded."));
        Probe::ui(w).actionFollowCapture->trigger();
    }
    Framescope w{QString()};
    QVERIFY(Probe::ui(w).actionFollowCapture->isChecked());
}

QTEST_MAIN(TestFollowCapture)
#include "tst_followcapture.moc"
