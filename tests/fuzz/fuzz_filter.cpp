// SPDX-License-Identifier: GPL-3.0-or-later
// The filter language over arbitrary text: parsing never crashes; a refused text names a
// place inside it and what was expected; an accepted one judges frames alike whether it knows
// all of a frame or only its header byte and number (when that is enough to decide).

#include "fuzzcheck.h"

#include "core/filters/filterexpression.h"
#include "core/filters/framefacts.h"

#include <algorithm>
#include <cstdint>

using namespace Korvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    FilterError error;
    const FilterExpression expression = FilterExpression::parse(text, &error);
    if (error.isError()) {
        FUZZ_CHECK(error.position >= 0 && error.position <= text.size(), text);
        FUZZ_CHECK((!error.expected.isEmpty() || !error.problem.isEmpty())
                       && !error.message().isEmpty(),
                   text);
        FUZZ_CHECK(expression.matchesEverything(), text);
        return 0;
    }
    const FilterError outside = expression.checkFor(1);
    FUZZ_CHECK(!outside.isError() || (outside.position >= 0 && outside.position < text.size()), text);
    const std::vector<qint64> breaks = expression.frameBreaks();
    FUZZ_CHECK(std::is_sorted(breaks.begin(), breaks.end()), text);

    // Frames made of the text's own bytes, so that patterns and numbers in it can match; each
    // with at most the payload its size code gives, as the frames of a capture have.
    static constexpr size_t PayloadBytes[8] = {1, 4, 8, 12, 16, 32, 64, 0};
    for (size_t at = 0; at < qMin<size_t>(size, 64); at += 8) {
        FrameFacts facts;
        facts.header = data[at];
        facts.number = qint64(data[at]) * 37 + qint64(at);
        facts.ticks = quint64(data[at]) << (at % 40);
        facts.payloadLength = int(qMin(size - at, PayloadBytes[facts.header >> 5]));
        for (int i = 0; i < facts.payloadLength; ++i)
            facts.payload[std::size_t(i)] = data[at + std::size_t(i)];
        const bool matches = expression.matches(facts);
        const FilterExpression::Truth truth = expression.decide(facts.header, facts.number);
        if (truth != FilterExpression::Truth::Unknown)
            FUZZ_CHECK((truth == FilterExpression::Truth::True) == matches, text);
    }
    return 0;
}
