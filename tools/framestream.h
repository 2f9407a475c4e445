// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef TOOLS_FRAMESTREAM_H
#define TOOLS_FRAMESTREAM_H

#include "core/files/framereader.h"

#include <QString>

#include <cstdio>

namespace Korvex::Dump {

/// Reads a capture from its start and hands every frame to the sink as it comes, keeping
/// nothing: drfdump's memory stays the same whatever the capture's size, and no frame limit
/// applies. The reasons a capture cannot be read (it cannot be opened, its load is aborted, a
/// read fails) go to `err` as drfdump's error lines; false then. A sink that stops the read
/// (proceed() false) counts as success.
bool streamFrames(const QString &fileName, FrameReaderSink &sink, FILE *err);

} // namespace Korvex::Dump

#endif // TOOLS_FRAMESTREAM_H
