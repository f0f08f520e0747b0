#include "faults.h"

#include "codec.h"

#include <algorithm>

namespace sim {

bool Faults::hit(double rate) {
    const double draw = std::uniform_real_distribution<double>(0, 1)(m_rng);
    return draw < rate;
}

int Faults::pick(int count) {
    return std::uniform_int_distribution<int>(0, count - 1)(m_rng);
}

QList<Faults::Chunk> Faults::apply(const QByteArray& answer, char separator) {
    const bool drop = hit(m_rates.drop);
    const bool error = hit(m_rates.error);
    const bool lower = hit(m_rates.lower);
    const bool corrupt = hit(m_rates.corrupt);
    const bool delay = hit(m_rates.delay);
    const bool split = hit(m_rates.split);
    if (drop || answer.isEmpty())
        return {};

    QByteArray text = error ? QByteArray("*") : answer;
    if (lower)
        text = text.toLower();
    if (corrupt) {
        QList<int> positions;
        for (int i = 0; i < text.size(); ++i)
            if (text.at(i) != separator)
                positions.append(i);
        if (!positions.isEmpty()) {
            const int pos = positions.at(pick(int(positions.size())));
            const int digit = Codec::hexDigit(text.at(pos));
            text[pos] = digit < 0 ? '?' : Codec::digitChar((digit + 1 + pick(15)) % 16);
        }
    }

    const int start = delay ? std::max(m_rates.delayMs, 0) : 0;
    if (!split || text.size() < 2)
        return {Chunk{start, text}};
    const int pieces = std::min(int(text.size()), 2 + pick(3));
    QList<int> cuts; // distinct cut positions 1..size-1
    while (cuts.size() < pieces - 1) {
        const int cut = 1 + pick(int(text.size()) - 1);
        if (!cuts.contains(cut))
            cuts.append(cut);
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.append(int(text.size()));
    QList<Chunk> chunks;
    int from = 0;
    for (const int cut : cuts) {
        chunks.append(
            Chunk{start + int(chunks.size()) * m_rates.splitGapMs, text.mid(from, cut - from)});
        from = cut;
    }
    return chunks;
}

} // namespace sim
