#include "BinnedFits.h"

#include <algorithm>

QVector<BinnedFits::Group> BinnedFits::fit(std::vector<KeyedPair>& keyed, double equivalentNm)
{
    // Stable, so that each group's pairs keep the recording's order.
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const KeyedPair& a, const KeyedPair& b) { return a.first < b.first; });
    QVector<Group> groups;
    std::vector<SinCosPair> pairs;
    pairs.reserve(keyed.size());
    std::size_t begin = 0;
    while (begin < keyed.size()) {
        std::size_t end = begin;
        pairs.clear();
        while (end < keyed.size() && keyed[end].first == keyed[begin].first)
            pairs.push_back(keyed[end++].second);
        Group group;
        group.key = keyed[begin].first;
        group.fit = LissajousFit::fit(pairs.data(), pairs.size(), equivalentNm);
        groups.append(group);
        begin = end;
    }
    return groups;
}
