#include "SpeedCurve.h"

#include "InstrumentGeometry.h"
#include "InstrumentText.h"

#include <qcustomplot.h>

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>

namespace {

const QColor kAccent(30, 144, 255);
const char* const kLabelStyle =
    "font-size : 18px; color : rgba(30, 144, 255, 1); font: bold  large Microsoft YaHei ;";

QLinearGradient backgroundGradient()
{
    QLinearGradient gradient(0, 0, 0, 350);
    gradient.setColorAt(0, QColor(255, 250, 240));
    gradient.setColorAt(1, QColor(253, 245, 230));
    return gradient;
}

void styleAxis(QCPAxis* axis)
{
    const QPen pen(kAccent, 1.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    axis->setTickLabelColor(kAccent);
    axis->setBasePen(pen);
    axis->setTickPen(pen);
    axis->setSubTickPen(pen);
}

// The speed axis's label, and the shorter one for a low plot.
const QString kAxisLabels[] = {QStringLiteral("Speed(mm/s)"), QStringLiteral("mm/s")};

double nowSeconds()
{
    return QDateTime::currentMSecsSinceEpoch() / 1000.0;
}

} // namespace

SpeedCurve::SpeedCurve(QWidget* parent)
    : QWidget(parent), m_plot(new QCustomPlot), m_speedLabel(new QLabel(this)),
      m_unitLabel(new QLabel(QStringLiteral("mm/s"), this)), m_speedTicker(new QCPAxisTickerFixed)
{
    m_plot->yAxis->setLabel(kAxisLabels[0]);
    m_plot->yAxis->setRange(0, m_maxSpeed);
    // Speed labels as far apart as the plot's height allows (fitSpeedAxis),
    // and an axis rect that may be as low as a panel in the main window.
    m_speedTicker->setScaleStrategy(QCPAxisTickerFixed::ssNone);
    m_plot->yAxis->setTicker(m_speedTicker);
    const int labelHeight = QFontMetrics(m_plot->yAxis->tickLabelFont()).height();
    m_plot->axisRect()->setMinimumSize(50, labelHeight);
    QMargins margins = m_plot->axisRect()->minimumMargins();
    margins.setTop(qMin(margins.top(), labelHeight / 2 + 2)); // room for the top label's upper half
    m_plot->axisRect()->setMinimumMargins(margins);
    connect(m_plot, &QCustomPlot::beforeReplot, this, [this] {
        // Before the layout: the axis rect's vertical margins are those of
        // the last layout, the viewport is the plot's current size.
        const QCPAxisRect* rect = m_plot->axisRect();
        fitSpeedAxis(m_plot->viewport().height() - (rect->outerRect().height() - rect->height()),
                     rect->top() - rect->outerRect().top());
    });
    connect(m_plot, &QCustomPlot::afterLayout, this, [this] {
        // The margins may have moved by a pixel or two with the labels'
        // texts: check against the layout just made, replot again if need be.
        const QCPAxisRect* rect = m_plot->axisRect();
        if (fitSpeedAxis(rect->height(), rect->top() - rect->outerRect().top()))
            m_plot->replot(QCustomPlot::rpQueuedReplot);
    });
    setupPlot();

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setAlignment(Qt::AlignVCenter);
    layout->addWidget(m_plot, 0);
    auto* readout = new QHBoxLayout;
    readout->setContentsMargins(5, 0, kReadoutRightMargin, 5);
    readout->setSpacing(10);
    readout->setAlignment(Qt::AlignVCenter);
    layout->addLayout(readout, 0);
    readout->addWidget(m_speedLabel);
    readout->addWidget(m_unitLabel);

    m_speedLabel->setFixedWidth(140);
    m_speedLabel->setText(tr("Speed:") + InstrumentText::speed(0));
    m_speedLabel->setStyleSheet(QString::fromLatin1(kLabelStyle));
    m_unitLabel->setStyleSheet(QString::fromLatin1(kLabelStyle));
    m_plot->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void SpeedCurve::setupPlot()
{
    QCPGraph* graph = m_plot->addGraph();
    graph->setName(QStringLiteral("Time(s)"));
    graph->setPen(QPen(QColor(246, 98, 0), 2.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    const QColor dot(236, 110, 0);
    graph->setScatterStyle(QCPScatterStyle(
        QCPScatterStyle::ssCircle, QPen(dot, 2.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin),
        QBrush(dot), 0));

    QSharedPointer<QCPAxisTickerDateTime> ticker(new QCPAxisTickerDateTime);
    ticker->setDateTimeFormat(QStringLiteral("HH:mm:ss"));
    ticker->setTickCount(3); // room for the eight-character time labels
    m_plot->xAxis->setTicker(ticker);
    m_plot->xAxis->setRange(nowSeconds(), kWindowSeconds, Qt::AlignRight);

    m_plot->yAxis->setLabelColor(kAccent);
    styleAxis(m_plot->xAxis);
    styleAxis(m_plot->yAxis);

    m_plot->setBackground(QBrush(backgroundGradient()));
    m_plot->axisRect()->setBackground(QBrush(backgroundGradient()));
    m_plot->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignRight);
    m_plot->legend->setBrush(QColor(255, 255, 255, 200));
    m_plot->replot();
}

bool SpeedCurve::fitSpeedAxis(int axisPixels, int top)
{
    const int height = m_plot->viewport().height();
    const int labelHeight = QFontMetrics(m_plot->yAxis->tickLabelFont()).height();
    const double step = InstrumentGeometry::speedTickStep(m_plot->yAxis->range().size(), axisPixels,
                                                          labelHeight + kTickLabelGap);

    // The axis label is centred on the axis: the longest one that stays
    // inside the plot, or none.
    const double centre = top + axisPixels / 2.0;
    const double room = 2.0 * qMin(centre, height - centre);
    const QFontMetrics metrics(m_plot->yAxis->labelFont());
    QString label;
    for (const QString& candidate : kAxisLabels) {
        if (metrics.boundingRect(QRect(), Qt::TextDontClip, candidate).width() <= room) {
            label = candidate;
            break;
        }
    }
    if (step == m_speedTicker->tickStep() && label == m_plot->yAxis->label())
        return false;
    m_speedTicker->setTickStep(step);
    m_plot->yAxis->setLabel(label);
    return true;
}

void SpeedCurve::addSpeed(double speed)
{
    addSpeedAt(speed, nowSeconds());
}

void SpeedCurve::addSpeedAt(double speed, double now)
{
    if (speed > m_maxSpeed) {
        m_maxSpeed = speed;
        m_plot->yAxis->setRange(0, speed);
    }
    QCPGraph* graph = m_plot->graph(0);
    graph->addData(now, speed);
    graph->data()->removeBefore(now - kKeepSeconds);
    m_plot->xAxis->setRange(now, kWindowSeconds, Qt::AlignRight);
    m_plot->replot();
    m_speedLabel->setText(tr("Speed:") + InstrumentText::speed(speed));
}

void SpeedCurve::resetCurve()
{
    m_maxSpeed = kMinimumAxis;
    m_plot->yAxis->setRange(0, kMinimumAxis);
    m_plot->clearGraphs();
    setupPlot();
}
