#include "ProtocolPdf.h"

#include "FileReplace.h"
#include "InterpolationError.h"
#include "ProtocolFileName.h"
#include "SignalPlots.h"
#include "TravelPage.h"

#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

constexpr int kDpi = 300;
// The pictures of the signal on page one, their height in mm.
constexpr double kPictureMinMm = 30.0;
constexpr double kPictureMaxMm = 68.0;
const QColor kPass(30, 150, 60);
const QColor kFail(205, 40, 40);
const QColor kAborted(120, 120, 120);
const QColor kAccent(30, 144, 255);
const QColor kRule(200, 200, 200);

double mm(double millimetres)
{
    return millimetres * kDpi / 25.4;
}

QFont font(double points, bool bold = false)
{
    // A Latin face first, the CJK face for a Chinese catalogue.
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("WenQuanYi Zen Hei")});
    f.setPointSizeF(points);
    f.setBold(bold);
    // No ligatures: the text of the PDF reads and searches as it is written.
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
}

QString number(double value, int decimals = 2)
{
    return QString::number(value, 'f', decimals);
}

// Writes downwards from `y`; each call returns the next free line.
class Page
{
public:
    Page(QPainter& painter, double left, double width) : m_p(painter), m_left(left), m_width(width) {}

    // A page that only measures: its lines move y() as they would, nothing is drawn.
    static Page measuring(QPainter& painter, double width)
    {
        Page page(painter, 0.0, width);
        page.m_drawing = false;
        return page;
    }

    double y() const { return m_y; }
    void skip(double millimetres) { m_y += mm(millimetres); }
    void moveTo(double y) { m_y = y; }

    // Below `bottom`, `newPage` is called and writing goes on at the top.
    void setBreak(double bottom, std::function<void()> newPage)
    {
        m_bottom = bottom;
        m_newPage = std::move(newPage);
    }
    // Room for `height` more, on a new page if need be.
    void ensure(double height)
    {
        if (m_newPage && m_y + height > m_bottom && m_y > 0.0) {
            m_newPage();
            m_y = 0.0;
        }
    }

    void heading(const QString& text)
    {
        ensure(mm(14));
        skip(2.5);
        m_p.setFont(font(10.5, true));
        m_p.setPen(kAccent);
        line(text, 0, m_width);
        m_p.setPen(QPen(kRule, mm(0.2)));
        if (m_drawing)
            m_p.drawLine(QPointF(m_left, m_y), QPointF(m_left + m_width, m_y));
        skip(1.2);
        m_p.setPen(Qt::black);
    }

    // One row of cells at the given offsets (mm from the left) and widths.
    void row(const QStringList& cells, const QVector<double>& at, bool bold = false,
             const QColor& last = Qt::black)
    {
        m_p.setFont(font(8.5, bold));
        ensure(mm(5));
        double height = 0.0;
        for (int i = 0; i < cells.size(); ++i) {
            m_p.setPen(i == cells.size() - 1 ? last : QColor(Qt::black));
            const double width = (i + 1 < at.size() ? at[i + 1] : m_width / mm(1)) - at[i] - 1.5;
            const QRectF box(m_left + mm(at[i]), m_y, mm(width), mm(40));
            const QRectF used = m_p.boundingRect(box, Qt::TextWordWrap, cells[i]);
            if (m_drawing)
                m_p.drawText(box, Qt::TextWordWrap, cells[i]);
            height = std::max(height, used.height());
        }
        m_y += height + mm(0.8);
        m_p.setPen(Qt::black);
    }

    void line(const QString& text, double offset, double width)
    {
        const QRectF box(m_left + offset, m_y, width, mm(30));
        const QRectF used = m_p.boundingRect(box, Qt::TextWordWrap, text);
        if (m_drawing)
            m_p.drawText(box, Qt::TextWordWrap, text);
        m_y += used.height() + mm(0.8);
    }

private:
    QPainter& m_p;
    double m_left;
    double m_width;
    double m_y = 0.0;
    double m_bottom = 0.0;
    std::function<void()> m_newPage;
    bool m_drawing = true;
};

QString limitText(const ToleranceProfile::Item& item)
{
    return (item.isMax ? QStringLiteral("≤ ") : QStringLiteral("≥ ")) + number(item.limit, 3);
}

const QVector<double> kPairs = {0, 42};

// The fit's figures beneath the pictures.
void signalFigures(Page& page, QPainter& painter, const TestProtocol& protocol, double width)
{
    painter.setFont(font(7.5));
    page.line(ProtocolPdf::tr("Left: sample pairs (cosine across, sine up), fitted ellipse (red), ideal "
                              "circle (green, dashed). Right: interpolation error over one signal period."),
              0, width);
    const LissajousFit::Result& fit = protocol.fit;
    if (!fit.valid) {
        page.row({ProtocolPdf::tr("Signal fit"), ProtocolPdf::tr("no figures: %1").arg(fit.reason)}, kPairs);
        return;
    }
    page.row({ProtocolPdf::tr("Offsets"), ProtocolPdf::tr("sine %1 %, cosine %2 %")
                                              .arg(number(fit.offset_sin_pct), number(fit.offset_cos_pct))},
             kPairs);
    page.row({ProtocolPdf::tr("Amplitudes"), ProtocolPdf::tr("sine %1 %, cosine %2 %, ratio %3")
                                                 .arg(number(fit.amplitude_sin_pct), number(fit.amplitude_cos_pct),
                                                      number(fit.amplitude_ratio, 3))},
             kPairs);
    page.row({ProtocolPdf::tr("Quadrature"), ProtocolPdf::tr("%1° from 90°, quality %2 %")
                                                 .arg(number(fit.phase_deviation_deg), number(fit.quality_pct, 1))},
             kPairs);
    page.row({ProtocolPdf::tr("Interpolation error"), ProtocolPdf::tr("± %1 % of a period, ± %2 µm")
                                                          .arg(number(fit.interpolation_error_pct, 3),
                                                               number(fit.interpolation_error_um, 3))},
             kPairs);
}

void marksAndSupply(Page& page, const TestProtocol& protocol)
{
    page.heading(ProtocolPdf::tr("Reference marks and supply"));
    for (const TestProtocol::Latch& latch : protocol.latches) {
        const LatchStatistics::Result& s = latch.stats;
        page.row({latch.channel,
                  s.valid ? ProtocolPdf::tr("%1 triggers; pulses between them %2 to %3 %4 (mean %5, σ %6); "
                                            "spread %7 (%8 µm)")
                                .arg(s.triggers)
                                .arg(number(s.min, 1), number(s.max, 1), latch.unit,
                                     number(s.mean, 2), number(s.stddev, 2), number(s.spread, 1),
                                     number(s.spread_um, 1))
                          : ProtocolPdf::tr("no figures: %1").arg(s.reason)},
                 kPairs);
    }
    page.row({ProtocolPdf::tr("Supply current"),
              protocol.currentKnown ? ProtocolPdf::tr("%1 mA").arg(number(protocol.currentMa, 1))
                                    : ProtocolPdf::tr("not measured")},
             kPairs);
}

// How far the sections beneath the pictures reach.
double heightOf(QPainter& painter, double width, const std::function<void(Page&)>& sections)
{
    painter.save();
    Page page = Page::measuring(painter, width);
    sections(page);
    painter.restore();
    return page.y();
}

} // namespace

QString ProtocolPdf::verdictText(TestProtocol::Verdict verdict)
{
    switch (verdict) {
    case TestProtocol::Verdict::Pass:
        return tr("PASS");
    case TestProtocol::Verdict::Fail:
        return tr("FAIL");
    case TestProtocol::Verdict::Aborted:
        break;
    }
    return tr("ABORTED");
}

bool ProtocolPdf::write(const TestProtocol& protocol, const QString& path, Placement placement,
                        QString* written, QString* error)
{
    QFile partial;
    const bool whole = openPartial(path, &partial) && paint(protocol, &partial) && partial.flush() &&
                       partial.size() > 0;
    const bool opened = partial.isOpen();
    partial.close();
    const QString placed = whole ? place(partial.fileName(), path, placement) : QString();
    if (placed.isEmpty()) {
        if (opened)
            QFile::remove(partial.fileName());
        if (error)
            *error = tr("cannot write %1").arg(QFileInfo(path).absoluteFilePath());
        return false;
    }
    if (written)
        *written = placed;
    return true;
}

bool ProtocolPdf::openPartial(const QString& path, QFile* file)
{
    // Created here and now, never opened through what someone else put at
    // the name (a link to a file of the station's user, say): a name that is
    // taken is passed over for one nobody can guess.
    constexpr int kTries = 8;
    QString name = path + QStringLiteral(".part");
    for (int i = 0; i < kTries; ++i) {
        file->setFileName(name);
        if (file->open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return true;
        if (!taken(name))
            return false;
        name = QStringLiteral("%1.%2.part").arg(path, QString::number(QRandomGenerator::system()->generate64(), 16));
    }
    return false;
}

QString ProtocolPdf::place(const QString& partial, const QString& path, Placement placement)
{
    if (placement == Placement::ReplaceExisting)
        return FileReplace::renameOver(partial, path) ? path : QString();
    constexpr int kMostNumbers = 999;
    for (int number = 1; number <= kMostNumbers; ++number) {
        const QString name = ProtocolFileName::numbered(path, number);
        switch (FileReplace::renameNew(partial, name)) {
        case FileReplace::NewName::Moved:
            return name;
        case FileReplace::NewName::Taken:
            continue;
        case FileReplace::NewName::Failed:
            return QString();
        }
    }
    return QString();
}

bool ProtocolPdf::taken(const QString& name)
{
    const QFileInfo info(name);
    return info.exists() || info.isSymLink();
}

bool ProtocolPdf::paint(const TestProtocol& protocol, QIODevice* device)
{
    QPdfWriter writer(device);
    writer.setResolution(kDpi);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(15, 12, 15, 12), QPageLayout::Millimeter));
    writer.setTitle(tr("Encoder test protocol %1").arg(protocol.serial));
    writer.setCreator(QStringLiteral("Rotaprobe %1").arg(protocol.programVersion));
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    const double width = writer.width();
    const auto footer = [&] {
        painter.save();
        painter.setFont(font(7));
        painter.setPen(kAborted);
        painter.drawText(QRectF(0, writer.height() - mm(5), width, mm(5)), Qt::AlignLeft | Qt::AlignBottom,
                         tr("Rotaprobe %1 · %2").arg(protocol.programVersion, protocol.station));
        painter.restore();
    };
    Page page(painter, 0.0, width);
    // Many items push the last sections onto a page of their own.
    const double pageBottom = writer.height() - mm(7);
    page.setBreak(pageBottom, [&] {
        footer();
        writer.newPage();
    });

    // Title and verdict.
    painter.setFont(font(16, true));
    page.line(tr("Encoder test protocol"), 0, width * 0.65);
    const QColor colour = protocol.verdict == TestProtocol::Verdict::Pass   ? kPass
                          : protocol.verdict == TestProtocol::Verdict::Fail ? kFail
                                                                            : kAborted;
    const QRectF badge(width - mm(55), 0, mm(55), mm(16));
    painter.fillRect(badge, colour);
    painter.setPen(Qt::white);
    painter.setFont(font(22, true));
    painter.drawText(badge, Qt::AlignCenter, verdictText(protocol.verdict));
    painter.setPen(Qt::black);
    page.moveTo(std::max(page.y(), badge.bottom()) + mm(1));
    if (!protocol.reason.isEmpty()) {
        painter.setFont(font(9.5, true));
        painter.setPen(colour);
        page.line(protocol.reason, 0, width);
        painter.setPen(Qt::black);
    }

    // Who, what, when.
    page.heading(tr("Test"));
    const QVector<double>& pairs = kPairs;
    page.row({tr("Serial number"), protocol.serial}, pairs, false);
    page.row({tr("Date and time (UTC)"),
              protocol.startedAt.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                  tr(", %1 s").arg(number(protocol.durationS, 1))},
             pairs);
    page.row({tr("Station"), protocol.station}, pairs);
    page.row({tr("Operator"), protocol.operatorName.isEmpty() ? tr("(not given)") : protocol.operatorName},
             pairs);
    page.row({tr("Program version"), protocol.programVersion}, pairs);
    page.row({tr("Tester configuration"), protocol.testerConfiguration.join(QStringLiteral("; "))},
             pairs);
    page.row({tr("Profile"), protocol.profileName.isEmpty() ? tr("(none)") : protocol.profileName},
             pairs);
    page.row({tr("Profile SHA-256"), protocol.profileSha256}, pairs);

    // The items.
    page.heading(tr("Items"));
    const QVector<double> columns = {0, 78, 112, 146};
    page.row({tr("Item"), tr("Limit"), tr("Measured"), tr("Result")}, columns, true);
    if (protocol.items.isEmpty())
        page.row({tr("(no limits: the profile sets none)")}, {0});
    // An aborted test's figures are shown, but nothing is judged by them.
    const bool judged = protocol.verdict != TestProtocol::Verdict::Aborted;
    for (const ToleranceProfile::Item& item : protocol.items)
        page.row({item.name, limitText(item),
                  item.measured ? number(item.value, 3) : tr("not measured"),
                  !judged ? tr("not judged") : item.pass ? tr("pass") : tr("FAIL")},
                 columns, false, !judged ? kAborted : item.pass ? kPass : kFail);

    // The pictures, side by side, as large as the room the items leave
    // beneath them allows on page one (a long list of items makes them
    // smaller); the figures and the marks stay on the page.
    page.heading(tr("Signals"));
    const double beneath = heightOf(painter, width, [&](Page& measured) {
        signalFigures(measured, painter, protocol, width);
        marksAndSupply(measured, protocol);
    });
    const double pictureHeight =
        std::clamp(pageBottom - page.y() - beneath - mm(2.5), mm(kPictureMinMm), mm(kPictureMaxMm));
    page.ensure(pictureHeight + mm(8));
    const double top = page.y();
    const QRectF lissajous(0, top, pictureHeight, pictureHeight);
    const QRectF errorPlot(pictureHeight + mm(8), top, width - pictureHeight - mm(8), pictureHeight);
    SignalPlots::paintLissajous(painter, lissajous, protocol.pairs, protocol.fit);
    painter.setFont(font(8));
    SignalPlots::paintInterpolationError(painter, errorPlot,
                                         InterpolationError::curve(protocol.fit, 360));
    page.moveTo(top + pictureHeight + mm(1.5));
    signalFigures(page, painter, protocol, width);

    // Reference marks and current: together, on the next page if they must.
    page.ensure(heightOf(painter, width, [&](Page& measured) { marksAndSupply(measured, protocol); }));
    marksAndSupply(page, protocol);

    footer();
    if (TravelPage::wanted(protocol)) {
        writer.newPage();
        TravelPage::paint(painter, QRectF(0, 0, width, writer.height() - mm(6)), kDpi, protocol);
        footer();
    }
    return painter.end();
}
