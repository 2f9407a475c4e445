// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/filters/framefilter.h"

#include "core/files/capture.h"
#include "core/files/framecursor.h"
#include "core/filters/framebitmap.h"
#include "core/filters/framefacts.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <optional>

namespace Korvex {

namespace {

// A cursor that would have to walk further than this to the next frame to read starts anew
// there: about a read's worth of frames.
constexpr qint64 CursorReach = qint64(1) << 16;

} // namespace

FrameFilter::FrameFilter(const Capture &capture, const FilterExpression &expression)
    : m_capture(capture)
    , m_expression(expression)
{
}

std::shared_ptr<FrameBitmap> FrameFilter::matchingFrames(const WorkProgress &progress,
                                                         qint64 *missing, qint64 frames) const
{
    // The frames there are now, read once: a capture that is followed grows meanwhile.
    const qint64 count = frames >= 0 ? qMin(frames, m_capture.frameCount()) : m_capture.frameCount();
    auto bits = std::make_shared<FrameBitmap>(count);
    if (!evaluate(0, count, bits->words(), progress, missing))
        return nullptr;
    bits->finish();
    return bits;
}

QString FrameFilter::missingNote(qint64 missing)
{
    return missing == 1
               ? QCoreApplication::translate(
                     "Framescope", "1 frame is no longer in the file and was not searched.")
               : QCoreApplication::translate(
                     "Framescope", "%L1 frames are no longer in the file and were not searched.")
                     .arg(missing);
}

bool FrameFilter::evaluate(qint64 first, qint64 end, quint64 *words,
                           const WorkProgress &progress, qint64 *missing,
                           quint64 *missingWords) const
{
    // Pieces start on checkpoints, multiples of 64 frames as `first` is, so each writes its
    // own words of the bitmaps and no merge is needed but the sum of the missing frames.
    std::atomic<qint64> unread{0};
    const auto piece = [&](int, qint64 from, qint64 to, const WorkProgress &pieceProgress) {
        qint64 pieceMissing = 0;
        const qint64 word = (from - first) / 64;
        const bool done = evaluatePiece(from, to, words + word, pieceProgress, pieceMissing,
                                        missingWords ? missingWords + word : nullptr);
        unread += pieceMissing;
        return done;
    };
    if (!m_pass.run(first, qMin(end, m_capture.frameCount()), piece, progress))
        return false;
    if (missing)
        *missing += unread;
    return true;
}

bool FrameFilter::evaluatePiece(qint64 first, qint64 end, quint64 *words,
                                const WorkProgress &progress, qint64 &unread,
                                quint64 *missingWords) const
{
    const std::vector<qint64> breaks = m_expression.frameBreaks();
    auto nextBreak = std::upper_bound(breaks.begin(), breaks.end(), first);
    for (qint64 from = first; from < end;) {
        const qint64 to = nextBreak != breaks.end() && *nextBreak < end ? *nextBreak++ : end;
        // Within the stretch every comparison with the frame number answers as at its start.
        Truths truths;
        bool unknown = false;
        for (int header = 0; header < 256; ++header) {
            truths[std::size_t(header)] = m_expression.decide(quint8(header), from);
            unknown = unknown || truths[std::size_t(header)] == FilterExpression::Truth::Unknown;
        }
        const bool done = unknown ? fromFile(first, from, to, truths, words, end, progress,
                                             unread, missingWords)
                                  : fromIndex(first, from, to, truths, words, end, progress);
        if (!done)
            return false;
        from = to;
    }
    return true;
}

bool FrameFilter::fromIndex(qint64 first, qint64 from, qint64 to, const Truths &truths,
                            quint64 *words, qint64 end, const WorkProgress &progress) const
{
    std::array<quint64, 256> bit;
    for (std::size_t header = 0; header < 256; ++header)
        bit[header] = truths[header] == FilterExpression::Truth::True ? 1 : 0;
    const FrameIndex &index = m_capture.index();
    qint64 n = from;
    while (n < to) {
        qint64 available = 0;
        const quint8 *header = index.headers(n, &available);
        const qint64 stop = qMin(to, n + available);
        qint64 at = n - first;
        // Single frames up to a word's start, whole words of 64 frames, then the rest.
        for (; n < stop && (at & 63) != 0; ++n, ++at)
            words[at >> 6] |= bit[*header++] << (at & 63);
        for (; n + 64 <= stop; n += 64, at += 64, header += 64) {
            quint64 word = 0;
            for (int k = 0; k < 64; ++k)
                word |= bit[header[k]] << k;
            words[at >> 6] |= word;
        }
        for (; n < stop; ++n, ++at)
            words[at >> 6] |= bit[*header++] << (at & 63);
        if (progress && !progress(n - first, end - first))
            return false;
    }
    return true;
}

bool FrameFilter::fromFile(qint64 first, qint64 from, qint64 to, const Truths &truths,
                           quint64 *words, qint64 end, const WorkProgress &progress,
                           qint64 &missing, quint64 *missingWords) const
{
    const FrameIndex &index = m_capture.index();
    const int version = m_capture.protocolVersion();
    const bool payloads = m_expression.needsPayload();
    // Every payload byte lies in the frame's words after its header and time words, in another
    // order: a frame whose words lack a byte that every match holds does not match.
    const int required = payloads ? m_expression.requiredPayloadByte() : -1;
    std::optional<FrameCursor> cursor;
    qint64 n = from;
    while (n < to) {
        qint64 available = 0;
        const quint8 *headers = index.headers(n, &available);
        const qint64 stop = qMin(to, n + available);
        for (; n < stop; ++n) {
            const quint8 header = *headers++;
            const FilterExpression::Truth truth = truths[header];
            bool match = truth == FilterExpression::Truth::True;
            if (truth == FilterExpression::Truth::Unknown) {
                if (!cursor || cursor->number() >= n || n - cursor->number() > CursorReach)
                    cursor.emplace(m_capture, n, to);
                while (cursor->number() < n)
                    cursor->next();
                const char *bytes = cursor->bytes();
                const qint64 length = cursor->length();
                if (required >= 0 && bytes && length > 8
                    && !std::memchr(bytes + 8, required, std::size_t(length - 8)))
                    continue;
                const FrameFacts facts = FrameFacts::fromBytes(n, header, cursor->ticks(), bytes,
                                                               length, version, payloads);
                match = m_expression.matches(facts);
                if (facts.missing) {
                    ++missing;
                    if (missingWords)
                        missingWords[(n - first) >> 6] |= quint64(1) << ((n - first) & 63);
                }
            }
            if (match) {
                const qint64 at = n - first;
                words[at >> 6] |= quint64(1) << (at & 63);
            }
        }
        if (progress && !progress(n - first, end - first))
            return false;
    }
    return true;
}

} // namespace Korvex
