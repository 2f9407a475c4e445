#include "app/framescope.h"

#include "files/framereader.h"
#include "views/frametablemodel.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QProgressDialog>
#include <QTableView>

#include <utility>

namespace Korvex {

namespace {

/// Hands the reader's findings to the window: log lines to the log panel, progress to the
/// progress dialog (whose update lets the window repaint during a long load).
class WindowSink final : public FrameReaderSink
{
public:
    WindowSink(Framescope &window, QProgressDialog *dialog)
        : m_window(window)
        , m_dialog(dialog)
    {
    }

    void log(const QString &text, LogLevel level) override
    {
        static const QColor colors[] = {Qt::white, Qt::darkYellow, Qt::red};
        m_window.appendLog(text, colors[int(level)]);
    }

    void progress(int value) override
    {
        if (m_dialog)
            m_dialog->setValue(value);
    }

private:
    Framescope &m_window;
    QProgressDialog *m_dialog;
};

// With word wrap off every row is one line high, so the height that resizing each row to its
// contents would give is the height of the first row; set once, it costs nothing per row.
void sizeRowsToContents(QTableView *table)
{
    QHeaderView *header = table->verticalHeader();
    if (header->count() == 0)
        return;
    const QAbstractItemView *view = table;
    const int height = qMax(view->sizeHintForRow(0), header->sectionSizeHint(0));
    header->setDefaultSectionSize(height);
}

} // namespace

int Framescope::parseFrameFile(QDataStream &in, qint64 size, int version)
{
    // The views let go of the old rows before their records go, so that a repaint during the
    // load never reads a deleted record.
    FrameList old;
    old.swap(frames);
    model->resetModel();
    qDeleteAll(old);
    old.clear();

    // The frames are collected apart and handed to the table in one go at the end: until then
    // the table stays consistently empty.
    WindowSink sink(*this, progressDialog);
    FrameList loaded;
    logWriter.beginBatch();
    const int result = readFrames(in, size, version, loaded, sink);
    logWriter.endBatch();

    // The list is normally still empty here; should events processed during the load have
    // started another load, its frames go now, after the views have let go of them, and the
    // version is again that of these frames. An aborted load leaves the list empty and the
    // views without rows.
    FrameList stale;
    stale.swap(frames);
    frames.swap(loaded);
    protocolVersion = version;
    model->setFrames(&frames, protocolVersion);
    qDeleteAll(stale);
    if (result < 0)
        return result;

    for (int column = 0; column < 4; ++column)
        ui.tblFrames->resizeColumnToContents(column);
    sizeRowsToContents(ui.tblFrames);
    statusLabel->setText(tr("No frame selected"));
    connect(ui.tblFrames->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &Framescope::selectFrame, Qt::UniqueConnection);
    if (!frames.isEmpty())
        ui.tblFrames->setCurrentIndex(model->cellIndex(0, 0));
    sink.progress(89);
    return 0;
}

} // namespace Korvex
