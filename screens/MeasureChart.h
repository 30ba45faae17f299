#pragma once

#include "store/VitalCharts.h"

#include <QChartView>
#include <optional>
#include <vector>

class QDateTimeAxis;
class QLineSeries;
class QValueAxis;

// One measure of the vital signs drawn over time: its lines with their points, the usual
// range shaded behind them, dates along the axis. Hovering a point tells its date and value;
// double-clicking it chooses its visit.
class MeasureChart : public QChartView {
    Q_OBJECT
public:
    // The charts of one patient share one span of dates, so that a day stands at one place
    // in every chart above and below: from the first visit charted to the last.
    struct Span {
        qint64 first; // milliseconds since the epoch
        qint64 last;
    };
    static Span spanOf(const std::vector<VitalCharts::Chart>& charts);

    MeasureChart(VitalCharts::Chart measure, Span dates, QWidget* parent = nullptr);

    const VitalCharts::Chart& measure() const { return drawn; }
    // The drawn series of each of the measure's lines, in their order.
    const std::vector<QLineSeries*>& lines() const { return series; }
    // Where that point of that line is drawn, in the viewport's coordinates.
    QPoint pointAt(size_t line, size_t point) const;
    // "04/03/2025: 37.5 °C", as hovering that point tells it.
    QString describe(size_t line, size_t point) const;
    void setFonts(const QFont& font);

signals:
    void visitChosen(const std::string& visitId);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Found {
        size_t line;
        size_t point;
    };
    std::optional<Found> pointNear(QPoint at) const;
    void addUsualRange(double from, double to);
    void addLines();
    void setRanges(Span span);
    void fitValues(int ticks);

    VitalCharts::Chart drawn;
    std::vector<QLineSeries*> series;
    QDateTimeAxis* dates;
    QValueAxis* values;
    VitalCharts::Band valueRange{0, 1};
};
