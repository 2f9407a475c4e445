// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/stats/growthtimer.h"

#include "core/session/capturesession.h"

namespace Korvex {

GrowthTimer::GrowthTimer(const CaptureSession &session, QObject *parent)
    : QTimer(parent)
{
    setSingleShot(true);
    setInterval(IntervalMs);
    connect(&session, &CaptureSession::framesAdded, this, [this] {
        if (!isActive())
            start();
    });
}

} // namespace Korvex
