#include "viewer/app/framescope.h"

#include "core/files/capture.h"
#include "core/session/capturesession.h"
#include "core/text/frametablewriter.h"

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
    // The cells drfdump prints, one line per frame, without the line of titles.
    FrameTableWriter writer(FrameTableWriter::Format::Tsv, capture->protocolVersion());
    QString text;
    for (qint64 frame : frames)
        writer.row(text, capture->frame(frame));
    QGuiApplication::clipboard()->setText(text);
    statusBar()->showMessage(tr("%n frame(s) copied.", nullptr, int(frames.size())), 10000);
}

void Framescope::copyDump()
{
    QGuiApplication::clipboard()->setText(ui.txtPayload->toPlainText());
}

} // namespace Korvex
