#include "sample_vote.h"

bool SampleVote::add(double sample) {
    if (!full())
        m_samples.append(sample);
    return full();
}

double SampleVote::result() const {
    return Vote(m_samples);
}

double SampleVote::Vote(const QList<double>& samples) {
    // Samples are byte / 10 or byte / 50 computed the same way each time, so equal bytes give
    // bit-equal doubles.
    double best = 0;
    qsizetype bestCount = 0;
    for (double s : samples) {
        const qsizetype n = samples.count(s);
        if (n > bestCount) {
            best = s;
            bestCount = n;
        }
    }
    return best;
}
