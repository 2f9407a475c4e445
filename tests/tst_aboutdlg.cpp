// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/about/aboutdlg.h"
#include "viewer/app/framescope.h"
#include "framescopeprobe.h"
#include "hangguard.h"
#include "opendialog.h"
#include "testenv.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QDesktopServices>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QtTest>

using namespace Korvex;

/// Stands in for the desktop's browser and mail program.
class UrlCatcher : public QObject
{
    Q_OBJECT

public slots:
    void open(const QUrl &url) { urls.append(url); }

public:
    QList<QUrl> urls;
};

/// The About box: its form, its texts, the links it hands to the desktop, one per opening.
class TestAboutDlg : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void dialog();
    void texts_data();
    void texts();
    void labelsStandBesideTheirButtons();
    void linksGoToTheDesktop();
    void unopenedLinkShowsItsAddress_data();
    void unopenedLinkShowsItsAddress();
    void okCloses();
    void freshDialogEachOpening();

private:
    template<typename T> T *child(QWidget &parent, const char *name)
    {
        T *widget = parent.findChild<T *>(QLatin1String(name));
        if (!widget)
            qWarning("no %s", name);
        return widget;
    }

    TestEnv m_env;
    UrlCatcher m_catcher;
};

void TestAboutDlg::initTestCase()
{
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &m_catcher, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &m_catcher, "open");
}

void TestAboutDlg::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
}

void TestAboutDlg::init()
{
    m_catcher.urls.clear();
}

void TestAboutDlg::dialog()
{
    AboutDlg dialog;
    QCOMPARE(dialog.objectName(), QStringLiteral("AboutDlg"));
    QCOMPARE(dialog.parent(), nullptr);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("About Kestrant Quellbay"));
    QCOMPARE(dialog.windowModality(), Qt::WindowModal);
    QVERIFY(dialog.isModal());
    QCOMPARE(dialog.size(), QSize(394, 169));
    QCOMPARE(dialog.font().family(), QStringLiteral("Arial"));
    QCOMPARE(dialog.font().pointSize(), 8);
    QCOMPARE(dialog.font().weight(), QFont::Normal);

    const QList<QSize> iconSizes = dialog.windowIcon().availableSizes();
    for (const int side : {16, 32, 48})
        QVERIFY2(iconSizes.contains(QSize(side, side)), qPrintable(QString::number(side)));

    QLabel *picture = child<QLabel>(dialog, "label");
    QVERIFY(picture);
    QCOMPARE(picture->pixmap().size(), QSize(110, 109));
    QCOMPARE(picture->alignment(), Qt::AlignCenter);
    QVERIFY(picture->text().isEmpty());

    QLabel *product = child<QLabel>(dialog, "textLabel1");
    QVERIFY(product);
    QCOMPARE(product->font().pointSize(), 10);
    QVERIFY(product->font().bold());
    QCOMPARE(product->font().family(), QStringLiteral("Arial"));

    for (const char *name : {"toolButton1", "toolButton2"}) {
        QToolButton *button = child<QToolButton>(dialog, name);
        QVERIFY(button);
        QVERIFY(button->autoRaise());
    }
    QCOMPARE(child<QToolButton>(dialog, "toolButton1")->toolTip(),
             QStringLiteral("Visit Kestrant Web Page"));
    QVERIFY(!child<QPushButton>(dialog, "pushButton1")->isFlat());
}

void TestAboutDlg::texts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("product") << "textLabel1" << "Kestrant Framescope";
    // The project's version, the one number every program shows.
    QTest::newRow("version") << "lblVersion" << "Version " FRAMESCOPE_VERSION;
    QTest::newRow("maker") << "textLabel3" << "Kestrant Instruments";
    QTest::newRow("contact") << "textLabel4" << "Contact: ";
    QTest::newRow("support") << "textLabel5" << "Support: ";
    QTest::newRow("mail button") << "toolButton2" << "support@kestrant.example";
    QTest::newRow("web button") << "toolButton1" << "https://www.kestrant.example/           ";
    QTest::newRow("ok") << "pushButton1" << "OK";
    QTest::newRow("licence") << "lblLicense"
                             << "Free software under the GNU General Public License, version 3 or "
                                "later (GPL-3.0-or-later). It comes with no warranty.";
}

void TestAboutDlg::texts()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    AboutDlg dialog;
    QWidget *widget = dialog.findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->property("text").toString(), text);
}

void TestAboutDlg::labelsStandBesideTheirButtons()
{
    AboutDlg dialog;
    const auto pairOf = [&](const char *layoutName) {
        auto *row = dialog.findChild<QHBoxLayout *>(QLatin1String(layoutName));
        return row && row->count() == 2 ? QStringList{row->itemAt(0)->widget()->objectName(),
                                                      row->itemAt(1)->widget()->objectName()}
                                        : QStringList();
    };
    QCOMPARE(pairOf("horizontalLayout_3"), (QStringList{"textLabel4", "toolButton2"}));
    QCOMPARE(pairOf("horizontalLayout_2"), (QStringList{"textLabel5", "toolButton1"}));

    auto *buttons = dialog.findChild<QHBoxLayout *>(QStringLiteral("horizontalLayout"));
    QVERIFY(buttons);
    QCOMPARE(buttons->count(), 3);
    QVERIFY(buttons->itemAt(0)->spacerItem());
    QCOMPARE(buttons->itemAt(1)->widget()->objectName(), QStringLiteral("pushButton1"));
    QVERIFY(buttons->itemAt(2)->spacerItem());
}

void TestAboutDlg::linksGoToTheDesktop()
{
    AboutDlg dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog, HangGuardMs));

    QTest::mouseClick(child<QToolButton>(dialog, "toolButton1"), Qt::LeftButton);
    QTest::mouseClick(child<QToolButton>(dialog, "toolButton2"), Qt::LeftButton);
    // The blanks that pad the web button's text are not part of the address.
    QCOMPARE(m_catcher.urls, (QList<QUrl>{QUrl(QStringLiteral("https://www.kestrant.example/")),
                                          QUrl(QStringLiteral("mailto:support@kestrant.example"))}));
    QVERIFY(dialog.isVisible());
}

void TestAboutDlg::unopenedLinkShowsItsAddress_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QString>("address");

    QTest::newRow("web") << "toolButton1" << "https" << "https://www.kestrant.example/";
    QTest::newRow("mail") << "toolButton2" << "mailto" << "support@kestrant.example";
}

void TestAboutDlg::unopenedLinkShowsItsAddress()
{
    QFETCH(QString, button);
    QFETCH(QString, scheme);
    QFETCH(QString, address);

    // Without a handler the offscreen desktop opens nothing, as a desktop without a browser
    // or mail program would.
    QDesktopServices::unsetUrlHandler(scheme);
    AboutDlg dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(dialog.findChild<QToolButton *>(button), Qt::LeftButton);
    QDesktopServices::setUrlHandler(scheme, &m_catcher, "open");
    auto *box = OpenDialog::top<QMessageBox>();
    QVERIFY(box);
    QCOMPARE(box->parentWidget(), static_cast<QWidget *>(&dialog));
    QVERIFY2(box->text().endsWith(QLatin1Char('\n') + address), qPrintable(box->text()));
    QVERIFY(box->textInteractionFlags() & Qt::TextSelectableByMouse);
    box->accept();
    QVERIFY(dialog.isVisible());
}

void TestAboutDlg::okCloses()
{
    AboutDlg dialog;
    dialog.open();
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("pushButton1")),
                      Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!dialog.isVisible());
    QVERIFY(m_catcher.urls.isEmpty());
}

void TestAboutDlg::freshDialogEachOpening()
{
    Framescope window{QString()};
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window, HangGuardMs));

    for (int opening = 0; opening < 2; ++opening) {
        FramescopeProbe::ui(window).actionAbout->trigger();
        QPointer<AboutDlg> seen = OpenDialog::top<AboutDlg>();
        QVERIFY(seen);
        // It blocks the whole application, as it has no window of its own to block.
        QCOMPARE(seen->windowModality(), Qt::ApplicationModal);
        // Asked for again while open, it is not opened a second time.
        FramescopeProbe::ui(window).actionAbout->trigger();
        QCOMPARE(OpenDialog::top<AboutDlg>(), seen.data());
        QLabel *label = seen->findChild<QLabel *>(QStringLiteral("lblVersion"));
        QCOMPARE(label->text(), QStringLiteral("Version " FRAMESCOPE_VERSION));
        // Anything changed now must not show at the next opening.
        label->setText(QStringLiteral("changed"));
        QTest::mouseClick(seen->findChild<QPushButton *>(QStringLiteral("pushButton1")),
                          Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(seen.isNull(), HangGuardMs); // deleted once closed
    }
}

QTEST_MAIN(TestAboutDlg)
#include "tst_aboutdlg.moc"
