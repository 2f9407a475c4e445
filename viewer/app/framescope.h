// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_APP_FRAMESCOPE_H
#define VIEWER_APP_FRAMESCOPE_H

#include "viewer/app/taskdialog.h"
#include "core/export/frameexporter.h"
#include "core/filters/framesearch.h"
#include "ui_framescope.h"
#include "core/fields/fieldcolumns.h"
#include "core/text/timetext.h"
#include "core/files/capture.h"
#include "core/files/loglines.h"

#include <QGraphicsScene>
#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QModelIndex>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QVariant>

#include <atomic>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>
#include <optional>
#include <utility>
#include <vector>

QT_BEGIN_NAMESPACE
class QCloseEvent;
class QDataStream;
class QDragEnterEvent;
class QDropEvent;
class QFileSystemWatcher;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QResizeEvent;
class QSettings;
QT_END_NAMESPACE

namespace Korvex {

class CaptureSession;
class ChartsWindow;
class ColorDlg;
class FieldDefinitions;
class FrameRecord;
class FramePrinter;
class FrameTableModel;
class LogLines;
class LogModel;
class MarksDlg;
class PayloadHighlighter;
class PrintJob;
class PrintRows;
class ScrollTracker;
class StatisticsWindow;

/// The main window: owns the session (the capture on display and what is shown of it), the
/// view settings of the detail panel, the settings store, the table model, the colour dialog
/// and the frame scroller.
class Framescope : public QMainWindow
{
    Q_OBJECT

public:
    explicit Framescope(const QString &fileName, QWidget *parent = nullptr,
                        Qt::WindowFlags flags = Qt::WindowFlags());
    ~Framescope() override;

    /// One line in the log panel on a solid background of the given colour.
    void appendLog(const QString &text, const QColor &color);

    void loadFile(const QString &fileName);
    void rebuildRecentFilesMenu();
    /// Writes a capture of random frames, or with `traffic` of realistic traffic; false when
    /// the file could not be written completely.
    bool generateFrameFile(const QString &fileName, int protocolVersion, int frameCount,
                           bool traffic = false);
    void buildFramesScroller();
    double frameItemHeight() const;
    /// Shows times in the table's time column as the mode says, and remembers the mode.
    void setTimeMode(TimeMode mode);

public slots:
    void setHeaderBase(int index);
    void setPayloadBytesPerColumn(int index);
    void setPayloadCols(int value);
    void setPayloadByteOrder(int index);
    void selectFrame(QModelIndex current, QModelIndex previous);

private slots:
    /// Shows the log lines that a capture's readers on other threads handed over since.
    void takeLateLines();
    void openFile();
    /// Opens the capture on display again, as it now is in its file.
    void reloadFile();
    void saveFile();
    void findFrame();
    void goFirstFrame();
    void goPrevFrame();
    void goNextFrame();
    void goLastFrame();
    void showAboutDlg();
    void showPrintDlg();
    void showColorDlg();
    void setColorMode();
    void openRecentFile();
    void updateFramesScroller();
    void frameScrollerMoved();
    void showShortcutsDlg();
    void toggleTimeReference();
    void showStatistics();
    void showCharts();
    void applyFilter(const QString &text);
    void clearFilter();
    void showFind();
    void findNext();
    void findPrevious();
    void toggleMarks();
    void editMarkNote();
    void goNextMark();
    void goPrevMark();
    void unmarkAll();
    void exportFrames();
    void copyFrames();
    void copyDump();
    void loadDefinitions();
    void unloadDefinitions();
    void showFieldColumnsDlg();
    void showMarks();

protected:
    void resizeEvent(QResizeEvent *event) override;
    /// Keeps the window's geometry, the split between table and panels and the tab.
    void closeEvent(QCloseEvent *event) override;
    /// Sizes the text-bearing widgets anew when the window's font or style changes.
    void changeEvent(QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    /// Rebuilds the frame scroller when the strip was laid out anew without a window resize.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend struct FramescopeProbe;

    /// Shows the lines a capture's log gained in the log panel, bringing it to the front as
    /// appendLog does.
    void followLog(const std::shared_ptr<const LogLines> &log);
    /// A line a capture logged after its load (a frame found missing while shown): the log
    /// panel shows it, the status bar says it, and the tab on display stays.
    void followLateLog(const std::shared_ptr<const LogLines> &log, const QString &line);
    /// The Log comes to the front for a problem, and for any line while View > Show Log on
    /// Every Line is checked.
    void bringLogForward(bool problem);
    /// The Frames tab came to the front: the keys go to the table once it has frames.
    void framesTabShown();
    /// Shows the load's progress bar and Cancel button in the status bar, made at the first
    /// load.
    void showLoadProgress();
    /// A load ended (read whole, cut short, cancelled, or read as far as a growing file goes):
    /// what was read of its capture is shown, and a capture still being written is followed.
    void loadDone(std::shared_ptr<Capture> loaded, const QList<LogLines::Line> &closing);
    /// The frames the capture published since the last look join what is on display, and the
    /// log panel shows the lines written meanwhile.
    void takeLoadedFrames();
    /// Frames [from, to) joined the session: the table's columns fit the first ones, and a
    /// current frame on the last row moves on to the new last row.
    void framesJoined(qint64 from, qint64 to);
    /// View > Follow Capture as last chosen, the file watcher, the poll and the status bar's
    /// label of following.
    void setUpFollowing();
    /// Starts following the capture on display, whose file is still being written.
    void startFollowing(std::shared_ptr<Capture> capture);
    /// Reads what was written to the followed file since the last read, on the task runner;
    /// a read still running is followed by another once it ends.
    void followStep();
    /// The poll of the followed file's size: a read when it changed.
    void pollFollowed();
    /// A read of the followed file ended with `status`; `closing` is the tail of the log.
    void followStepDone(Capture::Status status, const QList<LogLines::Line> &closing);
    /// View > Follow Capture was turned on or off.
    void followToggled(bool on);
    /// Stops following without reading on (another file, Reload, the window closing, or a read
    /// that ended it): the log panel keeps the lines that end the capture's log as far as it
    /// was read.
    void dropFollowed();
    /// The status bar's "Following: N frames (+R frames/s)".
    void showFollowing();
    /// What a new capture (or none) changes beside the table: the columns' widths, the shown
    /// label, the filter bar's fields, the strip.
    void captureChanged();
    /// The rows shown changed: the shown label and the strip.
    void rowsChanged();
    /// The number of frames the table shows.
    qint64 shownFrames() const;
    /// The printout of these rows of the table, with the table's visible columns.
    std::unique_ptr<FramePrinter> framePrinter(const PrintRows &rows) const;
    /// Shows no frame: empty header fields, labels and dump, "No frame selected" in the status
    /// bar.
    void showNoFrame();
    void setUpShortcuts();
    void restoreWindowState();
    void saveWindowState() const;
    /// A first start, with no size stored: a window for the screen it is on, most of its height
    /// for the table.
    void sizeFirstWindow();
    /// Widens what the form sized in pixels where the font needs more room.
    void fitTextToFont();
    void fitColumnTitles();
    /// The View menu's time modes, the time reference action and the mode last chosen.
    void setUpTimeDisplay();
    /// Widens the time column to its title, which changes with the mode and the reference.
    void fitTimeColumn();
    /// The frame the overview strip stands for at a viewport position, or -1.
    qint64 scrollerFrameAt(QPoint position) const;
    /// A click on the overview strip beside the tracker: the frame there (or the nearest shown
    /// one) comes to the middle of the table and becomes current.
    void scrollerClicked(QPoint position);
    /// The number of frames the overview strip shows: all of them, shown or not.
    qint64 stripFrames() const;
    /// The session's current frame, or -1.
    qint64 currentFrame() const;
    /// The frames of the rows selected in the table (within its window), in order.
    std::vector<qint64> selectedFrames() const;
    /// Makes the frame's row current, or the nearest shown frame's, saying so in the status bar.
    void goToFrame(qint64 frame);
    /// goToFrame for a statistics or chart window, bringing the main window to the front.
    void showFrameOf(qint64 frame);
    /// Puts the table's current row on the session's current frame (none for none).
    void followCurrentFrame();
    /// Fills the detail panel with the session's current frame.
    void showCurrentFrame();
    /// The detail panel's time of the current frame, which also says what the time column
    /// shows of it.
    void showCurrentTime();
    void updateShownLabel();
    void runFind(bool forward);
    /// Says how an export into `fileName` ended.
    void exportDone(FrameExporter::Result result, qint64 count, qint64 missing,
                    const QString &fileName, const QString &error);
    /// Shows what a search over `rows` of `capture` found, unless the session shows others by
    /// now.
    void showFound(const FrameSearch::Result &result, const std::shared_ptr<const Capture> &capture,
                   const FilterExpression &expression, const FrameRows &rows, bool forward);
    /// The time mode's menu entry and the time column's width follow the session.
    void timeChanged();

    /// Why field definitions are read: chosen with Fields > Load Definitions, remembered from
    /// a run before, the file beside a capture just opened, or the file in force changed on disk.
    enum class DefinitionsFrom { Chosen, Remembered, Capture, Disk };
    /// Reads a definition file and, when it has no mistakes, decodes payloads with it, showing
    /// the columns last chosen for it. Mistakes go to the log and change nothing (a chosen file
    /// also shows them in a message box).
    bool readDefinitions(const QString &fileName, DefinitionsFrom from);
    /// The definitions of the capture just opened: the file beside it, or when there is none
    /// and the definitions in force were another capture's, the file chosen last (or none).
    void readCaptureDefinitions(const QString &captureFileName);
    /// The watcher's news of the definition file in force or of its folder: the file is read
    /// again when its text changed, also when an editor replaced it by another file.
    void definitionsFileChanged(const QString &path);
    /// Watches the definition file in force, and its folder for a file put in its place.
    void watchDefinitions();
    /// What new definitions (or none) change beside the table: the filter and Find bars, the
    /// Fields menu, the detail panel.
    void fieldDefinitionsChanged();
    /// Widens the field columns to their titles and the rows in view.
    void fitFieldColumns();
    /// The columns last chosen for a definition file, by name; the Message column alone when
    /// none were.
    std::vector<FieldColumns::Column> storedFieldColumns(const FieldDefinitions &definitions,
                                                         const QString &fileName) const;
    /// Shows the frame's message and fields in the detail panel; nullptr for no frame.
    void showFields(const FrameRecord *record);
    /// Marks the payload bytes of the field selected in the detail panel's tree.
    /// Marks in the dump what the last Find found in the current frame (or nothing).
    void markFoundBytes();
    void markFieldBytes();

    Ui::Framescope ui;
    /// What is on display: the capture, the shown rows, the marks, the time column's mode and
    /// reference and the current frame.
    CaptureSession *session = nullptr;
    ColorDlg *colorDlg = nullptr;
    QSettings *settings = nullptr;
    FrameTableModel *model = nullptr;
    QList<QVariant> *recentFiles = nullptr;
    int headerBase = 2;
    int payloadBytesPerColumn = 1;
    int payloadCols = 4;
    int payloadByteOrder = 0;
    PayloadHighlighter *highlighter = nullptr;
    QLabel *statusLabel = nullptr;
    QGraphicsScene scene;
    ScrollTracker *tracker = nullptr;
    /// The load's progress bar and Cancel button in the status bar, made at the first load.
    QProgressBar *loadBar = nullptr;
    QPushButton *loadCancel = nullptr;
    /// While a load runs: the log the log panel follows, the timer that takes the frames read
    /// and looks at the log, and what tells the reader that Cancel was pressed.
    std::shared_ptr<const LogLines> loadingLog;
    /// Log lines that a capture's readers on other threads hand to the window, each with the
    /// log it belongs to; the window takes them on its own thread.
    struct LateLines
    {
        std::mutex lock;
        std::vector<std::pair<std::shared_ptr<const LogLines>, QString>> lines;
    };
    const std::shared_ptr<LateLines> lateLines = std::make_shared<LateLines>();
    QTimer *loadTimer = nullptr;
    std::shared_ptr<std::atomic<bool>> loadStop;
    /// The capture followed while its file grows (none when none is), the watcher and the
    /// poll of its file, the timer that gathers the watcher's news, and the size the poll saw
    /// last.
    std::shared_ptr<Capture> followed;
    QFileSystemWatcher *followWatcher = nullptr;
    QTimer *followPoll = nullptr;
    QTimer *followSoon = nullptr;
    qint64 followedSize = -1;
    /// A read of the followed file runs; another is wanted once it ends; following ends with
    /// a last read of the whole file once it ends.
    bool followReading = false;
    bool followAgain = false;
    bool followFinishing = false;
    /// The status bar's "Following: ..." and the frame counts of the last second's reads, with
    /// the time of each.
    QLabel *followLabel = nullptr;
    std::vector<std::pair<qint64, qint64>> followCounts;
    /// The lines of the log panel.
    LogModel *logModel = nullptr;
    /// "Shown: N of M frames" in the status bar.
    QLabel *shownLabel = nullptr;
    /// How long a filter, search, export or print runs before its progress dialog shows.
    int taskDialogDelayMs = TaskDialog::DefaultDelayMs;
    /// Called on the worker at every progress report of the window's passes; none but in tests.
    TaskDialog::Hook taskHook;
    /// Strip and table geometry the frame scroller was last built for.
    QRect scrollerBuiltFor;
    bool scrollerCheckPending = false;
    /// The fixed sizes the form gives the header boxes: the smallest they ever get.
    QHash<QWidget *, QSize> formSizes;
    QList<QAction *> timeModeActions;
    /// The time mode that Set Time Reference left, to go back to when the reference is cleared
    /// or its capture goes; none while the mode is the user's own choice.
    std::optional<TimeMode> modeBeforeReference;
    /// The frame the last Find went to and where its payload held what was searched for.
    qint64 foundFrame = -1;
    std::vector<std::pair<int, int>> foundBytes;
    StatisticsWindow *statisticsWindow = nullptr;
    ChartsWindow *chartsWindow = nullptr;
    QFileSystemWatcher *definitionsWatcher = nullptr;
    /// The text of the definition file in force as last read.
    QByteArray definitionsText;
    /// Whether the definitions in force are the capture's own, from the file beside it.
    bool definitionsBesideCapture = false;
    /// The message the detail panel shows the fields of, and the field selected in its tree,
    /// kept when the next frame is the same message.
    int shownMessage = -1;
    int shownField = -1;
    MarksDlg *marksDlg = nullptr;
    /// The printout on its way, if one is.
    QPointer<PrintJob> printJob;
};

} // namespace Korvex

#endif // VIEWER_APP_FRAMESCOPE_H
