#ifndef APP_FRAMESCOPE_H
#define APP_FRAMESCOPE_H

#include "app/logwriter.h"
#include "app/taskprogress.h"
#include "files/framemarks.h"
#include "ui_framescope.h"

#include <QGraphicsScene>
#include <QList>
#include <QMainWindow>
#include <QModelIndex>
#include <QRect>
#include <QVariant>

#include <memory>
#include <vector>

QT_BEGIN_NAMESPACE
class QDataStream;
class QLabel;
class QProgressDialog;
class QResizeEvent;
class QSettings;
QT_END_NAMESPACE

namespace Korvex {

class Capture;
class ColorDlg;
class FrameRows;
class FrameTableModel;
class PayloadHighlighter;
class ScrollTracker;

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
    /// Writes a capture of random frames; false when the file could not be written completely.
    bool generateFrameFile(const QString &fileName, int protocolVersion, int frameCount);
    void buildFramesScroller();
    double frameItemHeight() const;

public slots:
    void setHeaderBase(int index);
    void setPayloadBytesPerColumn(int index);
    void setPayloadCols(int value);
    void setPayloadByteOrder(int index);
    void selectFrame(QModelIndex current, QModelIndex previous);

private slots:
    void openFile();
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
    /// Rebuilds the frame scroller when the strip was laid out anew without a window resize.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend struct FramescopeProbe;

    /// Hands a loaded capture to the views; the previous one goes once they let go of it.
    void showCapture(std::unique_ptr<Capture> loaded);
    /// The number of frames the table shows.
    qint64 shownFrames() const;
    /// The number of frames the overview strip shows: all of them, shown or not.
    qint64 stripFrames() const;
    /// The frame of the table's current row, or -1.
    qint64 currentFrame() const;
    /// The frames of the rows selected in the table (within its window), in order.
    std::vector<qint64> selectedFrames() const;
    /// Makes the frame's row current, or the nearest shown frame's, saying so in the status bar.
    void goToFrame(qint64 frame);
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
    LogWriter logWriter;
    /// The marked frames of the capture on display.
    FrameMarks marks;
    /// "Shown: N of M frames" in the status bar.
    QLabel *shownLabel = nullptr;
    /// How long a filter, search or export runs before its progress dialog shows.
    int taskDialogDelayMs = TaskProgress::DefaultDialogDelayMs;
    /// Strip and table geometry the frame scroller was last built for.
    QRect scrollerBuiltFor;
    bool scrollerCheckPending = false;
};

} // namespace Korvex

#endif // APP_FRAMESCOPE_H
