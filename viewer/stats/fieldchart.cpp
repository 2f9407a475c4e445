// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/stats/fieldchart.h"

#include "core/fields/fielddefinitions.h"
#include "core/files/capture.h"
#include "core/filters/framefacts.h"
#include "core/session/capturesession.h"
#include "core/stats/capturepass.h"
#include "core/stats/fieldtimeseries.h"
#include "viewer/stats/tickaxis.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QValueAxis>
#include <QVBoxLayout>

#include <cmath>

namespace Korvex {

namespace {

// Intervals enough for a step line as fine as a wide chart's pixels, at most four points each.
constexpr int Intervals = 1000;

// The chosen field is kept in the combo box as message * FieldsPerMessage + field.
constexpr int FieldsPerMessage = 1 << 16;

} // namespace

const QString FieldChart::TaskKind = QStringLiteral("field chart");

FieldChart::FieldChart(CaptureSession &session, QWidget *parent)
    : QWidget(parent)
    , m_session(session)
{
    m_field = new QComboBox(this);
    m_field->setObjectName(QStringLiteral("cbField"));
    m_field->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_view = new QChartView(this);
    m_view->setObjectName(QStringLiteral("cvField"));
    m_view->viewport()->installEventFilter(this);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, TaskRunner::ProgressScale);
    m_cancel = new QPushButton(tr("Cancel"), this);

    auto *controls = new QHBoxLayout;
    controls->addWidget(new QLabel(tr("Field:")));
    controls->addWidget(m_field);
    controls->addStretch(1);
    controls->addWidget(m_progress);
    controls->addWidget(m_cancel);
    controls->addWidget(new QLabel(tr("Click the chart to select the frame of the value there")));
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(m_view, 1);

    connect(m_field, &QComboBox::activated, this, &FieldChart::start);
    connect(m_cancel, &QPushButton::clicked, this, &FieldChart::cancel);
    connect(&session.tasks(), &TaskRunner::progressChanged, this,
            [this](const QString &kind, int value) {
                if (kind == TaskKind)
                    m_progress->setValue(value);
            });
    connect(&session, &CaptureSession::captureChanged, this, &FieldChart::captureChanged);
    connect(&session, &CaptureSession::fieldDefinitionsChanged, this,
            &FieldChart::definitionsChanged);
    definitionsChanged();
    captureChanged();
}

FieldChart::~FieldChart()
{
    m_session.tasks().cancel(TaskKind);
}

bool FieldChart::isComputing() const
{
    return m_session.tasks().isRunning(TaskKind);
}

QChart *FieldChart::chart() const
{
    return m_view->chart();
}

void FieldChart::captureChanged()
{
    // Nothing to draw until the charts window gives the rows of the new capture.
    m_rows = FrameRows();
    clear();
}

void FieldChart::clear()
{
    m_stale = false;
    m_session.tasks().cancel(TaskKind);
    m_series.reset();
    m_progress->hide();
    m_cancel->hide();
    draw();
}

void FieldChart::definitionsChanged()
{
    const QString chosen = m_field->currentText();
    m_field->clear();
    if (const std::shared_ptr<const FieldDefinitions> &definitions = m_session.fieldDefinitions()) {
        for (int m = 0; m < definitions->messageCount(); ++m) {
            const MessageDefinition &message = definitions->message(m);
            for (int f = 0; f < int(message.fields.size()) && f < FieldsPerMessage; ++f)
                m_field->addItem(message.name + QLatin1Char('.')
                                     + message.fields[std::size_t(f)].name,
                                 m * FieldsPerMessage + f);
        }
    }
    m_field->setCurrentIndex(qMax(0, m_field->findText(chosen)));
    m_field->setEnabled(m_field->count() > 0);
    // The line of the old definitions goes; the new one is computed while the chart is shown.
    clear();
    m_stale = true;
    if (isVisible())
        start();
}

void FieldChart::refresh(const FrameRows &rows)
{
    m_rows = rows;
    m_stale = true;
    if (isVisible())
        start();
}

void FieldChart::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_stale)
        start();
}

void FieldChart::cancel()
{
    if (!isComputing())
        return;
    m_session.tasks().cancel(TaskKind);
    passFinished(nullptr);
}

void FieldChart::start()
{
    m_stale = false;
    m_session.tasks().cancel(TaskKind);
    // The pass holds the capture and the definitions until it ends.
    const std::shared_ptr<const Capture> capture = m_session.capture();
    const std::shared_ptr<const FieldDefinitions> definitions = m_session.fieldDefinitions();
    if (!capture || !definitions || m_field->count() == 0
        || m_rows.total() != m_session.frameCount()) {
        m_series.reset();
        draw();
        return;
    }
    if (capture->protocolVersion() != 0) {
        m_series.reset();
        draw(tr("Payload fields are decoded in DigRF 3G captures only"));
        return;
    }
    const int chosen = m_field->currentData().toInt();
    const int message = chosen / FieldsPerMessage;
    const auto [first, last] = CapturePass::timeSpan(*capture, m_rows);
    const quint64 duration = last > first ? last - first : 0;
    const FieldTimeSeries empty(definitions, message, chosen % FieldsPerMessage,
                                TimeBinning(first, duration,
                                            TimeBinning::automatic(duration, Intervals)));
    m_progress->setValue(0);
    m_progress->show();
    m_cancel->show();
    draw(tr("Reading %1 ...").arg(m_field->currentText()));
    using Result = std::shared_ptr<const FieldTimeSeries>;
    m_session.tasks().start<Result>(
        TaskKind,
        [capture, rows = m_rows, empty, definitions, message](QPromise<Result> &promise) {
            std::optional<FieldTimeSeries> series = CapturePass(*capture, rows).collect(
                empty,
                [&](FieldTimeSeries &part, const FrameCursor &cursor) {
                    // Only frames that may be the message have their payload taken out.
                    if (cursor.isMissing() || !definitions->mayBe(message, cursor.header()))
                        return;
                    const FrameFacts facts =
                        FrameFacts::fromBytes(cursor.number(), cursor.header(), cursor.ticks(),
                                              cursor.bytes(), cursor.length(), 0);
                    part.add(facts.number, facts.header, facts.payload.data(),
                             facts.payloadLength, FrameRecord::nsOfTicks(facts.ticks));
                },
                TaskRunner::progressOf(promise));
            if (series)
                promise.addResult(std::make_shared<const FieldTimeSeries>(std::move(*series)));
        },
        [this, capture](Result series) {
            // A line of a capture no longer on display is not drawn.
            if (capture == m_session.capture())
                passFinished(std::move(series));
        });
}

void FieldChart::passFinished(std::shared_ptr<const FieldTimeSeries> series)
{
    const bool completed = series != nullptr;
    m_progress->hide();
    m_cancel->hide();
    if (completed)
        m_series = std::move(series);
    draw(completed ? QString() : tr("Cancelled: Refresh computes the chart again."));
    emit computed(completed);
}

void FieldChart::draw(const QString &title)
{
    auto *chart = new QChart;
    chart->legend()->hide();
    const std::shared_ptr<const FieldDefinitions> &definitions = m_session.fieldDefinitions();
    if (!title.isEmpty() || !m_series || !definitions) {
        if (!title.isEmpty())
            chart->setTitle(title);
        else if (m_session.capture() && !definitions)
            chart->setTitle(tr("No field definitions are loaded: Fields ▸ Load Definitions…"));
    } else {
        const TimeBinning &binning = m_series->binning();
        const double start = double(binning.startNs());
        const double end = double(binning.binStart(binning.bins()));
        const int chosen = m_field->currentData().toInt();
        const FieldDefinition &field =
            definitions->field(chosen / FieldsPerMessage, chosen % FieldsPerMessage);
        chart->setTitle(m_series->frames() == 0
                            ? tr("No frame is the message of %1").arg(m_field->currentText())
                            : tr("%1 over time, from %2 frames")
                                  .arg(m_field->currentText())
                                  .arg(m_series->frames()));
        // A value that never changes lies in the middle of the chart, not on its edge.
        const bool constant = m_series->maximum() == m_series->minimum();
        const double low = m_series->minimum() - (constant ? 1 : 0);
        const double high = m_series->maximum() + (constant ? 1 : 0);
        auto *line = new QLineSeries(chart);
        line->replace(m_series->stepLine(1));
        chart->addSeries(line);
        // The axis is in nanoseconds and names the unit that reads best.
        auto *x = new TickAxis(TickAxis::Kind::Time, tr("Time [%1]"));
        x->setRange(start, end > start ? end : start + 1);
        auto *y = new QValueAxis;
        y->setTitleText(field.unit.isEmpty()
                            ? m_field->currentText()
                            : tr("%1 [%2]").arg(m_field->currentText(), field.unit));
        y->setLabelFormat(QStringLiteral("%g"));
        y->setRange(low, high);
        y->applyNiceNumbers();
        chart->addAxis(x, Qt::AlignBottom);
        chart->addAxis(y, Qt::AlignLeft);
        line->attachAxis(x);
        line->attachAxis(y);
    }
    // The view lets go of its chart without deleting it.
    QChart *old = m_view->chart();
    m_view->setChart(chart);
    delete old;
}

qint64 FieldChart::frameAtAxis(double x) const
{
    if (!m_series || !std::isfinite(x))
        return -1;
    const double ns = x;
    return m_series->frameAt(ns <= 0 ? 0 : ns >= 1.8e19 ? ~quint64(0) : quint64(std::llround(ns)));
}

bool FieldChart::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_view->viewport() || event->type() != QEvent::MouseButtonPress)
        return QWidget::eventFilter(watched, event);
    const auto *press = static_cast<QMouseEvent *>(event);
    QChart *chart = m_view->chart();
    const QPointF at = chart->mapFromScene(m_view->mapToScene(press->position().toPoint()));
    if (press->button() == Qt::LeftButton && m_series && chart->plotArea().contains(at)) {
        const qint64 frame = frameAtAxis(chart->mapToValue(at).x());
        if (frame >= 0)
            emit goToFrame(frame);
    }
    return true;
}

} // namespace Korvex
