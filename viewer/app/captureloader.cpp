// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/captureloader.h"

#include <QCoreApplication>

namespace Korvex {

namespace {

// The longest the window goes without handling its events during a load.
constexpr qint64 EventsEveryMs = 40;

} // namespace

CaptureLoader::CaptureLoader(LogHandler logGrew)
    : m_logGrew(std::move(logGrew))
{
    m_sinceEvents.start();
}

void CaptureLoader::log(const QString &, LogLevel)
{
    m_logGrew();
}

void CaptureLoader::progress(int value)
{
    // A window-modal dialog lets the window handle its events at each new value.
    if (m_dialog)
        m_dialog->setValue(value);
    m_sinceEvents.restart();
}

bool CaptureLoader::proceed(qint64 framesRead)
{
    if (framesRead > m_framesLogged) {
        m_framesLogged = framesRead;
        m_logGrew();
    }
    if (m_sinceEvents.elapsed() >= EventsEveryMs) {
        QCoreApplication::processEvents();
        m_sinceEvents.restart();
    }
    return !m_dialog || !m_dialog->wasCanceled();
}

} // namespace Korvex
