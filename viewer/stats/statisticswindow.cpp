// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/stats/statisticswindow.h"

#include "core/fields/fielddefinitions.h"
#include "core/files/capture.h"
#include "core/session/capturesession.h"
#include "core/stats/capturepass.h"
#include "core/stats/statisticsfigures.h"
#include "viewer/stats/growthtimer.h"
#include "viewer/stats/statisticsmodel.h"
#include "core/text/numbertext.h"
#include "core/text/timetext.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace Korvex {

namespace {

QTableView *statisticsTable(StatisticsModel *model, QWidget *parent)
{
    auto *table = new QTableView(parent);
    table->setModel(model);
    table->setSortingEnabled(true);
    table->sortByColumn(-1, Qt::AscendingOrder);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->setWordWrap(false);
    return table;
}

QString framesText(qint64 count)
{
    return count == 1 ? StatisticsWindow::tr("1 frame")
                      : StatisticsWindow::tr("%1 frames").arg(NumberText::grouped(count));
}

QVBoxLayout *titled(const QString &title, QWidget *widget)
{
    auto *layout = new QVBoxLayout;
    layout->addWidget(new QLabel(title));
    layout->addWidget(widget);
    return layout;
}

} // namespace

const QString StatisticsWindow::TaskKind = QStringLiteral("statistics");


StatisticsWindow::StatisticsWindow(CaptureSession &session, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_session(session)
{
    setWindowTitle(tr("Capture Statistics"));
    setObjectName(QStringLiteral("StatisticsWindow"));

    m_scope = new QComboBox(this);
    m_scope->setObjectName(QStringLiteral("cbScope"));
    m_scope->addItem(tr("All frames"));
    m_scope->addItem(tr("Displayed frames"));
    m_refresh = new QPushButton(tr("&Refresh"), this);
    m_copy = new QPushButton(tr("&Copy as Text"), this);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("lblSummary"));
    m_summary->setWordWrap(true);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_channelModel = new StatisticsModel(this);
    m_sizeModel = new StatisticsModel(this);
    m_ctsModel = new StatisticsModel(this);
    m_channels = statisticsTable(m_channelModel, this);
    m_channels->setObjectName(QStringLiteral("tblChannels"));
    m_channels->horizontalHeader()->setStretchLastSection(true);
    m_sizes = statisticsTable(m_sizeModel, this);
    m_cts = statisticsTable(m_ctsModel, this);
    m_fieldModel = new StatisticsModel(this);
    m_valueModel = new StatisticsModel(this);
    m_fieldTables = new QWidget(this);
    QTableView *fieldTable = statisticsTable(m_fieldModel, m_fieldTables);
    fieldTable->setObjectName(QStringLiteral("tblFields"));
    QTableView *valueTable = statisticsTable(m_valueModel, m_fieldTables);
    valueTable->setObjectName(QStringLiteral("tblFieldValues"));
    m_goMin = new QPushButton(tr("Go to Shortest &Gap"), this);
    m_goMin->setObjectName(QStringLiteral("btnGoMin"));
    m_goMin->setToolTip(tr("Select the frame that ends the shortest gap of the selected channel"));
    m_goMax = new QPushButton(tr("Go to &Longest Gap"), this);
    m_goMax->setObjectName(QStringLiteral("btnGoMax"));
    m_goMax->setToolTip(tr("Select the frame that ends the longest gap of the selected channel"));
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, TaskRunner::ProgressScale);
    m_cancel = new QPushButton(tr("Cancel"), this);

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("Frames:")));
    top->addWidget(m_scope);
    top->addStretch(1);
    top->addWidget(m_refresh);
    top->addWidget(m_copy);
    auto *gapButtons = new QHBoxLayout;
    gapButtons->addWidget(m_goMin);
    gapButtons->addWidget(m_goMax);
    gapButtons->addStretch(1);
    auto *counts = new QHBoxLayout;
    counts->addLayout(titled(tr("Payload sizes"), m_sizes), 1);
    counts->addLayout(titled(tr("CTS values"), m_cts), 1);
    auto *fields = new QHBoxLayout(m_fieldTables);
    fields->setContentsMargins(0, 0, 0, 0);
    fields->addLayout(titled(tr("Fields"), fieldTable), 3);
    fields->addLayout(titled(tr("Field values"), valueTable), 2);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_progress, 1);
    bottom->addWidget(m_cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_summary);
    layout->addLayout(titled(tr("Logical channel types"), m_channels), 3);
    layout->addLayout(gapButtons);
    layout->addLayout(counts, 2);
    layout->addWidget(m_fieldTables, 2);
    layout->addLayout(bottom);
    resize(1040, 640);

    connect(m_scope, &QComboBox::currentIndexChanged, this, &StatisticsWindow::refresh);
    connect(m_refresh, &QPushButton::clicked, this, &StatisticsWindow::refresh);
    connect(m_copy, &QPushButton::clicked, this, &StatisticsWindow::copyReport);
    connect(m_cancel, &QPushButton::clicked, this, &StatisticsWindow::cancel);
    connect(m_goMin, &QPushButton::clicked, this,
            [this] { goToGap(QStringLiteral("gap_min_frame")); });
    connect(m_goMax, &QPushButton::clicked, this,
            [this] { goToGap(QStringLiteral("gap_max_frame")); });
    connect(m_channels, &QTableView::doubleClicked, this, &StatisticsWindow::goToCell);
    connect(m_channels->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &StatisticsWindow::updateButtons);
    connect(&session.tasks(), &TaskRunner::progressChanged, this,
            [this](const QString &kind, int value) {
                if (kind == TaskKind)
                    m_progress->setValue(value);
            });
    connect(&session, &CaptureSession::captureChanged, this, &StatisticsWindow::captureChanged);
    connect(&session, &CaptureSession::rowsChanged, this, &StatisticsWindow::rowsChanged);
    m_growth = new GrowthTimer(session, this);
    connect(m_growth, &QTimer::timeout, this, &StatisticsWindow::addNewFrames);
    connect(&session, &CaptureSession::fieldDefinitionsChanged, this,
            &StatisticsWindow::refreshWhenShown);
    showReport();
}

StatisticsWindow::~StatisticsWindow()
{
    m_session.tasks().cancel(TaskKind);
}

bool StatisticsWindow::isComputing() const
{
    return m_session.tasks().isRunning(TaskKind);
}

void StatisticsWindow::captureChanged()
{
    // The pass over the old capture goes on alone until it sees that it is cancelled.
    m_session.tasks().cancel(TaskKind);
    m_report.reset();
    m_shown.reset();
    m_covered = 0;
    m_growth->stop();
    showReport();
    refreshWhenShown();
}

bool StatisticsWindow::hasNewFramesPending() const
{
    return m_growth->isActive();
}

void StatisticsWindow::addNewFrames()
{
    m_growth->stop();
    if (!m_session.capture() || !m_shown || m_covered >= m_session.frameCount())
        return;
    if (!isVisible()) {
        m_stale = true;
        return;
    }
    // A pass under way covers fewer frames: they are taken in after it.
    if (isComputing()) {
        m_growth->start();
        return;
    }
    startPass(m_covered, m_shown);
}

void StatisticsWindow::rowsChanged()
{
    if (m_scope->currentIndex() == 1)
        refreshWhenShown();
}

void StatisticsWindow::refreshWhenShown()
{
    m_stale = true;
    if (isVisible())
        refresh();
}

FrameRows StatisticsWindow::scopeRows() const
{
    if (!m_session.capture())
        return FrameRows();
    return m_scope->currentIndex() == 1 ? m_session.rows() : FrameRows(m_session.frameCount());
}

void StatisticsWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_stale)
        refresh();
}

void StatisticsWindow::closeEvent(QCloseEvent *event)
{
    // A pass cut short by closing is made again when the window is shown next.
    if (isComputing()) {
        cancel();
        m_stale = true;
    }
    QWidget::closeEvent(event);
}

void StatisticsWindow::refresh()
{
    m_stale = false;
    m_growth->stop();
    startPass(0, nullptr);
}

void StatisticsWindow::startPass(qint64 first, std::shared_ptr<const StatisticsFigures> before)
{
    TaskRunner &tasks = m_session.tasks();
    tasks.cancel(TaskKind);
    // The pass holds the capture until it ends, whatever the session does meanwhile.
    const std::shared_ptr<const Capture> capture = m_session.capture();
    if (!capture) {
        showReport();
        return;
    }
    const StatisticsFigures empty(capture->protocolVersion(), m_session.fieldDefinitions());
    const FrameRows rows = scopeRows();
    const QString scope = m_scope->currentText();
    const bool partial = m_session.isStillReading();
    if (!before)
        m_summary->setText(tr("Looking at %1 ...").arg(framesText(rows.count())));
    using Result = std::shared_ptr<const StatisticsFigures>;
    tasks.start<Result>(
        TaskKind,
        [capture, rows, empty, first, before](QPromise<Result> &promise) {
            std::optional<StatisticsFigures> figures = CapturePass(*capture, rows).collect(
                empty,
                [](StatisticsFigures &part, const FrameCursor &cursor) {
                    part.add(cursor.number(), cursor.header(), cursor.ticks(), cursor.bytes(),
                             cursor.length());
                },
                TaskRunner::progressOf(promise), first);
            if (!figures)
                return;
            if (before) {
                // The figures before, then the new frames': the gaps across the boundary count.
                StatisticsFigures merged = *before;
                merged.merge(*figures);
                figures = std::move(merged);
            }
            promise.addResult(std::make_shared<const StatisticsFigures>(std::move(*figures)));
        },
        [this, capture, scope, covered = rows.total(), partial](Result figures) {
            // Figures of a capture no longer on display are not shown.
            if (capture == m_session.capture())
                passFinished(std::move(figures), scope, covered, partial);
        });
    if (!before) {
        m_progress->setValue(0);
        m_progress->setVisible(true);
        m_cancel->setVisible(true);
    }
    updateButtons();
}

void StatisticsWindow::cancel()
{
    if (!isComputing())
        return;
    m_session.tasks().cancel(TaskKind);
    passFinished(nullptr, QString());
}

void StatisticsWindow::passFinished(std::shared_ptr<const StatisticsFigures> figures,
                                    const QString &scope, qint64 covered, bool partial)
{
    const bool completed = figures != nullptr;
    if (completed) {
        m_shown = std::move(figures);
        m_covered = covered;
        m_partial = partial || covered < m_session.frameCount();
        m_report = std::make_unique<StatisticsReport>(
            m_shown->report(m_session.capture()->fileName(), scope));
    }
    showReport();
    if (!completed) {
        const QString before = m_summary->text();
        const QString note =
            m_report ? tr("Cancelled: the figures are those of the last complete pass; Refresh "
                          "looks at the frames again.")
                     : tr("Cancelled: Refresh looks at the frames again.");
        m_summary->setText(before.isEmpty() ? note : before + QLatin1Char('\n') + note);
    }
    emit computed(completed);
}

void StatisticsWindow::showReport()
{
    const bool running = isComputing();
    m_progress->setVisible(running);
    m_cancel->setVisible(running);
    if (!running)
        m_progress->setValue(0);
    if (!m_report) {
        const StatisticsReport::Section none;
        m_channelModel->setSection(none);
        m_sizeModel->setSection(none);
        m_ctsModel->setSection(none);
        m_fieldModel->setSection(none);
        m_valueModel->setSection(none);
        m_fieldTables->hide();
        m_summary->setText(m_session.capture() ? QString() : tr("No capture is loaded."));
        updateButtons();
        return;
    }
    m_channelModel->setSection(m_report->section(StatisticsReport::Channels));
    m_sizeModel->setSection(m_report->section(StatisticsReport::PayloadSizes));
    m_ctsModel->setSection(m_report->section(StatisticsReport::Cts));
    for (QTableView *table : {m_sizes, m_cts})
        table->resizeColumnsToContents();
    // The tables of the fields, when the pass decoded them.
    const QList<StatisticsReport::Section> &sections = m_report->sections();
    const bool decoded = sections.size() > StatisticsReport::Cts + 2;
    m_fieldTables->setVisible(decoded);
    m_fieldModel->setSection(decoded ? sections.at(StatisticsReport::Cts + 1)
                                     : StatisticsReport::Section());
    m_valueModel->setSection(decoded ? sections.at(StatisticsReport::Cts + 2)
                                     : StatisticsReport::Section());
    for (QTableView *table : m_fieldTables->findChildren<QTableView *>())
        table->resizeColumnsToContents();
    // The channels' columns fit the table's width side by side: the channel names give way
    // (cut short, whole in their tool tips) where the figures need the room.
    QHeaderView *header = m_channels->horizontalHeader();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    const QList<StatisticsReport::Column> &columns =
        m_report->section(StatisticsReport::Channels).columns;
    for (qsizetype c = 0; c < columns.size(); ++c) {
        if (columns.at(c).key == QLatin1String("channel"))
            header->setSectionResizeMode(int(c), QHeaderView::Stretch);
    }

    const CaptureStatistics &stats = m_shown->collector().result();
    QStringList lines;
    lines.append(m_session.capture()->fileName());
    QString counts = framesText(stats.frames);
    if (stats.missing > 0)
        counts += tr(", %1 missing from the file").arg(NumberText::grouped(stats.missing));
    lines.append(counts);
    if (const std::optional<quint64> duration = stats.durationNs()) {
        QString time = tr("Duration %1 (%2 ns)")
                           .arg(TimeText::readable(qint64(*duration)),
                                NumberText::grouped(qint64(*duration)));
        if (const std::optional<double> rate = stats.perSecond(stats.frames))
            time += tr(", %1 frames per second").arg(NumberText::grouped(*rate, 1));
        lines.append(time);
    }
    if (m_partial)
        lines.append(CaptureSession::framesReadSoFar(m_covered));
    m_summary->setText(lines.join(QLatin1Char('\n')));
    updateButtons();
}

void StatisticsWindow::updateButtons()
{
    const QModelIndex current = m_channels->currentIndex();
    const int row = current.isValid() ? current.row() : -1;
    m_goMin->setEnabled(m_channelModel->value(row, QStringLiteral("gap_min_frame")).isValid());
    m_goMax->setEnabled(m_channelModel->value(row, QStringLiteral("gap_max_frame")).isValid());
    m_copy->setEnabled(m_report != nullptr);
    m_scope->setEnabled(m_session.capture() != nullptr);
    m_refresh->setEnabled(m_session.capture() != nullptr);
}

void StatisticsWindow::goToGap(const QString &key)
{
    const QModelIndex current = m_channels->currentIndex();
    const QVariant frame = m_channelModel->value(current.isValid() ? current.row() : -1, key);
    if (frame.isValid())
        emit goToFrame(frame.toLongLong());
}

void StatisticsWindow::goToCell(const QModelIndex &index)
{
    const QString key = m_channelModel->section().columns.value(index.column()).key;
    if (key.startsWith(QLatin1String("gap_min")))
        goToGap(QStringLiteral("gap_min_frame"));
    else if (key.startsWith(QLatin1String("gap_max")))
        goToGap(QStringLiteral("gap_max_frame"));
}

void StatisticsWindow::copyReport() const
{
    if (m_report)
        QGuiApplication::clipboard()->setText(m_report->toTsv());
}

} // namespace Korvex
