#include "screens/MeasureChart.h"

#include "store/VitalSigns.h"

#include <QAreaSeries>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QGraphicsLayout>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMouseEvent>
#include <QToolTip>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// How near the pointer must come to a point to reach it, in pixels.
constexpr double kReach = 8;
// One day either side of a chart whose visits all fall on one day.
constexpr qint64 kDay = 24 * 60 * 60 * 1000;

qint64 msecsOf(DateTime date) {
    DateTime::Civil c;
    if (!date.toCivil(c))
        return 0;
    return QDateTime(QDate(c.year, c.month, c.day), QTime(c.hour, c.minute, c.second))
        .toMSecsSinceEpoch();
}

QString shown(double value) {
    return value == std::round(value) ? QString::number(value, 'f', 0)
                                      : QString::fromStdString(VitalSigns::oneDecimal(value));
}

} // namespace

MeasureChart::Span MeasureChart::spanOf(const std::vector<VitalCharts::Chart>& charts) {
    std::optional<Span> span;
    for (const VitalCharts::Chart& chart : charts)
        for (const VitalCharts::Line& line : chart.lines)
            for (const VitalCharts::Point& point : line.points) {
                const qint64 at = msecsOf(point.date);
                span =
                    span ? Span{std::min(span->first, at), std::max(span->last, at)} : Span{at, at};
            }
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    return span.value_or(Span{now, now});
}

MeasureChart::MeasureChart(VitalCharts::Chart measure, Span span, QWidget* parent)
    // Made with its chart: a chart view made without one makes its own, which a chart set later
    // leaves behind undeleted.
    : QChartView(new QChart, parent), drawn(std::move(measure)), dates(new QDateTimeAxis),
      values(new QValueAxis) {
    QChart* chart = this->chart();
    chart->setTitle(QString::fromStdString(drawn.title));
    chart->setMargins(QMargins(2, 2, 2, 2));
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setBackgroundRoundness(0);
    dates->setFormat("dd/MM/yy");
    chart->addAxis(dates, Qt::AlignBottom);
    chart->addAxis(values, Qt::AlignLeft);
    setRenderHint(QPainter::Antialiasing);
    setAccessibleName(QString::fromStdString(drawn.title));
    viewport()->setMouseTracking(true);
    setRanges(span);
    for (const VitalCharts::Band& band : drawn.usual)
        addUsualRange(band.lowest, band.highest);
    addLines();
    chart->legend()->setVisible(drawn.lines.size() > 1);
}

// The usual range spans the whole axis, behind the lines, and stays out of the legend.
void MeasureChart::addUsualRange(double from, double to) {
    auto* low = new QLineSeries;
    auto* high = new QLineSeries;
    for (const qint64 x : {dates->min().toMSecsSinceEpoch(), dates->max().toMSecsSinceEpoch()}) {
        low->append(double(x), from);
        high->append(double(x), to);
    }
    auto* area = new QAreaSeries(high, low);
    // The area draws its edges but does not own them; the chart owns the area.
    low->setParent(area);
    high->setParent(area);
    area->setName("Usual range");
    area->setPen(Qt::NoPen);
    area->setBrush(QColor(76, 175, 80, 60));
    chart()->addSeries(area);
    area->attachAxis(dates);
    area->attachAxis(values);
    for (QLegendMarker* marker : chart()->legend()->markers(area))
        marker->setVisible(false);
}

// Dark lines over the pale range: blue, and red for a second line.
void MeasureChart::addLines() {
    static const QColor colours[] = {QColor(33, 102, 172), QColor(178, 24, 43)};
    for (const VitalCharts::Line& line : drawn.lines) {
        auto* drawnLine = new QLineSeries;
        drawnLine->setName(QString::fromStdString(line.name));
        drawnLine->setPointsVisible(true);
        drawnLine->setColor(colours[series.size() % std::size(colours)]);
        QList<QPointF> points;
        points.reserve(qsizetype(line.points.size()));
        for (const VitalCharts::Point& point : line.points)
            points.append(QPointF(double(msecsOf(point.date)), point.value));
        drawnLine->replace(points);
        chart()->addSeries(drawnLine);
        drawnLine->attachAxis(dates);
        drawnLine->attachAxis(values);
        series.push_back(drawnLine);
    }
}

// The axes reach over the span, every point and the usual range, a little beyond, the values
// on round numbers.
void MeasureChart::setRanges(Span span) {
    double lowest = 0, highest = 0;
    bool any = false;
    for (const VitalCharts::Line& line : drawn.lines)
        for (const VitalCharts::Point& point : line.points) {
            lowest = any ? std::min(lowest, point.value) : point.value;
            highest = any ? std::max(highest, point.value) : point.value;
            any = true;
        }
    for (const VitalCharts::Band& band : drawn.usual) {
        lowest = any ? std::min(lowest, band.lowest) : band.lowest;
        highest = any ? std::max(highest, band.highest) : band.highest;
        any = true;
    }
    const qint64 margin = std::max(kDay, (span.last - span.first) / 30);
    dates->setRange(QDateTime::fromMSecsSinceEpoch(span.first - margin),
                    QDateTime::fromMSecsSinceEpoch(span.last + margin));
    const double room = std::max(1.0, (highest - lowest) / 10);
    valueRange = {lowest - room, highest + room};
    values->setLabelFormat("%g");
    fitValues(5);
}

QPoint MeasureChart::pointAt(size_t line, size_t point) const {
    const QPointF at = series[line]->at(qsizetype(point));
    return mapFromScene(chart()->mapToPosition(at, series[line]));
}

QString MeasureChart::describe(size_t line, size_t point) const {
    const VitalCharts::Line& measured = drawn.lines[line];
    const VitalCharts::Point& p = measured.points[point];
    const QString name =
        measured.name.empty() ? QString() : QString::fromStdString(measured.name) + " ";
    return QString::fromStdString(p.date.format("%d/%m/%Y")) + ": " + name + shown(p.value) + " " +
           QString::fromStdString(drawn.unit);
}

std::optional<MeasureChart::Found> MeasureChart::pointNear(QPoint at) const {
    std::optional<Found> nearest;
    double best = kReach * kReach;
    for (size_t line = 0; line < series.size(); ++line)
        for (size_t point = 0; point < drawn.lines[line].points.size(); ++point) {
            const QPoint d = pointAt(line, point) - at;
            const double distance = double(d.x()) * d.x() + double(d.y()) * d.y();
            if (distance <= best) {
                best = distance;
                nearest = Found{line, point};
            }
        }
    return nearest;
}

void MeasureChart::mouseMoveEvent(QMouseEvent* event) {
    QChartView::mouseMoveEvent(event);
    const QPoint at = event->position().toPoint();
    if (const auto found = pointNear(at))
        QToolTip::showText(viewport()->mapToGlobal(at), describe(found->line, found->point),
                           viewport());
    else
        QToolTip::hideText();
}

void MeasureChart::mouseDoubleClickEvent(QMouseEvent* event) {
    QChartView::mouseDoubleClickEvent(event);
    if (const auto found = pointNear(event->position().toPoint()))
        emit visitChosen(drawn.lines[found->line].points[found->point].visitId);
}

// As many dates and values along the axes as the chart holds without crowding.
void MeasureChart::resizeEvent(QResizeEvent* event) {
    QChartView::resizeEvent(event);
    const QFontMetrics labels(dates->labelsFont());
    const int label = labels.horizontalAdvance("00/00/00") * 3 / 2;
    dates->setTickCount(std::clamp((width() - label) / std::max(1, label), 2, 8));
    fitValues(std::clamp(height() / std::max(1, 3 * labels.height()), 2, 6));
}

// Values at round steps (1, 2 or 5 times a power of ten), about as many as the chart
// holds, found afresh from the values' own range at each size.
void MeasureChart::fitValues(int ticks) {
    const double rough =
        std::max(1e-9, (valueRange.highest - valueRange.lowest) / std::max(1, ticks - 1));
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = 10 * power;
    for (const double times : {1.0, 2.0, 5.0})
        if (times * power >= rough) {
            step = times * power;
            break;
        }
    const double low = std::floor(valueRange.lowest / step) * step;
    values->setTickType(QValueAxis::TicksDynamic);
    values->setTickAnchor(low);
    values->setTickInterval(step);
    values->setRange(low, std::ceil(valueRange.highest / step) * step);
}

void MeasureChart::setFonts(const QFont& font) {
    QFont title = font;
    title.setBold(true);
    chart()->setTitleFont(title);
    dates->setLabelsFont(font);
    values->setLabelsFont(font);
    chart()->legend()->setFont(font);
}
