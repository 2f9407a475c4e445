#ifndef VIEWER_APP_FRAMESCOPE_H
#define VIEWER_APP_FRAMESCOPE_H

#include "viewer/app/taskprogress.h"
#include "core/files/framemarks.h"
#include "ui_framescope.h"
#include "core/text/timetext.h"

#include <QGraphicsScene>
#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QModelIndex>
#include <QRect>
#include <QSize>
#include <QVariant>

#include <memory>
#include <vector>

QT_BEGIN_NAMESPACE
class QCloseEvent;
class QDataStream;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QProgressDialog;
class QResizeEvent;
class QSettings;
QT_END_NAMESPACE

namespace Korvex {

class Capture;
class ChartsWindow;
class ColorDlg;
class FramePrinter;
class FrameRows;
class FrameTableModel;
class LoggedFrames;
class LogModel;
class PayloadHighlighter;
class PrintRows;
class ScrollTracker;
class StatisticsWindow;

/// The main window: owns the loaded capture, the view settings of the detail panel,
/// the settings store, the table model, the colour dialog and the frame scroller.
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

    /// Appends the lines of frames `first` to `first + count - 1` to the log panel, as
    /// appendLog does with one line.
    void appendFrameLines(const std::shared_ptr<const LoggedFrames> &frames, qint64 first,
                          qint64 count);
    /// Hands a loaded capture to the views; the previous one goes once they let go of it.
    void showCapture(std::unique_ptr<Capture> loaded);
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
    /// Widens what the form sized in pixels where the font needs more room.
    void fitTextToFont();
    void fitColumnTitles();
    /// The View menu's time modes, the time reference action and the mode last chosen.
    void setUpTimeDisplay();
    /// Widens the time column to its title, which changes with the mode and the reference.
    void fitTimeColumn();
    /// Gives the statistics and chart windows the frames on display; any pass over the frames
    /// before stops first.
    void setStatisticsSource();
    /// The overview strip under a viewport position: the shown row there, or -1.
    qint64 scrollerRowAt(QPoint position) const;
    /// A click on the overview strip beside the tracker: the table moves there.
    void scrollerClicked(QPoint position);
    /// The number of frames the overview strip shows: all of them, shown or not.
    qint64 stripFrames() const;
    /// The frame of the table's current row, or -1.
    qint64 currentFrame() const;
    /// The frames of the rows selected in the table (within its window), in order.
    std::vector<qint64> selectedFrames() const;
    /// Makes the frame's row current, or the nearest shown frame's, saying so in the status bar.
    void goToFrame(qint64 frame);
    /// goToFrame for a statistics or chart window, bringing the main window to the front.
    void showFrameOf(qint64 frame);
    /// Shows these rows in the table, keeping the current frame (or the nearest shown one).
    void showRows(const FrameRows &rows);
    void updateShownLabel();
    void runFind(bool forward);
    /// Reads the marks kept for the capture on display; a file that does not fit goes to the log.
    void loadMarks();
    /// Keeps the marks for the next time the capture is opened and repaints them.
    void marksChanged();

    Ui::Framescope ui;
    /// The frames on display, their protocol version and their load's log.
    std::unique_ptr<Capture> capture;
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
    QProgressDialog *progressDialog = nullptr;
    /// The lines of the log panel.
    LogModel *logModel = nullptr;
    /// The marked frames of the capture on display.
    FrameMarks marks;
    /// "Shown: N of M frames" in the status bar.
    QLabel *shownLabel = nullptr;
    /// How long a filter, search or export runs before its progress dialog shows.
    int taskDialogDelayMs = TaskProgress::DefaultDialogDelayMs;
    /// Strip and table geometry the frame scroller was last built for.
    QRect scrollerBuiltFor;
    bool scrollerCheckPending = false;
    /// The fixed sizes the form gives the header boxes: the smallest they ever get.
    QHash<QWidget *, QSize> formSizes;
    QList<QAction *> timeModeActions;
    StatisticsWindow *statisticsWindow = nullptr;
    ChartsWindow *chartsWindow = nullptr;
};

} // namespace Korvex

#endif // VIEWER_APP_FRAMESCOPE_H
