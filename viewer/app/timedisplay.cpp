// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "core/session/capturesession.h"

#include <QActionGroup>
#include <QHeaderView>
#include <QSettings>

namespace Korvex {

namespace {

const QString timeDisplayKey = QStringLiteral("TimeDisplay");

} // namespace

void Framescope::setUpTimeDisplay()
{
    auto *group = new QActionGroup(this);
    for (const TimeMode mode : TimeText::Modes) {
        QAction *action = ui.menuTimeDisplay->addAction(TimeText::menuText(mode));
        action->setCheckable(true);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, mode] { setTimeMode(mode); });
        timeModeActions.append(action);
    }
    connect(ui.actionTimeReference, &QAction::triggered, this, &Framescope::toggleTimeReference);
    // A mode the settings do not know (from a later version, or edited) leaves the default.
    const std::optional<TimeMode> stored =
        TimeText::modeOf(settings->value(timeDisplayKey).toString());
    session->setTimeMode(stored.value_or(TimeMode::SinceFirst));
    timeChanged();
}

void Framescope::setTimeMode(TimeMode mode)
{
    // The user's own choice: clearing the reference keeps it.
    modeBeforeReference.reset();
    session->setTimeMode(mode);
    settings->setValue(timeDisplayKey, TimeText::key(mode));
}

void Framescope::timeChanged()
{
    timeModeActions.at(int(session->timeMode()))->setChecked(true);
    fitTimeColumn();
    showCurrentTime();
}

void Framescope::fitTimeColumn()
{
    // Wide enough for its title; sizing it to its cells would read rows, so it only grows.
    const int title = ui.tblFrames->horizontalHeader()->sectionSizeHint(0);
    if (ui.tblFrames->columnWidth(0) < title)
        ui.tblFrames->setColumnWidth(0, title);
}

void Framescope::toggleTimeReference()
{
    const qint64 frame = currentFrame();
    if (frame < 0)
        return;
    if (frame == session->timeReference()) {
        session->setTimeReference(-1);
        // Back to the times shown before the reference was set.
        if (modeBeforeReference)
            setTimeMode(*modeBeforeReference);
        return;
    }
    // Setting a reference asks for times counted from it. The reference belongs to this
    // capture, so the mode is not remembered for the next: the one before it is.
    if (session->timeMode() != TimeMode::SinceReference)
        modeBeforeReference = session->timeMode();
    session->setTimeReference(frame);
    session->setTimeMode(TimeMode::SinceReference);
}

} // namespace Korvex
