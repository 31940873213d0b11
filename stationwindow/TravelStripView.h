#pragma once

#include "TravelBins.h"

#include <QWidget>

#include <optional>

// The amplitude along the travel as a strip beneath the station's Lissajous
// picture (testreport/TravelPlots): one bar per bin of the test running,
// red where a bin falls below the profile's amplitude variation limit, and
// how much of the travel the bins cover. Repainted only when given new bins.
class TravelStripView : public QWidget
{
    Q_OBJECT

public:
    explicit TravelStripView(QWidget* parent = nullptr);

    void setTravel(const TravelBins::Result& travel, std::optional<double> variationLimitPct);
    void clear();
    const TravelBins::Result& travel() const { return m_travel; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TravelBins::Result m_travel;
    std::optional<double> m_limit;
};
