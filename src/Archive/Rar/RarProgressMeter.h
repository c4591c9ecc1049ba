#pragma once

#include <QtGlobal>

#include <memory>

class RarProgress;

// Turns work done into the shared progress object's fraction, and answers
// whether the job was cancelled. The fraction never goes back, even when a
// second engine starts over after the first one failed.
class RarProgressMeter
{
public:
    explicit RarProgressMeter(std::shared_ptr<RarProgress> progress);

    // Starts counting towards `total` units (at least one).
    void begin(qint64 total);
    void advance(qint64 units);
    void finish();

    bool isCancelled() const;

private:
    void publish(double fraction);

    std::shared_ptr<RarProgress> m_progress;
    qint64 m_total = 1;
    qint64 m_done = 0;
    double m_published = 0.0;
};
