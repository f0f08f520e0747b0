#pragma once

#include <QList>

// The filtered reads of the tables and the curve read one cell several times and keep the value
// that repeats: the most frequent of the samples, the one seen first on a tie.
class SampleVote {
public:
    static constexpr int SampleCount = 6;

    void clear() { m_samples.clear(); }
    // Stores a sample; true once SampleCount samples are in.
    bool add(double sample);
    bool full() const { return m_samples.size() >= SampleCount; }
    int count() const { return int(m_samples.size()); }
    const QList<double>& samples() const { return m_samples; }

    // The most frequent sample (ties: the first seen); 0 when there is none.
    double result() const;
    static double Vote(const QList<double>& samples);

private:
    QList<double> m_samples;
};
