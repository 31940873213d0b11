#pragma once

#include <QList>
#include <QMutex>
#include <QtGlobal>

// One analogue sample pair, mid-scale 512.
struct SinCosSample
{
    qint16 sin = 0;
    qint16 cos = 0;
};

// The newest 50 sample pairs at most, oldest first: appended by the main
// window's live refresh, drawn by the sine/cosine view. Both run on the GUI
// thread; the mutex keeps the list whole for any other reader.
class SinCosHistory
{
public:
    static constexpr int kCapacity = 50;

    static SinCosHistory& global();

    void append(const SinCosSample& sample); // drops the oldest beyond 50
    QList<SinCosSample> samples() const;
    void clear();

private:
    mutable QMutex m_mutex; // guards m_samples
    QList<SinCosSample> m_samples;
};
