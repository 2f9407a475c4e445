// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef TESTS_TEXTRECORDER_H
#define TESTS_TEXTRECORDER_H

#include <QColor>
#include <QLineF>
#include <QList>
#include <QMap>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QStringList>

#include <cmath>
#include <limits>
#include <memory>

/// A page that keeps what is painted on it, in its pixels: each text with the start of its
/// baseline, the lines, and the colours of filled rectangles. Lets a test read a printout.
class TextRecorder : public QPaintDevice
{
public:
    struct Text
    {
        QPointF at;
        QString text;
    };

    TextRecorder(int width, int height, int dpi)
        : m_size(width, height)
        , m_dpi(dpi)
        , m_engine(std::make_unique<Engine>(this))
    {
    }

    QPaintEngine *paintEngine() const override { return m_engine.get(); }

    /// The texts line by line from the top, each line's texts from the left; texts whose
    /// baselines round to the same pixel are one line.
    QList<QStringList> textLines() const
    {
        QMap<qint64, QMap<qreal, QString>> lines;
        for (const Text &text : texts)
            lines[std::llround(text.at.y())].insert(text.at.x(), text.text);
        QList<QStringList> result;
        for (const auto &line : std::as_const(lines))
            result.append(line.values());
        return result;
    }

    QList<Text> texts;
    QList<QLineF> lines;
    QList<QColor> fills;

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return m_size.width();
        case PdmHeight:
            return m_size.height();
        case PdmWidthMM:
            return int(m_size.width() * 25.4 / m_dpi);
        case PdmHeightMM:
            return int(m_size.height() * 25.4 / m_dpi);
        case PdmNumColors:
            return std::numeric_limits<int>::max();
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return m_dpi;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        default:
            return 0;
        }
    }

private:
    /// Hands what is painted to the page; draws nothing.
    class Engine : public QPaintEngine
    {
    public:
        explicit Engine(TextRecorder *page)
            : QPaintEngine(AllFeatures)
            , m_page(page)
        {
        }
        bool begin(QPaintDevice *) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState &state) override
        {
            if (state.state() & DirtyBrush)
                m_brush = state.brush();
        }
        void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
        void drawPath(const QPainterPath &) override {}
        void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}
        void drawLines(const QLineF *lines, int count) override
        {
            for (int i = 0; i < count; ++i)
                m_page->lines.append(painter()->combinedTransform().map(lines[i]));
        }
        void drawRects(const QRectF *, int) override { m_page->fills.append(m_brush.color()); }
        void drawTextItem(const QPointF &at, const QTextItem &item) override
        {
            m_page->texts.append({painter()->combinedTransform().map(at), item.text()});
        }
        Type type() const override { return User; }

    private:
        TextRecorder *m_page;
        QBrush m_brush;
    };

    QSize m_size;
    int m_dpi;
    std::unique_ptr<Engine> m_engine;
};

#endif // TESTS_TEXTRECORDER_H
