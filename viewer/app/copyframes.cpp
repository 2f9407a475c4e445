// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "core/files/capture.h"
#include "core/session/capturesession.h"
#include "core/text/frametablewriter.h"
#include "core/text/timecolumn.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QStatusBar>

namespace Korvex {

void Framescope::copyFrames()
{
    std::vector<qint64> frames = selectedFrames();
    if (frames.empty() && currentFrame() >= 0)
        frames.push_back(currentFrame());
    const std::shared_ptr<const Capture> &capture = session->capture();
    if (frames.empty() || !capture)
        return;
    // The table as it shows: its titles, the frame numbers and the time in the chosen mode.
    const FrameRows &rows = session->rows();
    const TimeColumn &time = session->timeColumn();
    FrameTableWriter writer(FrameTableWriter::Format::Tsv, capture->protocolVersion());
    writer.setTimeTitle(time.title(rows));
    writer.setFieldColumns(session->fieldColumns());
    QString text;
    writer.begin(text);
    QString timeCell;
    for (qint64 frame : frames) {
        timeCell.resize(0);
        time.appendCell(timeCell, rows, rows.rowOf(frame));
        writer.row(text, frame, capture->frame(frame), &timeCell);
    }
    QGuiApplication::clipboard()->setText(text);
    statusBar()->showMessage(tr("%n frame(s) copied.", nullptr, int(frames.size())), 10000);
}

void Framescope::copyDump()
{
    QGuiApplication::clipboard()->setText(ui.txtPayload->toPlainText());
}

} // namespace Korvex
