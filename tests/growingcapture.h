// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef TESTS_GROWINGCAPTURE_H
#define TESTS_GROWINGCAPTURE_H

#include "capturefixture.h"

#include "core/files/capture.h"
#include "core/filters/filterexpression.h"
#include "core/filters/framebitmap.h"
#include "core/filters/framefilter.h"
#include "core/filters/framerows.h"

#include <QByteArray>
#include <QFile>
#include <QSemaphore>
#include <QThread>

#include <atomic>
#include <memory>

/// A capture file written piece by piece, and the capture that follows it.
struct GrowingCapture
{
    explicit GrowingCapture(const QString &path)
        : path(path)
        , file(path)
        , capture(std::make_shared<Korvex::Capture>(path))
    {
    }
    bool start()
    {
        // Reads on the pass threads wait while the gate is shut.
        capture->setReadFunction([this](quint64 offset, char *buffer, qint64 length, QString *error) {
            if (shut && QThread::currentThread() != mainThread) {
                held.release();
                gate.acquire();
            }
            QFile reader(path);
            if (!reader.open(QIODevice::ReadOnly) || !reader.seek(qint64(offset))) {
                *error = reader.errorString();
                return qint64(-1);
            }
            return reader.read(buffer, length);
        });
        return file.open(QIODevice::WriteOnly) && capture->open(sink);
    }
    bool append(const QByteArray &bytes)
    {
        if (file.write(bytes) != bytes.size() || !file.flush())
            return false;
        capture->readNewBytes(sink);
        return true;
    }

    // What the pass threads read; the file is written on the test's thread.
    const QString path;
    QFile file;
    std::shared_ptr<Korvex::Capture> capture;
    CaptureFixture::QuietSink sink;
    QThread *mainThread = QThread::currentThread();
    std::atomic<bool> shut{false};
    QSemaphore held;
    QSemaphore gate;
};

/// The rows a display filter shows of a capture's first frames, by one pass.
inline Korvex::FrameRows filteredRows(const Korvex::Capture &capture, const QString &text,
                                      qint64 frames)
{
    Korvex::FilterError error;
    auto bits = std::make_shared<Korvex::FrameBitmap>(frames);
    Korvex::FrameFilter(capture, Korvex::FilterExpression::parse(text, &error))
        .evaluate(0, frames, bits->words());
    bits->finish();
    return Korvex::FrameRows(bits);
}

#endif // TESTS_GROWINGCAPTURE_H
