// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/colors/colordlg.h"

#include "framescopeprobe.h"
#include "opendialog.h"
#include "testenv.h"

#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <csignal>
#include <memory>

#include <sys/resource.h>

using Korvex::ColorDlg;

namespace {

const QByteArray WorkingCopy3G = "Data Channel A;0;0;0;255;255;0\r\n"
                                 "Data Channel B;10;20;30;40;50;60\n"
                                 "Interface Control;255;255;255;0;0;160\n";
const QByteArray WorkingCopyV4 = "not impl;1;1;1;200;200;200\n";
const QByteArray Defaults3G = "Data Channel A;1;2;3;4;5;6\nReserved;7;8;9;10;11;12\n";
const QByteArray DefaultsV4 = "not impl;9;9;9;90;90;90\n";

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QStringList itemTexts(const QListWidget *list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

QString sheet(const char *name)
{
    return QStringLiteral("background-color: %1").arg(QLatin1String(name));
}

// The colour chooser that the click before opened, or null.
QColorDialog *openChooser()
{
    return OpenDialog::top<QColorDialog>();
}

// Answers a chooser with color, or cancels it when color is invalid.
void answer(QColorDialog *chooser, const QColor &color)
{
    if (color.isValid()) {
        chooser->setCurrentColor(color);
        chooser->accept();
    } else {
        chooser->reject();
    }
}

// Clicks button and answers the chooser it opens with color.
bool choose(QPushButton *button, const QColor &color)
{
    button->click();
    QColorDialog *chooser = openChooser();
    if (!chooser)
        return false;
    answer(chooser, color);
    return true;
}

} // namespace

/// The colour dialog driven through its widgets, and the window's colour action.
class TestColorDlg : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void form();
    void constructionLoadsBothTables();
    void lookupsAddNothing();
    void missingFilesShowErrorBoxes();
    void missingV4DefaultsShowOneBox();
    void chosenColourIsLiveAndSaved_data();
    void chosenColourIsLiveAndSaved();
    void cancelledChooserChangesNothing();
    void reloadDropsChanges();
    void defaultsThenCancelOrOk_data();
    void defaultsThenCancelOrOk();
    void switchingVersions();
    void styleSheetsAndHighlight();
    void emptyV4Table();
    void failedSaveKeepsPreviousFile_data();
    void failedSaveKeepsPreviousFile();
    void showColorDlgFromWindow_data();
    void showColorDlgFromWindow();

private:
    struct Box
    {
        QString title;
        QString text;
        QWidget *parent;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
    };

    void installFiles(const QByteArray &lst3G, const QByteArray &lstV4, const QByteArray &def3G,
                      const QByteArray &defV4);
    QList<Box> takeBoxes();
    QString file(const char *name) const { return env->dataFolder() + QLatin1String(name); }
    template<typename T>
    static T *child(const ColorDlg &dlg, const char *name)
    {
        return dlg.findChild<T *>(QLatin1String(name));
    }

    std::unique_ptr<TestEnv> env;
};

void TestColorDlg::init()
{
    env = std::make_unique<TestEnv>();
    installFiles(WorkingCopy3G, WorkingCopyV4, Defaults3G, DefaultsV4);
}

void TestColorDlg::cleanup()
{
    // A message box that a test did not expect fails it.
    const int left = OpenDialog::closeAll();
    env.reset();
    QCOMPARE(left, 0);
}

void TestColorDlg::installFiles(const QByteArray &lst3G, const QByteArray &lstV4,
                                const QByteArray &def3G, const QByteArray &defV4)
{
    writeFile(file("colors3G.lst"), lst3G);
    writeFile(file("colorsV4.lst"), lstV4);
    writeFile(file("colors3G.def"), def3G);
    writeFile(file("colorsV4.def"), defV4);
}

// Notes and answers the message boxes open, in the order they opened: the last one is on top.
QList<TestColorDlg::Box> TestColorDlg::takeBoxes()
{
    QList<Box> boxes;
    while (auto *box = OpenDialog::top<QMessageBox>()) {
        boxes.prepend(Box{box->windowTitle(), box->text(), box->parentWidget(), box->icon(),
                          box->standardButtons()});
        box->done(QMessageBox::Ok);
    }
    return boxes;
}

void TestColorDlg::form()
{
    ColorDlg dlg;
    QCOMPARE(dlg.objectName(), QString("ColorDlg"));
    QCOMPARE(dlg.windowTitle(), QString("Frame colors"));
    QCOMPARE(dlg.windowModality(), Qt::ApplicationModal);
    QCOMPARE(dlg.size(), QSize(400, 354));
    QVERIFY(!dlg.parentWidget());
    QVERIFY(!dlg.isVisible());
    const QList<QSize> iconSizes = dlg.windowIcon().availableSizes();
    for (int side : {16, 32, 48})
        QVERIFY2(iconSizes.contains(QSize(side, side)), qPrintable(QString::number(side)));

    auto *label = child<QLabel>(dlg, "label");
    auto *version = child<QComboBox>(dlg, "cbVersion");
    QVERIFY(label && version);
    QCOMPARE(label->text(), QString("Protocol Version"));
    QCOMPARE(label->buddy(), version);
    QCOMPARE(version->count(), 2);
    QCOMPARE(version->itemText(0), QString("DigRF 3G"));
    QCOMPARE(version->itemText(1), QString("DigRF v4"));
    QCOMPARE(version->currentIndex(), 0);
    QVERIFY(child<QListWidget>(dlg, "lstColors"));

    auto *defaults = child<QPushButton>(dlg, "pushButton_2");
    QVERIFY(defaults);
    QCOMPARE(defaults->text(), QString("Set To Default"));
    const QList<std::pair<const char *, const char *>> buddies = {
        {"label_2", "btnTextColor"}, {"label_3", "btnBgColor"}};
    const QStringList labelTexts = {"Text Color", "Background Color"};
    for (int i = 0; i < buddies.size(); ++i) {
        auto *buddyLabel = child<QLabel>(dlg, buddies.at(i).first);
        auto *button = child<QPushButton>(dlg, buddies.at(i).second);
        QVERIFY(buddyLabel && button);
        QCOMPARE(buddyLabel->text(), labelTexts.at(i));
        QCOMPARE(buddyLabel->buddy(), button);
        QCOMPARE(button->text(), QString());
    }

    auto *buttons = child<QDialogButtonBox>(dlg, "buttonBox");
    QVERIFY(buttons);
    QCOMPARE(buttons->orientation(), Qt::Vertical);
    QCOMPARE(buttons->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(buttons->sizePolicy().horizontalPolicy(), QSizePolicy::Preferred);
    QCOMPARE(buttons->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);

    // OK and Cancel end the dialog with their results.
    for (const auto button : {QDialogButtonBox::Ok, QDialogButtonBox::Cancel}) {
        dlg.open();
        buttons->button(button)->click();
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(button == QDialogButtonBox::Ok ? QDialog::Accepted
                                                                   : QDialog::Rejected));
    }
}

void TestColorDlg::constructionLoadsBothTables()
{
    ColorDlg dlg;
    QCOMPARE(dlg.textColor(0, "Data Channel A"), QColor(0, 0, 0));
    QCOMPARE(dlg.bgColor(0, "Data Channel A"), QColor(255, 255, 0));
    QCOMPARE(dlg.textColor(0, "Data Channel B"), QColor(10, 20, 30));
    QCOMPARE(dlg.bgColor(0, "Interface Control"), QColor(0, 0, 160));
    QCOMPARE(dlg.bgColor(1, "not impl"), QColor(200, 200, 200));
    QCOMPARE(dlg.bgColor(2, "not impl"), QColor(200, 200, 200));
    // Each version has its own table; the defaults are not read at start-up.
    QVERIFY(!dlg.bgColor(0, "not impl").isValid());
    QVERIFY(!dlg.bgColor(1, "Data Channel A").isValid());
    QVERIFY(!dlg.textColor(0, "Reserved").isValid());

    auto *list = child<QListWidget>(dlg, "lstColors");
    QCOMPARE(itemTexts(list),
             (QStringList{"Data Channel A", "Data Channel B", "Interface Control"}));
    QCOMPARE(list->currentRow(), 0);
    QCOMPARE(list->item(1)->foreground().color(), QColor(10, 20, 30));
    QCOMPARE(list->item(1)->background().color(), QColor(40, 50, 60));
    QCOMPARE(child<QPushButton>(dlg, "btnTextColor")->styleSheet(), sheet("#000000"));
    QCOMPARE(child<QPushButton>(dlg, "btnBgColor")->styleSheet(), sheet("#ffff00"));
}

void TestColorDlg::lookupsAddNothing()
{
    ColorDlg dlg;
    QVERIFY(!dlg.textColor(0, "Data Channel Z").isValid());
    QVERIFY(!dlg.bgColor(1, "Data Channel Z").isValid());
    QVERIFY(!dlg.bgColor(0, "data channel a").isValid());

    dlg.fillColorList(0);
    QCOMPARE(child<QListWidget>(dlg, "lstColors")->count(), 3);
    dlg.saveAllColors();
    QVERIFY(!readAll(file("colors3G.lst")).contains("Data Channel Z"));
    QVERIFY(!readAll(file("colorsV4.lst")).contains("Data Channel Z"));
}

void TestColorDlg::missingFilesShowErrorBoxes()
{
    env = std::make_unique<TestEnv>(false);
    auto dlg = std::make_unique<ColorDlg>();

    QList<Box> seen = takeBoxes();
    QCOMPARE(seen.size(), 2);
    const QStringList names = {"colors3G.lst", "colorsV4.lst"};
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(seen.at(i).title, QString("Error loading colors!"));
        QCOMPARE(seen.at(i).text, QString("Cannot open file %1!").arg(env->dataFolder() + names.at(i)));
        QCOMPARE(seen.at(i).parent, static_cast<QWidget *>(dlg.get()));
        QCOMPARE(seen.at(i).icon, QMessageBox::Critical);
        QCOMPARE(seen.at(i).buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
    QCOMPARE(child<QListWidget>(*dlg, "lstColors")->count(), 0);
    QVERIFY(!dlg->bgColor(0, "Data Channel A").isValid());

    dlg->saveAllColors();
    seen = takeBoxes();
    QCOMPARE(seen.size(), 2);
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(seen.at(i).title, QString("Error saving colors!"));
        QCOMPARE(seen.at(i).text, QString("Cannot open file %1!").arg(env->dataFolder() + names.at(i)));
        QCOMPARE(seen.at(i).parent, static_cast<QWidget *>(dlg.get()));
    }
    // The program never makes the folder itself.
    QVERIFY(!QFileInfo::exists(env->dataFolder()));

    child<QPushButton>(*dlg, "pushButton_2")->click();
    seen = takeBoxes();
    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen.at(0).text, QString("Cannot open file %1!").arg(env->dataFolder() + "colors3G.def"));
    QCOMPARE(seen.at(1).text, QString("Cannot open file %1!").arg(env->dataFolder() + "colorsV4.def"));
}

void TestColorDlg::missingV4DefaultsShowOneBox()
{
    ColorDlg dlg;
    QVERIFY(QFile::remove(file("colorsV4.def")));
    child<QPushButton>(dlg, "pushButton_2")->click();

    const QList<Box> seen = takeBoxes();
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.at(0).title, QString("Error loading colors!"));
    QCOMPARE(seen.at(0).text, QString("Cannot open file %1!").arg(file("colorsV4.def")));
    QVERIFY(!dlg.bgColor(1, "not impl").isValid());
    QCOMPARE(dlg.bgColor(0, "Reserved"), QColor(10, 11, 12));
    QCOMPARE(itemTexts(child<QListWidget>(dlg, "lstColors")),
             (QStringList{"Data Channel A", "Reserved"}));
}

void TestColorDlg::chosenColourIsLiveAndSaved_data()
{
    QTest::addColumn<bool>("background");
    QTest::newRow("text colour") << false;
    QTest::newRow("background colour") << true;
}

void TestColorDlg::chosenColourIsLiveAndSaved()
{
    QFETCH(bool, background);
    ColorDlg dlg;
    auto *list = child<QListWidget>(dlg, "lstColors");
    auto *button = child<QPushButton>(dlg, background ? "btnBgColor" : "btnTextColor");
    auto *other = child<QPushButton>(dlg, background ? "btnTextColor" : "btnBgColor");
    list->setCurrentRow(1);
    const QString otherSheet = other->styleSheet();

    button->click();
    QColorDialog *chooser = openChooser();
    QVERIFY(chooser);
    QCOMPARE(chooser->currentColor(), background ? QColor(40, 50, 60) : QColor(10, 20, 30));
    // Nothing changes while the chooser is open.
    QCOMPARE(button->styleSheet(), sheet(background ? "#28323c" : "#0a141e"));
    answer(chooser, QColor(1, 2, 3));

    // The table the lookups read has changed at once; the other colour is untouched.
    const QColor chosen(1, 2, 3);
    QCOMPARE(background ? dlg.bgColor(0, "Data Channel B") : dlg.textColor(0, "Data Channel B"), chosen);
    QCOMPARE(background ? dlg.textColor(0, "Data Channel B") : dlg.bgColor(0, "Data Channel B"),
             background ? QColor(10, 20, 30) : QColor(40, 50, 60));
    QCOMPARE(button->styleSheet(), sheet("#010203"));
    QCOMPARE(other->styleSheet(), otherSheet);
    QListWidgetItem *item = list->item(1);
    QCOMPARE(background ? item->background().color() : item->foreground().color(), chosen);
    const QPalette palette = list->palette();
    QCOMPARE(palette.color(QPalette::Active, background ? QPalette::Highlight : QPalette::HighlightedText),
             chosen);
    QCOMPARE(palette.color(QPalette::Inactive, background ? QPalette::HighlightedText : QPalette::Highlight),
             background ? QColor(10, 20, 30) : QColor(40, 50, 60));
    QCOMPARE(readAll(file("colors3G.lst")), WorkingCopy3G);

    dlg.saveAllColors();
    const QByteArray line = background ? "Data Channel B;10;20;30;1;2;3\n" : "Data Channel B;1;2;3;40;50;60\n";
    QCOMPARE(readAll(file("colors3G.lst")),
             "Data Channel A;0;0;0;255;255;0\n" + line + "Interface Control;255;255;255;0;0;160\n");
    QCOMPARE(readAll(file("colorsV4.lst")), WorkingCopyV4);

    // What was saved is what the next start shows.
    ColorDlg next;
    QCOMPARE(background ? next.bgColor(0, "Data Channel B") : next.textColor(0, "Data Channel B"), chosen);
}

void TestColorDlg::cancelledChooserChangesNothing()
{
    ColorDlg dlg;
    auto *list = child<QListWidget>(dlg, "lstColors");
    list->setCurrentRow(2);
    const QPalette palette = list->palette();
    for (const char *name : {"btnTextColor", "btnBgColor"}) {
        auto *button = child<QPushButton>(dlg, name);
        const QString before = button->styleSheet();
        QVERIFY(choose(button, QColor()));
        QCOMPARE(button->styleSheet(), before);
    }
    QCOMPARE(dlg.textColor(0, "Interface Control"), QColor(255, 255, 255));
    QCOMPARE(dlg.bgColor(0, "Interface Control"), QColor(0, 0, 160));
    QCOMPARE(list->item(2)->foreground().color(), QColor(255, 255, 255));
    QCOMPARE(list->item(2)->background().color(), QColor(0, 0, 160));
    QCOMPARE(list->palette().color(QPalette::Active, QPalette::Highlight),
             palette.color(QPalette::Active, QPalette::Highlight));
}

void TestColorDlg::reloadDropsChanges()
{
    ColorDlg dlg;
    auto *list = child<QListWidget>(dlg, "lstColors");
    list->setCurrentRow(1);
    QVERIFY(choose(child<QPushButton>(dlg, "btnBgColor"), QColor(9, 8, 7)));
    QCOMPARE(dlg.bgColor(0, "Data Channel B"), QColor(9, 8, 7));

    dlg.reloadColors();
    QCOMPARE(dlg.bgColor(0, "Data Channel B"), QColor(40, 50, 60));
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->currentRow(), 0);
    QCOMPARE(list->item(1)->background().color(), QColor(40, 50, 60));
    QCOMPARE(child<QPushButton>(dlg, "btnBgColor")->styleSheet(), sheet("#ffff00"));
    QCOMPARE(readAll(file("colors3G.lst")), WorkingCopy3G);
}

void TestColorDlg::defaultsThenCancelOrOk_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("cancel") << false;
    QTest::newRow("OK") << true;
}

void TestColorDlg::defaultsThenCancelOrOk()
{
    QFETCH(bool, accept);
    ColorDlg dlg;
    auto *list = child<QListWidget>(dlg, "lstColors");
    child<QPushButton>(dlg, "pushButton_2")->click();
    QCOMPARE(itemTexts(list), (QStringList{"Data Channel A", "Reserved"}));
    QCOMPARE(list->currentRow(), 0);
    QCOMPARE(dlg.bgColor(0, "Data Channel A"), QColor(4, 5, 6));
    QCOMPARE(dlg.bgColor(1, "not impl"), QColor(90, 90, 90));
    QVERIFY(!dlg.bgColor(0, "Data Channel B").isValid());

    if (accept) {
        dlg.saveAllColors();
        QCOMPARE(readAll(file("colors3G.lst")), Defaults3G);
        QCOMPARE(readAll(file("colorsV4.lst")), DefaultsV4);
    } else {
        dlg.reloadColors();
        QCOMPARE(dlg.bgColor(0, "Data Channel A"), QColor(255, 255, 0));
        QCOMPARE(dlg.bgColor(1, "not impl"), QColor(200, 200, 200));
        QCOMPARE(itemTexts(list), (QStringList{"Data Channel A", "Data Channel B", "Interface Control"}));
        QCOMPARE(readAll(file("colors3G.lst")), WorkingCopy3G);
    }
    // The defaults are only ever read.
    QCOMPARE(readAll(file("colors3G.def")), Defaults3G);
}

void TestColorDlg::switchingVersions()
{
    ColorDlg dlg;
    auto *list = child<QListWidget>(dlg, "lstColors");
    auto *version = child<QComboBox>(dlg, "cbVersion");
    version->setCurrentIndex(1);
    QCOMPARE(itemTexts(list), QStringList{"not impl"});
    QCOMPARE(list->currentRow(), 0);
    QCOMPARE(child<QPushButton>(dlg, "btnBgColor")->styleSheet(), sheet("#c8c8c8"));

    // The chooser now edits the v4 table.
    QVERIFY(choose(child<QPushButton>(dlg, "btnBgColor"), QColor(0, 128, 255)));
    QCOMPARE(dlg.bgColor(1, "not impl"), QColor(0, 128, 255));
    QVERIFY(!dlg.bgColor(0, "not impl").isValid());

    // A reload keeps showing the chosen version.
    dlg.reloadColors();
    QCOMPARE(itemTexts(list), QStringList{"not impl"});
    QVERIFY(choose(child<QPushButton>(dlg, "btnBgColor"), QColor(0, 128, 255)));

    version->setCurrentIndex(0);
    QCOMPARE(list->count(), 3);
    dlg.saveAllColors();
    QCOMPARE(readAll(file("colorsV4.lst")), QByteArray("not impl;1;1;1;0;128;255\n"));
    QCOMPARE(readAll(file("colors3G.lst")), QByteArray(WorkingCopy3G).replace("\r\n", "\n"));
}

void TestColorDlg::styleSheetsAndHighlight()
{
    installFiles("Broken;256;0;0;1;2;300\nRed;0;0;255;255;0;0\n", "", Defaults3G, DefaultsV4);
    ColorDlg dlg;
    auto *list = child<QListWidget>(dlg, "lstColors");
    auto *text = child<QPushButton>(dlg, "btnTextColor");
    auto *bg = child<QPushButton>(dlg, "btnBgColor");
    list->setCurrentRow(1);
    QCOMPARE(text->styleSheet(), sheet("#0000ff"));
    QCOMPARE(bg->styleSheet(), sheet("#ff0000"));
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        QCOMPARE(list->palette().color(group, QPalette::Highlight), QColor(Qt::red));
        QCOMPARE(list->palette().color(group, QPalette::HighlightedText), QColor(Qt::blue));
    }

    // Without a colour the button shows black and the list keeps its own colours.
    list->setCurrentRow(0);
    QCOMPARE(text->styleSheet(), sheet("#000000"));
    QCOMPARE(bg->styleSheet(), sheet("#000000"));
    QVERIFY(!list->item(0)->data(Qt::ForegroundRole).isValid());
    QVERIFY(!list->item(0)->data(Qt::BackgroundRole).isValid());
    const QPalette system = QApplication::palette(list);
    QCOMPARE(list->palette().color(QPalette::Active, QPalette::Highlight),
             system.color(QPalette::Active, QPalette::Highlight));
    QCOMPARE(list->palette().color(QPalette::Active, QPalette::HighlightedText),
             system.color(QPalette::Active, QPalette::HighlightedText));

    // A chosen colour gives a colourless entry its colour.
    QVERIFY(choose(bg, QColor(0, 255, 0)));
    QCOMPARE(list->item(0)->background().color(), QColor(0, 255, 0));
    QCOMPARE(list->palette().color(QPalette::Active, QPalette::Highlight), QColor(0, 255, 0));
    dlg.saveAllColors();
    QCOMPARE(readAll(file("colors3G.lst")), QByteArray("Broken;0;0;0;0;255;0\nRed;0;0;255;255;0;0\n"));
}

void TestColorDlg::emptyV4Table()
{
    ColorDlg dlg;
    writeFile(file("colorsV4.lst"), "");
    dlg.reloadColors();
    auto *list = child<QListWidget>(dlg, "lstColors");
    auto *text = child<QPushButton>(dlg, "btnTextColor");
    auto *bg = child<QPushButton>(dlg, "btnBgColor");
    const QString textSheet = text->styleSheet();
    const QString bgSheet = bg->styleSheet();

    child<QComboBox>(dlg, "cbVersion")->setCurrentIndex(1);
    QCOMPARE(list->count(), 0);
    QCOMPARE(text->styleSheet(), textSheet);
    QCOMPARE(bg->styleSheet(), bgSheet);

    // Without an entry there is nothing to choose a colour for.
    text->click();
    QVERIFY(!openChooser());
    bg->click();
    QVERIFY(!openChooser());
    QCOMPARE(list->count(), 0);

    dlg.saveAllColors();
    QCOMPARE(readAll(file("colorsV4.lst")), QByteArray());
}

void TestColorDlg::failedSaveKeepsPreviousFile_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::newRow("folder in place of the file") << "folder";
    QTest::newRow("read-only folder") << "read-only";
    QTest::newRow("write fails midway") << "size limit";
}

void TestColorDlg::failedSaveKeepsPreviousFile()
{
    QFETCH(QString, obstacle);
    ColorDlg dlg;
    child<QListWidget>(dlg, "lstColors")->setCurrentRow(0);
    QVERIFY(choose(child<QPushButton>(dlg, "btnTextColor"), QColor(7, 7, 7)));
    child<QComboBox>(dlg, "cbVersion")->setCurrentIndex(1);
    QVERIFY(choose(child<QPushButton>(dlg, "btnTextColor"), QColor(8, 8, 8)));
    const QByteArray changedV4("not impl;8;8;8;200;200;200\n");

    const QString folder = env->dataFolder();
    // Only the 3G working copy is longer than the size limit.
    QStringList failing{"colors3G.lst"};
    if (obstacle == "read-only") {
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        QFile probe(folder + "probe");
        if (probe.open(QIODevice::WriteOnly)) {
            probe.remove();
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QSKIP("This user may write into read-only folders");
        }
        failing << "colorsV4.lst";
    } else if (obstacle == "folder") {
        QVERIFY(QFile::remove(file("colors3G.lst")));
        QVERIFY(QDir().mkpath(file("colors3G.lst")));
    }

    if (obstacle == "size limit") {
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = 40;
        setrlimit(RLIMIT_FSIZE, &limited);
        dlg.saveAllColors();
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
    } else {
        dlg.saveAllColors();
    }
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const QList<Box> seen = takeBoxes();
    QCOMPARE(seen.size(), failing.size());
    for (int i = 0; i < seen.size(); ++i) {
        QCOMPARE(seen.at(i).title, QString("Error saving colors!"));
        QCOMPARE(seen.at(i).text, QString("Cannot open file %1!").arg(folder + failing.at(i)));
        QCOMPARE(seen.at(i).parent, static_cast<QWidget *>(&dlg));
    }
    if (obstacle == "folder")
        QVERIFY(QFileInfo(file("colors3G.lst")).isDir());
    else
        QCOMPARE(readAll(file("colors3G.lst")), WorkingCopy3G);
    // The table keeps the unsaved colour; the other version was saved as usual.
    QCOMPARE(dlg.textColor(0, "Data Channel A"), QColor(7, 7, 7));
    QCOMPARE(readAll(file("colorsV4.lst")), failing.size() == 2 ? WorkingCopyV4 : changedV4);
    QCOMPARE(QDir(folder).entryList(QDir::Files).size(), obstacle == "folder" ? 3 : 4);
}

void TestColorDlg::showColorDlgFromWindow_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("Cancel") << false;
    QTest::newRow("OK") << true;
}

void TestColorDlg::showColorDlgFromWindow()
{
    QFETCH(bool, accept);
    Korvex::Framescope window(QString{});
    ColorDlg *dlg = Korvex::FramescopeProbe::colorDlg(window);
    QVERIFY(dlg);
    QVERIFY(!dlg->isVisible());

    Korvex::FramescopeProbe::ui(window).actionColors->trigger();
    QCOMPARE(OpenDialog::top<ColorDlg>(), dlg);
    // Asked again while open, the same dialog stays the one shown.
    Korvex::FramescopeProbe::ui(window).actionColors->trigger();
    QCOMPARE(OpenDialog::top<ColorDlg>(), dlg);
    // "Set To Default" inside the open dialog, then OK or Cancel.
    child<QPushButton>(*dlg, "pushButton_2")->click();
    auto *buttons = child<QDialogButtonBox>(*dlg, "buttonBox");
    buttons->button(accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
    QVERIFY(!dlg->isVisible());
    if (accept) {
        QCOMPARE(readAll(file("colors3G.lst")), Defaults3G);
        QCOMPARE(readAll(file("colorsV4.lst")), DefaultsV4);
        QCOMPARE(dlg->bgColor(0, "Data Channel A"), QColor(4, 5, 6));
    } else {
        QCOMPARE(readAll(file("colors3G.lst")), WorkingCopy3G);
        QCOMPARE(readAll(file("colorsV4.lst")), WorkingCopyV4);
        QCOMPARE(dlg->bgColor(0, "Data Channel A"), QColor(255, 255, 0));
        QCOMPARE(dlg->bgColor(1, "not impl"), QColor(200, 200, 200));
        QCOMPARE(child<QListWidget>(*dlg, "lstColors")->count(), 3);
    }
}

QTEST_MAIN(TestColorDlg)
#include "tst_colordlg.moc"
