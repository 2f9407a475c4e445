#ifndef TESTS_FRAMESCOPEPROBE_H
#define TESTS_FRAMESCOPEPROBE_H

#include "app/framescope.h"
#include "views/frametablemodel.h"

#include <QItemSelectionModel>

namespace Korvex {

/// Lets the tests read the main window's private state without widening its interface.
struct FramescopeProbe
{
    static Ui::Framescope &ui(Framescope &w) { return w.ui; }
    static const FrameList &frames(const Framescope &w) { return w.frames; }
    static int protocolVersion(const Framescope &w) { return w.protocolVersion; }
    static int headerBase(const Framescope &w) { return w.headerBase; }
    static int payloadBytesPerColumn(const Framescope &w) { return w.payloadBytesPerColumn; }
    static int payloadCols(const Framescope &w) { return w.payloadCols; }
    static int payloadByteOrder(const Framescope &w) { return w.payloadByteOrder; }
    static QLabel *statusLabel(const Framescope &w) { return w.statusLabel; }
    static ColorDlg *colorDlg(const Framescope &w) { return w.colorDlg; }
    static FrameTableModel *model(const Framescope &w) { return w.model; }
    static QList<QVariant> recentFiles(const Framescope &w) { return *w.recentFiles; }
    static QGraphicsScene &scene(Framescope &w) { return w.scene; }
    static ScrollTracker *tracker(const Framescope &w) { return w.tracker; }
    static QProgressDialog *progressDialog(const Framescope &w) { return w.progressDialog; }
    static LogWriter &logWriter(Framescope &w) { return w.logWriter; }

    /// Puts the frames into the window as a load ends: the window owns them from now on, the
    /// table shows them with no current row, and the scroller is rebuilt.
    static void showFrames(Framescope &w, const FrameList &frames, int protocolVersion = 0)
    {
        qDeleteAll(w.frames);
        w.frames = frames;
        w.protocolVersion = protocolVersion;
        w.model->setFrames(&w.frames, protocolVersion);
        QObject::connect(w.ui.tblFrames->selectionModel(), &QItemSelectionModel::currentChanged,
                         &w, &Framescope::selectFrame, Qt::UniqueConnection);
        w.buildFramesScroller();
    }
};

} // namespace Korvex

#endif // TESTS_FRAMESCOPEPROBE_H
