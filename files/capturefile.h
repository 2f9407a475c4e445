#ifndef FILES_CAPTUREFILE_H
#define FILES_CAPTUREFILE_H

#include "files/framereader.h"
#include "frames/framerecord.h"

#include <QString>

namespace Korvex {

/// The protocol version a capture is read with, from its file name alone: 0 (DigRF 3G) when
/// the suffix is "drf3" in any case, else 1 (DigRF v4).
int protocolVersionOf(const QString &fileName);

/// The load log's line naming the protocol version chosen.
QString protocolVersionLogText(int protocolVersion);
/// The load log's line for a file that cannot be opened.
QString cannotOpenLogText(const QString &fileName);
/// The load log's line for a file that was opened.
QString openedLogText(const QString &fileName);

/// Outcome of readCaptureFile().
enum class CaptureResult { Loaded, CannotOpen, Aborted };

/// Opens and reads a capture the way the viewer loads it, reporting the same log lines to the
/// sink: the protocol version, the open result, then the reader's lines. The frames are
/// appended to `frames`; `protocolVersion` receives the version they were read with.
CaptureResult readCaptureFile(const QString &fileName, FrameList &frames, FrameReaderSink &sink,
                              int *protocolVersion = nullptr);

} // namespace Korvex

#endif // FILES_CAPTUREFILE_H
