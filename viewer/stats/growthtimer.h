// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_STATS_GROWTHTIMER_H
#define VIEWER_STATS_GROWTHTIMER_H

#include <QTimer>

namespace Korvex {

class CaptureSession;

/// Times out a second after frames first joined the session since it last timed out (or was
/// stopped): a tool window that takes in frames when it times out follows a growing capture
/// at most once a second, however often frames join.
class GrowthTimer : public QTimer
{
public:
    static constexpr int IntervalMs = 1000;

    GrowthTimer(const CaptureSession &session, QObject *parent);
};

} // namespace Korvex

#endif // VIEWER_STATS_GROWTHTIMER_H
