#include "myGauge2.h"

#include "Backdrop.h"
#include "InstrumentGeometry.h"
#include "InstrumentText.h"

#include <QPainter>
#include <QPolygonF>
#include <QTimer>
#include <QTransform>

#include <cmath>

namespace {

using InstrumentGeometry::Dial;

const QColor kAccent(30, 144, 255);
const QColor kAlarm(240, 50, 50);

QRectF square(const Dial& d, double half)
{
    return QRectF(d.cx - half, d.cy - half, 2 * half, 2 * half);
}

void drawBand(QPainter& p, const Dial& d)
{
    p.setPen(Qt::NoPen);
    const QRectF band = square(d, d.r3);
    p.setBrush(kAlarm);
    p.drawPie(band, 2304, 1296);
    p.setBrush(QBrush(Qt::green, Qt::SolidPattern));
    p.drawPie(band, 576, 1728);
    p.setBrush(kAlarm);
    p.drawPie(band, 576, -1296);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(d.cx, d.cy), d.r2, d.r2);
}

void drawScale(QPainter& p, const Dial& d)
{
    p.setPen(kAccent);
    p.translate(d.cx, d.cy);
    const QFontMetrics metrics = p.fontMetrics();
    for (int i = 0; i < InstrumentGeometry::kTickCount; ++i) {
        p.save();
        p.rotate(InstrumentGeometry::tickAngle(i));
        if (i % InstrumentGeometry::kTicksPerLabel == 0) {
            p.drawLine(QPointF(0, d.r3 + 3), QPointF(0, d.r3 + 13));
            const QString label = myGauge2::tr("%1").arg(InstrumentGeometry::tickLabelNumber(i));
            const int tw = metrics.horizontalAdvance(label);
            const int th = metrics.height();
            p.translate(-tw / 2.0, d.r3 + 3 + 10 + 3 + th);
            p.rotate(180);
            p.drawText(QPointF(-tw, th / 2.0), label);
        } else if (i % 5 == 0) {
            p.drawLine(QPointF(0, d.r3 + 3), QPointF(0, d.r3 + 10));
        } else {
            p.drawLine(QPointF(0, d.r3 + 3), QPointF(0, d.r3 + 8));
        }
        p.restore();
    }
}

void drawNeedle(QPainter& p, const Dial& d, double value)
{
    p.translate(d.cx, d.cy);
    p.rotate(InstrumentGeometry::needleAngle(value));
    p.setPen(Qt::NoPen);
    const QPointF tip(0, d.r3 + 10), left(-d.hub / 3, 0), right(d.hub / 3, 0);
    QLinearGradient gold(tip, left);
    gold.setColorAt(0, QColor(236, 187, 62));
    gold.setColorAt(0.5, QColor(220, 147, 0));
    gold.setColorAt(1, QColor(236, 187, 62));
    p.setBrush(gold);
    const QPointF needle[3] = {tip, left, right};
    p.drawPolygon(needle, 3, Qt::OddEvenFill);
}

void drawHub(QPainter& p, const Dial& d)
{
    p.setPen(Qt::NoPen);
    const QPointF centre(d.cx, d.cy);
    QRadialGradient metal(centre, d.hub, centre);
    metal.setColorAt(0, QColor(140, 140, 140));
    metal.setColorAt(0.7, QColor(140, 140, 140));
    metal.setColorAt(1, QColor(60, 60, 60));
    p.setBrush(metal);
    p.drawEllipse(centre, d.hub, d.hub);
}

// The given size, or smaller where the (translated) text would be wider
// than its box.
int fittingPoints(const Dial& d, const QRectF& box, const QString& text)
{
    QFont font;
    int points = qMax(1, InstrumentGeometry::valueFontPointSize(d));
    for (; points >= 1; --points) {
        font.setPointSize(points);
        if (QFontMetricsF(font).horizontalAdvance(text) <= box.width() - 2)
            break;
    }
    return qMax(1, points);
}

void drawValueBox(QPainter& p, const QRectF& box, const QString& text, int points)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.setOpacity(0.6);
    p.drawRoundedRect(box, 10, 10, Qt::RelativeSize);
    p.setOpacity(1.0);
    QFont font;
    font.setPointSize(points);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(box, Qt::AlignCenter, text);
}

} // namespace

myGauge2::myGauge2(QWidget* parent)
    : QWidget(parent), m_stepTimer(new QTimer(this)), m_refreshTimer(new QTimer(this)),
      m_backdrop(new Backdrop(this))
{
    m_stepTimer->setInterval(10);
    connect(m_stepTimer, &QTimer::timeout, this, &myGauge2::UpdateGraph);
    m_refreshTimer->setInterval(100);
    connect(m_refreshTimer, &QTimer::timeout, this, &myGauge2::repaintChanged);
    m_refreshTimer->start();
}

void myGauge2::setValue(double value)
{
    if (std::isnan(value) || value == m_targetValue)
        return;
    m_targetValue = value;
    if (!m_animating)
        m_shownValue = value;
    m_stepTimer->start();
    // With the frame that set it, not a repaint of its own a tick later.
    repaintChanged();
}

void myGauge2::setAnimating(bool enable)
{
    m_animating = enable;
    update();
}

void myGauge2::UpdateGraph()
{
    m_shownValue = m_targetValue;
    if (!std::isnan(m_targetValue))
        m_stepTimer->stop();
    repaintChanged();
}

void myGauge2::repaintChanged()
{
    if (!m_painted || m_backgroundSize != size() || m_backgroundFont != font()) {
        update();
        return;
    }
    const QString text = valueText();
    if (m_shownValue == m_paintedValue && text == m_paintedText)
        return;
    const Dial& d = m_backgroundDial;
    QRegion area = QRegion(needleArea(m_paintedValue)) + needleArea(m_shownValue);
    area += QRectF(d.cx - d.hub, d.cy - d.hub, 2 * d.hub, 2 * d.hub).toAlignedRect().adjusted(-2, -2, 2, 2);
    if (text != m_paintedText)
        area += InstrumentGeometry::valueBox(d).toAlignedRect().adjusted(-2, -2, 2, 2);
    update(area);
}

QRect myGauge2::needleArea(double value) const
{
    const Dial& d = m_backgroundDial;
    QTransform turn;
    turn.translate(d.cx, d.cy);
    turn.rotate(InstrumentGeometry::needleAngle(value));
    const QPolygonF needle({QPointF(0, d.r3 + 10), QPointF(-d.hub / 3, 0), QPointF(d.hub / 3, 0)});
    return turn.map(needle).boundingRect().toAlignedRect().adjusted(-2, -2, 2, 2);
}

int myGauge2::valuePoints(const QString& text, const QRectF& box)
{
    auto found = m_valuePoints.constFind(text);
    if (found != m_valuePoints.constEnd())
        return *found;
    if (m_valuePoints.size() > 1000)
        m_valuePoints.clear();
    return *m_valuePoints.insert(text, fittingPoints(m_backgroundDial, box, text));
}

QFont myGauge2::labelFont() const
{
    // The widget's font while the labels stand apart; on a dial shrunk to
    // keep its labels inside, a smaller one (down to 8 px) until they do.
    QFont font = this->font();
    for (int pixels = QFontInfo(font).pixelSize(); pixels >= kSmallestLabelPx; --pixels) {
        font.setPixelSize(pixels);
        const InstrumentGeometry::ScaleFont metrics =
            InstrumentGeometry::scaleFont(QFontMetrics(font));
        if (InstrumentGeometry::labelsApart(InstrumentGeometry::fittedDial(rect(), metrics),
                                            metrics))
            break;
    }
    return font;
}

InstrumentGeometry::Dial myGauge2::dial() const
{
    return InstrumentGeometry::fittedDial(
        rect(), InstrumentGeometry::scaleFont(QFontMetrics(labelFont())));
}

QString myGauge2::valueText() const
{
    return tr("SignalStrength:%1%").arg(InstrumentText::gaugeNumber(m_targetValue));
}

const QPixmap& myGauge2::background()
{
    const qreal ratio = devicePixelRatioF();
    if (!m_background.isNull() && m_backgroundSize == size() && m_backgroundFont == font() &&
        m_background.devicePixelRatio() == ratio)
        return m_background;
    m_backgroundSize = size();
    m_backgroundFont = font();
    m_backgroundDial = dial();
    m_valuePoints.clear();
    m_painted = false;
    m_background = QPixmap(size() * ratio);
    m_background.setDevicePixelRatio(ratio);
    m_background.fill(Qt::transparent);
    QPainter p(&m_background);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    p.save();
    drawBand(p, m_backgroundDial);
    p.restore();
    p.setFont(labelFont());
    drawScale(p, m_backgroundDial);
    return m_background;
}

void myGauge2::paintEvent(QPaintEvent*)
{
    const QPixmap& dialPicture = background();
    const Dial& d = m_backgroundDial;
    QPainter p(this);
    if (!m_backdrop->paintBeneath(p))
        return;
    p.drawPixmap(0, 0, dialPicture);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    p.save();
    drawNeedle(p, d, m_shownValue);
    p.restore();
    p.save();
    drawHub(p, d);
    p.restore();
    const QString text = valueText();
    const QRectF box = InstrumentGeometry::valueBox(d);
    p.save();
    drawValueBox(p, box, text, valuePoints(text, box));
    p.restore();
    m_painted = true;
    m_paintedValue = m_shownValue;
    m_paintedText = text;
}
