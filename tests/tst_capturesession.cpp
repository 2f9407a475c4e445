// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturefixture.h"
#include "framebits.h"
#include "testenv.h"

#include "core/fields/fielddefinitions.h"
#include "core/files/capture.h"
#include "core/files/marksfile.h"
#include "core/session/capturesession.h"

#include <QFile>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using namespace Korvex;
using FrameBits::rowsOf;

namespace {

const char *const Signals[] = {"capture", "rows", "marks", "time", "current", "definitions",
                               "columns"};

std::shared_ptr<const FieldDefinitions> twoMessages()
{
    QStringList errors;
    return FieldDefinitions::parse("format = 1\n"
                                   "[[message]]\nname = \"A\"\nchannel = 2\n"
                                   "[[message.field]]\nname = \"x\"\nstart = 0\nlength = 4\n"
                                   "[[message.field]]\nname = \"y\"\nstart = 4\nlength = 4\n"
                                   "[[message]]\nname = \"B\"\nchannel = 3\n"
                                   "[[message.field]]\nname = \"z\"\nstart = 0\nlength = 8\n",
                                   QStringLiteral("two.toml"), &errors);
}

} // namespace

/// The capture session: what each change announces, and the current frame across filters.
class TestCaptureSession : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void announcements_data();
    void announcements();
    void currentFrameAcrossFilters_data();
    void currentFrameAcrossFilters();
    void fieldColumnsNameTheDefinitionsFields();

private:
    /// The signals the session sent since the spies were made, by name, in no order.
    QStringList sent() const;

    TestEnv env;
    std::unique_ptr<CaptureSession> session;
    std::shared_ptr<const Capture> capture;
    std::vector<std::unique_ptr<QSignalSpy>> spies;
};

void TestCaptureSession::init()
{
    capture = CaptureFixture::loadFile(env.path(QStringLiteral("session.drf3")), 100, 3);
    QVERIFY(capture && capture->frameCount() == 100);
    // No marks kept from a test before.
    QFile::remove(MarksFile::besidePath(capture->fileName()));
    session = std::make_unique<CaptureSession>();
    session->setCapture(capture);
    spies.clear();
    spies.push_back(std::make_unique<QSignalSpy>(session.get(), &CaptureSession::captureChanged));
    spies.push_back(std::make_unique<QSignalSpy>(session.get(), &CaptureSession::rowsChanged));
    spies.push_back(std::make_unique<QSignalSpy>(session.get(), &CaptureSession::marksChanged));
    spies.push_back(std::make_unique<QSignalSpy>(session.get(), &CaptureSession::timeChanged));
    spies.push_back(std::make_unique<QSignalSpy>(session.get(), &CaptureSession::currentFrameChanged));
    spies.push_back(std::make_unique<QSignalSpy>(session.get(), &CaptureSession::fieldDefinitionsChanged));
    spies.push_back(std::make_unique<QSignalSpy>(session.get(), &CaptureSession::fieldColumnsChanged));
}

void TestCaptureSession::cleanup()
{
    spies.clear();
    session.reset();
}

QStringList TestCaptureSession::sent() const
{
    QStringList names;
    for (std::size_t i = 0; i < spies.size(); ++i) {
        if (!spies[i]->isEmpty())
            names.append(QStringLiteral("%1 x%2").arg(QLatin1String(Signals[i])).arg(spies[i]->size()));
    }
    return names;
}

void TestCaptureSession::announcements_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("announced");

    QTest::newRow("another capture") << "capture" << QStringList{"capture x1"};
    // Frame 10 is current first: a filter that hides it moves the current frame too.
    QTest::newRow("filter keeping the current frame") << "filter 10" << QStringList{"rows x1"};
    QTest::newRow("filter hiding it") << "filter 50" << QStringList{"rows x1", "current x1"};
    QTest::newRow("clear without a filter") << "clear" << QStringList{};
    // More frames than the capture has.
    QTest::newRow("rows of another capture") << "foreign rows" << QStringList{};
    QTest::newRow("current frame") << "current 20" << QStringList{"current x1"};
    QTest::newRow("same current frame") << "current 10" << QStringList{};
    QTest::newRow("frame past the last") << "current 100" << QStringList{};
    QTest::newRow("time mode") << "mode" << QStringList{"time x1"};
    QTest::newRow("time reference") << "reference 5" << QStringList{"time x1"};
    QTest::newRow("reference past the last") << "reference 100" << QStringList{};
    QTest::newRow("marks") << "mark" << QStringList{"marks x1"};
    QTest::newRow("nothing to unmark") << "unmark" << QStringList{};
    // Definitions stand for their columns too; neither touches the capture or its rows.
    QTest::newRow("field definitions") << "definitions" << QStringList{"definitions x1"};
    QTest::newRow("field columns") << "columns" << QStringList{"columns x1"};
}

void TestCaptureSession::announcements()
{
    QFETCH(QString, change);
    QFETCH(QStringList, announced);
    QVERIFY(session->setCurrentFrame(10));
    for (const auto &spy : spies)
        spy->clear();

    const qint64 argument = change.section(QLatin1Char(' '), 1).toLongLong();
    if (change == "capture")
        session->setCapture(CaptureFixture::loadFile(env.path(QStringLiteral("other.drf3")), 30, 4));
    else if (change.startsWith("filter"))
        QVERIFY(session->setRows(rowsOf(100, {5, argument, 70}), QStringLiteral("f")));
    else if (change == "clear")
        session->clearFilter();
    else if (change == "foreign rows")
        QVERIFY(!session->setRows(FrameRows(101), QString()));
    else if (change.startsWith("current"))
        session->setCurrentFrame(argument);
    else if (change == "mode")
        session->setTimeMode(TimeMode::DeltaChannel);
    else if (change.startsWith("reference"))
        session->setTimeReference(argument);
    else if (change == "mark")
        session->toggleMarks({3, 4});
    else if (change == "unmark")
        session->unmarkAll();
    else if (change == "definitions")
        session->setFieldDefinitions(twoMessages(), QStringLiteral("two.toml"));
    else if (change == "columns")
        session->setFieldColumns({});
    QCOMPARE(sent(), announced);
    if (!spies[4]->isEmpty())
        QCOMPARE(spies[4]->last().at(0).toLongLong(), session->currentFrame());
}

void TestCaptureSession::currentFrameAcrossFilters_data()
{
    QTest::addColumn<qint64>("current");
    QTest::addColumn<QList<qint64>>("shown");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("shown stays") << qint64(40) << QList<qint64>{10, 40, 90} << qint64(40);
    QTest::newRow("hidden: the nearest") << qint64(60) << QList<qint64>{10, 40, 90} << qint64(40);
    QTest::newRow("the earlier of two as near") << qint64(65) << QList<qint64>{40, 90}
                                                << qint64(40);
    QTest::newRow("none current: the first") << qint64(-1) << QList<qint64>{10, 40}
                                             << qint64(10);
    QTest::newRow("nothing shown") << qint64(40) << QList<qint64>{} << qint64(-1);
}

void TestCaptureSession::currentFrameAcrossFilters()
{
    QFETCH(qint64, current);
    QFETCH(QList<qint64>, shown);
    QFETCH(qint64, expected);
    QVERIFY(session->setCurrentFrame(current));
    QVERIFY(session->setRows(rowsOf(100, shown), QStringLiteral("a filter")));
    QCOMPARE(session->currentFrame(), expected);
    QCOMPARE(session->filterText(), QStringLiteral("a filter"));
    // A hidden frame cannot be made current; the filter text goes with the filter.
    QVERIFY(!session->setCurrentFrame(55));
    QCOMPARE(session->currentFrame(), expected);
    session->clearFilter();
    QCOMPARE(session->rows().count(), qint64(100));
    QCOMPARE(session->filterText(), QString());
    QCOMPARE(session->currentFrame(), expected < 0 ? 0 : expected);
}

// Columns that name no field of the definitions in force are left out, in order; without
// definitions there are no columns whatever is asked for.
void TestCaptureSession::fieldColumnsNameTheDefinitionsFields()
{
    session->setFieldColumns({FieldColumns::Column()});
    QCOMPARE(session->fieldColumns().count(), 0);
    session->setFieldDefinitions(twoMessages(), QStringLiteral("two.toml"),
                                 {{1, 0}, {0, 2}, {-1, -1}, {2, 0}, {0, 1}, {-1, 0}, {1, -1}});
    QVERIFY(session->fieldDefinitions());
    QCOMPARE(session->fieldDefinitionsFile(), QStringLiteral("two.toml"));
    QStringList titles;
    for (int k = 0; k < session->fieldColumns().count(); ++k)
        titles.append(session->fieldColumns().title(k));
    QCOMPARE(titles, QStringList({"B.z", "Message", "A.y"}));
    session->setFieldDefinitions(nullptr, QStringLiteral("two.toml"), {FieldColumns::Column()});
    QVERIFY(session->fieldDefinitionsFile().isEmpty());
    QCOMPARE(session->fieldColumns().count(), 0);
    QCOMPARE(session->frameCount(), qint64(100));
}

QTEST_GUILESS_MAIN(TestCaptureSession)
#include "tst_capturesession.moc"
