#ifndef APP_FRAMESCOPE_H
#define APP_FRAMESCOPE_H

#include "app/logwriter.h"
#include "frames/framerecord.h"
#include "ui_framescope.h"

#include <QGraphicsScene>
#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QModelIndex>
#include <QRect>
#include <QSize>
#include <QVariant>

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

class ColorDlg;
class FrameTableModel;
class PayloadHighlighter;
class ScrollTracker;

/// The main window: owns the loaded frames, the view settings of the detail panel,
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
    /// Reads the frames as the given protocol version (0 DigRF 3G, else DigRF v4); the window
    /// takes that version together with the frames when it hands them to its views.
    int parseFrameFile(QDataStream &in, qint64 size, int version);
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
    void showShortcutsDlg();

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

    /// Shows no frame: empty header fields, labels and dump, "No frame selected" in the status
    /// bar.
    void showNoFrame();
    void setUpShortcuts();
    void restoreWindowState();
    void saveWindowState() const;
    /// Widens what the design sized in pixels where the font needs more room.
    void fitTextToFont();
    void fitColumnTitles();

    Ui::Framescope ui;
    FrameList frames;
    ColorDlg *colorDlg = nullptr;
    int protocolVersion = 0;
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
    /// Strip and table geometry the frame scroller was last built for.
    QRect scrollerBuiltFor;
    bool scrollerCheckPending = false;
    /// The fixed sizes the form gives the header boxes: the smallest they ever get.
    QHash<QWidget *, QSize> formSizes;
};

} // namespace Korvex

#endif // APP_FRAMESCOPE_H
