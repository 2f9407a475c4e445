// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text/timetext.h"

#include "core/frames/framerecord.h"
#include "core/text/frametext.h"
#include "core/text/numbertext.h"

#include <QCoreApplication>

#include <cmath>

namespace Korvex::TimeText {

QString key(TimeMode mode)
{
    switch (mode) {
    case TimeMode::SinceFirst:
        return QStringLiteral("first");
    case TimeMode::DeltaPrevious:
        return QStringLiteral("delta");
    case TimeMode::DeltaDisplayed:
        return QStringLiteral("displayed");
    case TimeMode::DeltaChannel:
        return QStringLiteral("channel");
    case TimeMode::SinceReference:
        return QStringLiteral("reference");
    }
    return QString();
}

std::optional<TimeMode> modeOf(QStringView name)
{
    for (const TimeMode mode : Modes) {
        if (name == key(mode))
            return mode;
    }
    return std::nullopt;
}

QString menuText(TimeMode mode)
{
    switch (mode) {
    case TimeMode::SinceFirst:
        return QCoreApplication::translate("Framescope", "Time Since &First Frame");
    case TimeMode::DeltaPrevious:
        return QCoreApplication::translate("Framescope", "Delta to &Previous Frame");
    case TimeMode::DeltaDisplayed:
        return QCoreApplication::translate("Framescope", "Delta to Previous &Displayed Frame");
    case TimeMode::DeltaChannel:
        return QCoreApplication::translate("Framescope",
                                           "Delta to Previous Frame of the Same &Channel");
    case TimeMode::SinceReference:
        return QCoreApplication::translate("Framescope", "Time Since &Reference Frame");
    }
    return QString();
}

QString columnTitle(TimeMode mode, qint64 reference, bool referenceShown)
{
    switch (mode) {
    case TimeMode::SinceFirst:
        return QCoreApplication::translate("QAbstractTableModel", "Time [ns]");
    case TimeMode::DeltaPrevious:
        return QCoreApplication::translate("QAbstractTableModel", "Δ Time [ns]");
    case TimeMode::DeltaDisplayed:
        return QCoreApplication::translate("QAbstractTableModel", "Δ Displayed [ns]");
    case TimeMode::DeltaChannel:
        return QCoreApplication::translate("QAbstractTableModel", "Δ Channel [ns]");
    case TimeMode::SinceReference:
        if (!referenceShown)
            return QCoreApplication::translate("QAbstractTableModel",
                                               "Time since frame %1 (hidden) [ns]")
                .arg(qMax<qint64>(0, reference));
        return QCoreApplication::translate("QAbstractTableModel", "Time since frame %1 [ns]")
            .arg(qMax<qint64>(0, reference));
    }
    return QString();
}

QString shownName(TimeMode mode, qint64 reference)
{
    switch (mode) {
    case TimeMode::SinceFirst:
        break;
    case TimeMode::DeltaPrevious:
        return QCoreApplication::translate("Framescope", "Δ to previous frame");
    case TimeMode::DeltaDisplayed:
        return QCoreApplication::translate("Framescope", "Δ to previous displayed frame");
    case TimeMode::DeltaChannel:
        return QCoreApplication::translate("Framescope", "Δ to previous frame of its channel");
    case TimeMode::SinceReference:
        return QCoreApplication::translate("Framescope", "since frame %1")
            .arg(qMax<qint64>(0, reference));
    }
    return QString();
}

QString brief(double ns)
{
    if (!std::isfinite(ns))
        return QString();
    static const struct
    {
        double scale;
        const char *name;
    } units[] = {{1e3, " µs"}, {1e6, " ms"}, {1e9, " s"}};
    // The largest unit whose value, as rounded for the text, is at least 1: 999,999.9996 ns
    // reads 1.000 ms, not 1,000.000 µs.
    for (int unit = 2; unit >= 0; --unit) {
        const double value = std::round(ns / units[unit].scale * 1000) / 1000;
        if (std::abs(value) >= 1)
            return NumberText::grouped(value, 3) + QString::fromUtf8(units[unit].name);
    }
    const double tenths = std::round(ns * 10) / 10;
    const bool whole = tenths == std::floor(tenths);
    return NumberText::grouped(tenths, whole ? 0 : 1) + QStringLiteral(" ns");
}

namespace {

template<typename Text>
void appendDifference(Text &out, quint64 ticks, std::optional<quint64> fromTicks)
{
    if (!fromTicks)
        return;
    const quint64 ns = FrameRecord::nsOfTicks(ticks);
    const quint64 from = FrameRecord::nsOfTicks(*fromTicks);
    if (ns >= from)
        FrameText::appendNumber(out, ns - from);
    else
        FrameText::appendNumber(out, from - ns, true);
}

} // namespace

void appendSince(QString &out, quint64 ticks, std::optional<quint64> fromTicks)
{
    appendDifference(out, ticks, fromTicks);
}

void appendSince(QByteArray &out, quint64 ticks, std::optional<quint64> fromTicks)
{
    appendDifference(out, ticks, fromTicks);
}

QString readable(qint64 ns)
{
    const quint64 magnitude = ns < 0 ? quint64(0) - quint64(ns) : quint64(ns);
    QString text;
    if (ns < 0)
        text += QLatin1Char('-');
    if (magnitude < 1000) {
        FrameText::appendNumber(text, magnitude);
        return text + QStringLiteral(" ns");
    }
    static const char *const units[] = {" µs", " ms", " s"};
    int unit = 0;
    quint64 scale = 1000;
    while (unit < 2 && magnitude / scale >= 1000) {
        scale *= 1000;
        ++unit;
    }
    FrameText::appendNumber(text, magnitude / scale);
    // The decimals three at a time, from the largest group down, up to the last that is not 0.
    quint64 rest = magnitude % scale;
    if (rest != 0)
        text += QLatin1Char('.');
    for (quint64 group = scale / 1000; rest != 0; group /= 1000) {
        if (group < scale / 1000)
            text += QLatin1Char(' ');
        text += QStringLiteral("%1").arg(rest / group, 3, 10, QLatin1Char('0'));
        rest %= group;
    }
    return text + QString::fromUtf8(units[unit]);
}

} // namespace Korvex::TimeText
