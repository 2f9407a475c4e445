// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "viewer/views/logmodel.h"
#include "viewer/colors/colordlg.h"
#include "core/colors/defaultcolorfiles.h"
#include "core/files/capture.h"
#include "core/files/userdatafolder.h"
#include "core/session/capturesession.h"
#include "viewer/stats/chartswindow.h"
#include "viewer/stats/statisticswindow.h"
#include "core/text/numbertext.h"
#include "viewer/views/elidedlabel.h"
#include "viewer/views/filterbar.h"
#include "viewer/views/findbar.h"
#include "viewer/views/frametablemodel.h"
#include "viewer/views/marksdlg.h"
#include "viewer/views/payloadhighlighter.h"

#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTreeWidget>

namespace Korvex {

Framescope::Framescope(const QString &fileName, QWidget *parent, Qt::WindowFlags flags)
    : QMainWindow(parent)
{
    Q_UNUSED(flags);
    settings = new QSettings(QStringLiteral("Kestrant"), QStringLiteral("Framescope"));
    session = new CaptureSession(this);
    ui.setupUi(this);
    logModel = new LogModel(this);
    ui.txtLog->setModel(logModel);
    connect(ui.txtLog, &LogView::copyLimited, this, [this](qint64 copied, qint64 selected) {
        statusBar()->showMessage(tr("Copied the first %1 of %2 selected log lines.")
                                     .arg(NumberText::grouped(copied), NumberText::grouped(selected)),
                                 10000);
    });

    connect(ui.actionOpen_File, &QAction::triggered, this, &Framescope::openFile);
    connect(ui.actionReload, &QAction::triggered, this, &Framescope::reloadFile);
    connect(ui.actionFileSave, &QAction::triggered, this, &Framescope::saveFile);
    connect(ui.actionFind, &QAction::triggered, this, &Framescope::findFrame);
    connect(ui.actionExit, &QAction::triggered, this, &Framescope::close);
    connect(ui.actionGoFirst, &QAction::triggered, this, &Framescope::goFirstFrame);
    connect(ui.actionGoPrev, &QAction::triggered, this, &Framescope::goPrevFrame);
    connect(ui.actionGoNext, &QAction::triggered, this, &Framescope::goNextFrame);
    connect(ui.actionGoLast, &QAction::triggered, this, &Framescope::goLastFrame);
    connect(ui.actionAbout, &QAction::triggered, this, &Framescope::showAboutDlg);
    connect(ui.actionPrint, &QAction::triggered, this, &Framescope::showPrintDlg);
    connect(ui.actionColors, &QAction::triggered, this, &Framescope::showColorDlg);
    connect(ui.actionDisable_Colors, &QAction::triggered, this, &Framescope::setColorMode);
    connect(ui.actionShortcuts, &QAction::triggered, this, &Framescope::showShortcutsDlg);
    setUpShortcuts();
    connect(ui.actionSearch, &QAction::triggered, this, &Framescope::showFind);
    connect(ui.actionFindNext, &QAction::triggered, this, &Framescope::findNext);
    connect(ui.actionFindPrevious, &QAction::triggered, this, &Framescope::findPrevious);
    connect(ui.actionMark, &QAction::triggered, this, &Framescope::toggleMarks);
    connect(ui.actionMarkNote, &QAction::triggered, this, &Framescope::editMarkNote);
    connect(ui.actionNextMark, &QAction::triggered, this, &Framescope::goNextMark);
    connect(ui.actionPrevMark, &QAction::triggered, this, &Framescope::goPrevMark);
    connect(ui.actionUnmarkAll, &QAction::triggered, this, &Framescope::unmarkAll);
    connect(ui.actionExport, &QAction::triggered, this, &Framescope::exportFrames);
    connect(ui.actionCopy, &QAction::triggered, this, &Framescope::copyFrames);
    connect(ui.actionCopyDump, &QAction::triggered, this, &Framescope::copyDump);
    connect(ui.actionMarks, &QAction::triggered, this, &Framescope::showMarks);
    connect(ui.filterBar, &FilterBar::applyRequested, this, &Framescope::applyFilter);
    connect(ui.filterBar, &FilterBar::clearRequested, this, &Framescope::clearFilter);
    connect(ui.findBar, &FindBar::findRequested, this, &Framescope::runFind);
    connect(ui.actionLoadDefinitions, &QAction::triggered, this, &Framescope::loadDefinitions);
    connect(ui.actionUnloadDefinitions, &QAction::triggered, this, &Framescope::unloadDefinitions);
    connect(ui.actionFieldColumns, &QAction::triggered, this, &Framescope::showFieldColumnsDlg);

    // A user's first start, or a start after a colour file was deleted to go back to the
    // defaults, gets the shipped files before the colour dialog reads them.
    const QString colorFolder = userDataFolder();
    if (!colorFolder.isEmpty()) {
        const QStringList written = DefaultColorFiles::writeMissing(colorFolder);
        if (!written.isEmpty()) {
            appendLog(tr("Wrote the default colours into %1: %2.")
                          .arg(QDir::toNativeSeparators(colorFolder),
                               written.join(QStringLiteral(", "))),
                      LogModel::color(LogLevel::Info));
        }
    }
    colorDlg = new ColorDlg;
    colorDlg->hide();

    // The model follows the session before the window does: the window's handlers below find
    // it reset already.
    model = new FrameTableModel(*session, &colorDlg->scheme());
    ui.tblFrames->setModel(model);
    // Copy works while the table has the focus; the table's menu offers what its rows can do.
    ui.tblFrames->addAction(ui.actionCopy);
    ui.tblFrames->addAction(ui.actionMark);
    ui.tblFrames->addAction(ui.actionMarkNote);
    ui.tblFrames->addAction(ui.actionExport);
    ui.tblFrames->setContextMenuPolicy(Qt::ActionsContextMenu);
    ui.txtPayload->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui.txtPayload, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        QMenu *menu = ui.txtPayload->createStandardContextMenu(at);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->addAction(ui.actionCopyDump);
        menu->popup(ui.txtPayload->viewport()->mapToGlobal(at));
    });
    ui.tblFrames->setShownScrollBar(ui.sbFrames);
    // The table's current row and the session's current frame follow each other. New rows
    // reset the model, which drops the table's current row without reporting it: the window's
    // handlers put it back (the model, connected first, has been reset by then).
    connect(ui.tblFrames->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &Framescope::selectFrame);
    connect(session, &CaptureSession::currentFrameChanged, this, &Framescope::followCurrentFrame);
    connect(session, &CaptureSession::currentFrameChanged, this, &Framescope::showCurrentFrame);
    connect(session, &CaptureSession::captureChanged, this, &Framescope::captureChanged);
    connect(session, &CaptureSession::rowsChanged, this, &Framescope::rowsChanged);
    connect(session, &CaptureSession::framesAdded, this, &Framescope::framesJoined);
    connect(session, &CaptureSession::marksChanged, this, &Framescope::buildFramesScroller);
    connect(session, &CaptureSession::timeChanged, this, &Framescope::timeChanged);
    connect(session, &CaptureSession::marksFileNote, this,
            [this](const QString &line) { appendLog(line, Qt::darkYellow); });
    connect(session, &CaptureSession::marksNotKept, this, [this](const QString &error) {
        statusBar()->showMessage(tr("The marks could not be kept: %1").arg(error), 10000);
    });
    connect(session, &CaptureSession::fieldDefinitionsChanged, this,
            &Framescope::fieldDefinitionsChanged);
    connect(session, &CaptureSession::fieldColumnsChanged, this, &Framescope::fitFieldColumns);
    ui.tblFrames->horizontalHeader()->setStretchLastSection(true);
    ui.tblFrames->setWordWrap(false);
    // Tab leaves the table for the detail panel rather than stepping through its cells, and
    // passes over the strip, which has nothing for the keys.
    ui.tblFrames->setTabKeyNavigation(false);
    ui.gvFrames->setFocusPolicy(Qt::NoFocus);
    connect(ui.tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == 0)
            framesTabShown();
    });
    // Every reset of the model sets the columns back to the style's width.
    connect(model, &QAbstractItemModel::modelReset, this, &Framescope::fitColumnTitles);

    ui.txtPayload->setFont(QFont(QStringLiteral("Courier"), 10));
    highlighter = new PayloadHighlighter(ui.txtPayload->document());
    // The fields' tree scrolls rather than widening the panel.
    ui.trFields->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    connect(ui.trFields, &QTreeWidget::currentItemChanged, this, &Framescope::markFieldBytes);

    buildFramesScroller();
    setUpTimeDisplay();
    connect(ui.actionStatistics, &QAction::triggered, this, &Framescope::showStatistics);
    connect(ui.actionCharts, &QAction::triggered, this, &Framescope::showCharts);

    ui.tblFrames->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    connect(ui.tblFrames->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &Framescope::updateFramesScroller);

    ui.gvFrames->setScene(&scene);
    ui.gvFrames->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ui.gvFrames->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    // A stored value of the wrong type reads as an empty list rather than as garbage. Only a
    // real list counts: a string converts to a list too, of its single characters.
    const QVariant stored = settings->value(QStringLiteral("RecentFiles"), QVariantList());
    const bool isList = stored.typeId() == QMetaType::QVariantList
                        || stored.typeId() == QMetaType::QStringList;
    recentFiles = new QList<QVariant>(isList ? stored.toList() : QVariantList());
    rebuildRecentFilesMenu();

    // Long notes and frame texts are cut rather than widening the window.
    statusLabel = new ElidedLabel;
    statusLabel->setText(tr("No frame selected"));
    ui.statusbar->addWidget(statusLabel, 1);
    // The form's sample texts in the detail panel are for its designer; no frame shows yet.
    showNoFrame();

    ui.actionShowLogOnEveryLine->setChecked(
        settings->value(QStringLiteral("ShowLogOnEveryLine"), true).toBool());
    connect(ui.actionShowLogOnEveryLine, &QAction::toggled, this, [this](bool on) {
        settings->setValue(QStringLiteral("ShowLogOnEveryLine"), on);
    });

    fitTextToFont();
    // Height the window gains goes to the table; the panels below keep what they need.
    ui.splFrames->setStretchFactor(0, 1);
    ui.splFrames->setStretchFactor(1, 0);
    restoreWindowState();
    setAcceptDrops(true);
    setUpFollowing();
    shownLabel = new QLabel(ui.statusbar);
    ui.statusbar->addPermanentWidget(shownLabel);
    updateShownLabel();
    ui.filterBar->setSettings(settings);

    // The definitions chosen last; a capture's own file beside it takes their place.
    const QString definitions = settings->value(QStringLiteral("FieldDefinitions")).toString();
    if (!definitions.isEmpty()) {
        if (QFile::exists(definitions)) {
            readDefinitions(definitions, DefinitionsFrom::Remembered);
        } else {
            appendLog(tr("The field definitions %1 are not there; payloads are not decoded.")
                          .arg(QDir::toNativeSeparators(definitions)),
                      LogModel::color(LogLevel::Warning));
        }
    }

    if (!fileName.isEmpty() && QFile::exists(fileName))
        loadFile(fileName);
}

Framescope::~Framescope()
{
    // The windows' passes over the frames, and the table, let go of the session before it goes.
    delete statisticsWindow;
    delete chartsWindow;
    delete marksDlg;
    ui.tblFrames->setModel(nullptr);
    delete model;
    delete session;
    delete settings;
    delete highlighter;
    delete recentFiles;
    delete colorDlg;
    scene.clear();
}

void Framescope::appendLog(const QString &text, const QColor &color)
{
    logModel->append(text, color);
    bringLogForward(color == LogModel::color(LogLevel::Warning)
                    || color == LogModel::color(LogLevel::Error));
}

void Framescope::followLog(const std::shared_ptr<const LogLines> &log)
{
    bool problem = false;
    if (logModel->follow(log, &problem))
        bringLogForward(problem);
}

void Framescope::followLateLog(const std::shared_ptr<const LogLines> &log, const QString &line)
{
    if (logModel->follow(log))
        statusBar()->showMessage(line, 10000);
}

void Framescope::bringLogForward(bool problem)
{
    if (problem || ui.actionShowLogOnEveryLine->isChecked())
        ui.tabs->setCurrentIndex(1);
}

void Framescope::framesTabShown()
{
    if (session->rows().count() > 0)
        ui.tblFrames->setFocus(Qt::TabFocusReason);
}

void Framescope::resizeEvent(QResizeEvent *)
{
    buildFramesScroller();
}

} // namespace Korvex
