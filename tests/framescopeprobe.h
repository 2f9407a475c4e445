#ifndef TESTS_FRAMESCOPEPROBE_H
#define TESTS_FRAMESCOPEPROBE_H

#include "app/framescope.h"

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
};

} // namespace Korvex

#endif // TESTS_FRAMESCOPEPROBE_H
