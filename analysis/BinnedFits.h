#pragma once

#include "LissajousFit.h"

#include <QVector>
#include <QtGlobal>

#include <utility>
#include <vector>

// Fits groups of sample pairs: each pair comes with the key of its group
// (a bin along the travel, an angle, a frequency band), every group that
// holds any pair gets one Lissajous fit. A group with too few pairs, or
// pairs covering too little of a period, is left without figures (the
// fit's reason says why), never filled in from its neighbours.
class BinnedFits
{
public:
    struct Group
    {
        qint64 key = 0;
        LissajousFit::Result fit; // fit.samples: the pairs the group held
    };

    using KeyedPair = std::pair<qint64, SinCosPair>;

    // Groups in ascending key order; `keyed` is sorted in place.
    static QVector<Group> fit(std::vector<KeyedPair>& keyed, double equivalentNm);
};
