// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/taskdialog.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QProgressDialog>
#include <QWidget>

namespace Korvex {

TaskDialog::TaskDialog(QWidget *window, const QString &label, int delayMs)
    : QObject(window)
    , m_window(window)
    , m_label(label)
{
    m_delay.setSingleShot(true);
    m_delay.setInterval(delayMs);
    connect(&m_delay, &QTimer::timeout, this, &TaskDialog::showDialog);
}

TaskDialog::~TaskDialog()
{
    delete m_dialog;
}

void TaskDialog::watch(const QFuture<void> &future)
{
    // A pass cancelled by the runner (another capture, the window closing) ends later on its
    // own; its dialog goes at once.
    connect(&m_watcher, &QFutureWatcherBase::canceled, this, &QObject::deleteLater);
    connect(&m_watcher, &QFutureWatcherBase::finished, this, &QObject::deleteLater);
    connect(&m_watcher, &QFutureWatcherBase::progressValueChanged, this, [this](int value) {
        if (m_bar)
            m_bar->setValue(value);
    });
    m_watcher.setFuture(future);
    m_delay.start();
}

void TaskDialog::showDialog()
{
    if (!m_window || m_watcher.isFinished())
        return;
    m_dialog = new QProgressDialog(m_label, QCoreApplication::translate("Framescope", "Cancel"), 0,
                                   TaskRunner::ProgressScale, m_window);
    // The bar is set directly: the dialog's own setValue() would handle events inside it.
    m_bar = new QProgressBar(m_dialog);
    m_bar->setRange(0, TaskRunner::ProgressScale);
    m_bar->setValue(qMax(0, m_watcher.progressValue()));
    m_dialog->setBar(m_bar);
    m_dialog->setWindowModality(Qt::WindowModal);
    m_dialog->setAutoReset(false);
    m_dialog->setAutoClose(false);
    connect(m_dialog, &QProgressDialog::canceled, this, &TaskDialog::cancelPressed);
    m_dialog->show();
}

void TaskDialog::cancelPressed()
{
    // The pass stops at its next report and delivers what a stopped pass gives.
    m_stop->store(true);
    if (m_dialog)
        m_dialog->hide();
}

} // namespace Korvex
