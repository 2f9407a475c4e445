// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef BENCH_CAPTUREGROWER_H
#define BENCH_CAPTUREGROWER_H

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

/// Writes a DigRF 3G capture on a thread of its own, as an instrument does: the tags, then
/// random frames at a steady rate in pieces of any length, cut anywhere in a frame. Notes the
/// time of every piece, so that a reader can tell how long after its write a frame was read.
class CaptureGrower
{
public:
    struct Piece
    {
        qint64 end;     // file offset after it
        qint64 wroteAt; // ns since start()
    };

    static constexpr char Tags[] = "{TYPE:bench}{DATA LIST-1:#";

    /// Creates the file with the tags alone.
    explicit CaptureGrower(const QString &path)
        : m_file(path)
        , m_frames(randomFrames(1 << 20))
    {
        m_open = m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
                 && m_file.write(Tags) == qint64(sizeof Tags - 1);
    }
    ~CaptureGrower() { join(); }

    bool isOpen() const { return m_open; }

    /// Appends `bytesPerSecond` for `seconds`.
    void start(double seconds, double bytesPerSecond)
    {
        m_clock.start();
        m_writing = true;
        m_thread = std::thread([this, seconds, bytesPerSecond] {
            const qint64 tags = qint64(sizeof Tags - 1);
            qint64 written = tags;
            qint64 at = 0;
            while (m_clock.nsecsElapsed() < qint64(seconds * 1e9)) {
                const qint64 due = tags + qint64(bytesPerSecond * double(m_clock.nsecsElapsed()) / 1e9);
                while (written < due) {
                    const qint64 piece = std::min<qint64>(
                        {due - written, m_frames.size() - at,
                         qint64(QRandomGenerator::global()->bounded(1 << 18)) + 1});
                    m_file.write(m_frames.constData() + at, piece);
                    written += piece;
                    at = (at + piece) % m_frames.size();
                    const std::lock_guard<std::mutex> hold(m_lock);
                    m_pieces.push_back({written, m_clock.nsecsElapsed()});
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            m_writing = false;
        });
    }
    bool writing() const { return m_writing; }
    void join()
    {
        if (m_thread.joinable())
            m_thread.join();
    }
    qint64 size() const { return m_file.size(); }
    /// Nanoseconds since start().
    qint64 now() const { return m_clock.nsecsElapsed(); }

    /// The milliseconds from write to read of the pieces whose frames all end before
    /// `readEnd` (a reader's data end), that were not counted before.
    void measure(qint64 readEnd, std::vector<double> *latencies)
    {
        // A piece counts as read once every frame that ends within it is.
        const qint64 read = readEnd + 72;
        const qint64 time = now();
        const std::lock_guard<std::mutex> hold(m_lock);
        for (; m_measured < m_pieces.size() && m_pieces[m_measured].end <= read; ++m_measured)
            latencies->push_back(double(time - m_pieces[m_measured].wroteAt) / 1e6);
    }

    // Random frames, whole, to be written over and over: any copy starts on a frame.
    static QByteArray randomFrames(int count)
    {
        static constexpr int Words[7] = {1, 1, 2, 3, 4, 8, 16};
        QRandomGenerator random(7);
        QByteArray bytes;
        bytes.reserve(qsizetype(count) * 30);
        char word[4];
        for (int i = 0; i < count; ++i) {
            const quint32 code = random.bounded(7u);
            qToLittleEndian<quint32>(code << 5 | random.bounded(32u), word);
            bytes.append(word, 4);
            qToLittleEndian<quint32>(random.bounded(40u), word);
            bytes.append(word, 4);
            for (int w = 0; w < Words[code]; ++w) {
                qToLittleEndian<quint32>(random.generate(), word);
                bytes.append(word, 4);
            }
        }
        return bytes;
    }

private:
    QFile m_file;
    QByteArray m_frames;
    bool m_open = false;
    QElapsedTimer m_clock;
    std::atomic<bool> m_writing{false};
    std::thread m_thread;
    std::mutex m_lock;
    std::vector<Piece> m_pieces;
    std::size_t m_measured = 0;
};

#endif // BENCH_CAPTUREGROWER_H
