// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/framestream.h"

#include "tools/errorkeeper.h"

#include "core/files/capture.h"

namespace Korvex::Dump {

bool streamFrames(const QString &fileName, FrameReaderSink &sink, FILE *err)
{
    Capture capture(fileName);
    ErrorKeeper keeper(sink);
    const Capture::Status status = capture.scan(keeper);
    for (const QString &line : std::as_const(keeper.errors))
        std::fprintf(err, "drfdump: %s\n", line.toUtf8().constData());
    // No frame limit applies: a capture is read to its end, however many frames it holds.
    return status == Capture::Status::Loaded || status == Capture::Status::Cancelled;
}

} // namespace Korvex::Dump
