// The monitor's trends: power, MER and BER of each enabled channel over the last minutes,
// with the profile's alarm and warning levels behind them.
#pragma once

#include "link/monitorrecord.h"

#include <QColor>
#include <QDateTime>
#include <QList>
#include <QPointF>
#include <QWidget>

#include <array>
#include <chrono>
#include <optional>

class EquipmentProfile;
class QAreaSeries;
class QChart;
class QChartView;
class QDateTimeAxis;
class QLabel;
class QLineSeries;
class QAbstractAxis;
class QAbstractSeries;

// Where a quantity turns to warning and to alarm. Power and MER alarm below their levels,
// BER above.
struct TrendBand {
    double Alarm = 0.0;
    double Warning = 0.0;
    bool operator==(const TrendBand&) const = default;
};

// The levels the charts draw; none where the profile holds none.
struct TrendLevels {
    std::array<std::optional<TrendBand>, MonitorRecord::ChannelCount> Power; // dBm
    std::optional<TrendBand> Mer;                                            // dB
    std::optional<TrendBand> Ber;
};

// The levels of a profile: the configuration's MER and BER levels once it holds a
// configuration, each point's power levels once it holds points.
TrendLevels LevelsOf(const EquipmentProfile& profile);

class MonitorTrends : public QWidget {
    Q_OBJECT
public:
    enum class Quantity { Power, Mer, Ber };
    static constexpr int ChartCount = 3;
    static constexpr std::chrono::minutes Span{10};

    explicit MonitorTrends(QWidget* parent = nullptr);

    // The colour of a channel's line and of its name in the legend; 1 to 6.
    static QColor ChannelColour(int channel);

    // Forgets every point, draws `levels` for the channels the unit has enabled, and lets
    // the time axis end at `moment`.
    void Start(const TrendLevels& levels, const MonitorRecord::Round& start,
               const QDateTime& moment);
    // Adds what a round measured at `moment`, drops the points older than Span and scrolls
    // the time axis to end at `moment`. A round the unit did not answer only scrolls.
    void AddRound(const MonitorRecord::Round& round, const QDateTime& moment);

    // The points of one channel's line (x: milliseconds since the epoch; y: dBm, dB, or
    // the BER's power of ten), channel 1 to 6.
    QList<QPointF> Points(Quantity quantity, int channel) const;
    // Whether the chart shows that channel's line.
    bool ShowsChannel(Quantity quantity, int channel) const;
    // The bands drawn in a chart (warning and alarm areas, or per-channel level lines).
    int BandCount(Quantity quantity) const;

private:
    struct Chart {
        QChart* Plot = nullptr;
        QChartView* View = nullptr;
        QDateTimeAxis* Time = nullptr;
        QAbstractAxis* Values = nullptr;
        std::array<QLineSeries*, MonitorRecord::ChannelCount> Lines{};
        // The level areas and lines, stretched over the time axis at every round.
        QList<QLineSeries*> LevelEdges;
        QList<QAbstractSeries*> Bands;
        // The levels the value axis keeps in sight.
        QList<double> FitLevels;
    };

    Chart& ChartOf(Quantity quantity) { return charts_[static_cast<int>(quantity)]; }
    const Chart& ChartOf(Quantity quantity) const { return charts_[static_cast<int>(quantity)]; }
    void BuildChart(Quantity quantity, const QString& title);
    void ClearLevels(Chart& chart);
    // An area between two levels, or a line at one level when `lower` is none.
    void AddLevel(Chart& chart, double upper, std::optional<double> lower, const QColor& colour,
                  Qt::PenStyle style = Qt::NoPen);
    void StretchLevels(Chart& chart, qint64 from, qint64 to);
    void FitValues(Quantity quantity);

    std::array<Chart, ChartCount> charts_;
    void ShowLegend(int channel, bool enabled);

    std::array<QLabel*, MonitorRecord::ChannelCount> legend_{};
    TrendLevels levels_;
};
