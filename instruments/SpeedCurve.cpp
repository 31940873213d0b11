#include "SpeedCurve.h"

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

double nowSeconds()
{
    return QDateTime::currentMSecsSinceEpoch() / 1000.0;
}

} // namespace

SpeedCurve::SpeedCurve(QWidget* parent)
    : QWidget(parent), m_plot(new QCustomPlot), m_speedLabel(new QLabel(this))
{
    m_plot->yAxis->setLabel(QStringLiteral("Speed(mm/s)"));
    m_plot->yAxis->setRange(0, m_maxSpeed);
    setupPlot();

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setAlignment(Qt::AlignVCenter);
    layout->addWidget(m_plot, 0);
    auto* readout = new QHBoxLayout;
    readout->setContentsMargins(5, 0, 0, 5);
    readout->setSpacing(10);
    readout->setAlignment(Qt::AlignVCenter);
    layout->addLayout(readout, 0);
    auto* unit = new QLabel(QStringLiteral("mm/s"), this);
    readout->addWidget(m_speedLabel);
    readout->addWidget(unit);

    m_speedLabel->setFixedWidth(140);
    m_speedLabel->setText(tr("Speed:") + InstrumentText::speed(0));
    m_speedLabel->setStyleSheet(QString::fromLatin1(kLabelStyle));
    unit->setStyleSheet(QString::fromLatin1(kLabelStyle));
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
