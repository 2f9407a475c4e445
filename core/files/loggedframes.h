// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILES_LOGGEDFRAMES_H
#define CORE_FILES_LOGGEDFRAMES_H

#include <QtGlobal>

namespace Korvex {

/// The frames whose lines a load log holds ("Frame %1: payload size %2 bytes"): what each line
/// says about its frame. The log keeps no text for them and asks here when a line is shown.
class LoggedFrames
{
public:
    virtual ~LoggedFrames() = default;
    /// Payload bytes of frame n as the load log counts them.
    virtual int loggedPayloadBytes(qint64 n) const = 0;
};

} // namespace Korvex

#endif // CORE_FILES_LOGGEDFRAMES_H
