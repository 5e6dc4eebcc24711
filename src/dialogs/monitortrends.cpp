// The monitor's trends: three small charts fed once per polling round.
#include "dialogs/monitortrends.h"

#include "profile/equipmentprofile.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QGraphicsLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>

namespace {

using MonitorRecord::ChannelCount;

// Power levels of a point are kept as dB above 1 microvolt.
constexpr double MicrovoltToDbm = -107.0;
constexpr int ChartHeight = 170;
constexpr int ChartMinimumWidth = 250;
// The far side of the alarm areas: below any power or MER a unit reports, above any BER.
constexpr double PowerFloor = -200.0;
constexpr double MerFloor = -50.0;
// The BER chart plots the exponent, log10(BER), so that its axis is logarithmic.
constexpr double BerCeiling = 0.0; // a BER of 1
constexpr int LowestBerExponent = -15;

const QColor AlarmArea(230, 0, 0, 50);
const QColor WarningArea(255, 185, 0, 70);
// Distinct on white and beside the red and amber of the levels.
const std::array<QColor, ChannelCount> ChannelColours = {
    QColor(0x1F, 0x77, 0xB4), QColor(0xFF, 0x7F, 0x0E), QColor(0x2C, 0xA0, 0x2C),
    QColor(0x94, 0x67, 0xBD), QColor(0x8C, 0x56, 0x4B), QColor(0x17, 0xBE, 0xCF)};

std::optional<double> ValueOf(MonitorTrends::Quantity quantity,
                              const MonitorRecord::ChannelSample& sample) {
    switch (quantity) {
    case MonitorTrends::Quantity::Power:
        return sample.PowerDbm;
    case MonitorTrends::Quantity::Mer:
        return sample.MerDb;
    case MonitorTrends::Quantity::Ber:
        // An idle channel reads 0, which has no logarithm.
        if (sample.Ber && *sample.Ber > 0.0)
            return std::log10(*sample.Ber);
        return std::nullopt;
    }
    return std::nullopt;
}

// The one band every enabled channel shares; none when they differ or none has levels.
std::optional<TrendBand> SharedPowerBand(const TrendLevels& levels,
                                         const MonitorRecord::Round& start, bool& differ) {
    std::optional<TrendBand> shared;
    differ = false;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        if (!start.Channels[channel].Enabled || !levels.Power[channel])
            continue;
        if (shared && !(*shared == *levels.Power[channel]))
            differ = true;
        shared = levels.Power[channel];
    }
    return differ ? std::nullopt : shared;
}

QFont SmallFont(const QWidget& widget) {
    QFont font = widget.font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    return font;
}

} // namespace

TrendLevels LevelsOf(const EquipmentProfile& profile) {
    TrendLevels levels;
    if (profile.ConfigurationLoaded()) {
        levels.Mer = TrendBand{double(profile.AlarmMER()), double(profile.WarningMER())};
        levels.Ber = TrendBand{double(profile.AlarmBER()), double(profile.WarningBER())};
    }
    if (profile.PointsLoaded()) {
        for (int point = 0; point < EquipmentProfile::PointCount; ++point)
            levels.Power[point] = TrendBand{profile.AlarmPower(point) + MicrovoltToDbm,
                                            profile.WarningPower(point) + MicrovoltToDbm};
    }
    return levels;
}

// A channel the unit reports as off keeps its place in the legend, greyed and marked "off",
// so the colours of the others stay where the eye found them.
void MonitorTrends::ShowLegend(int channel, bool enabled) {
    QLabel* label = legend_[channel];
    const QString colour = ChannelColour(channel + 1).name();
    label->setEnabled(enabled);
    label->setText(
        enabled ? QStringLiteral("<span style=\"color:%1\">&#9632;</span> Channel %2")
                      .arg(colour)
                      .arg(channel + 1)
                : QStringLiteral("<span style=\"color:#a0a0a0\">&#9633; Channel %1 off</span>")
                      .arg(channel + 1));
}

MonitorTrends::MonitorTrends(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Trends"));
    auto* legend = new QHBoxLayout;
    legend->setSpacing(16);
    legend->addStretch(1);
    for (int channel = 1; channel <= ChannelCount; ++channel) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("TrendLegend") + QString::number(channel));
        label->setTextFormat(Qt::RichText);
        legend_[channel - 1] = label;
        ShowLegend(channel - 1, true);
        legend->addWidget(label);
    }
    legend->addStretch(1);

    BuildChart(Quantity::Power, QStringLiteral("Power (dBm)"));
    BuildChart(Quantity::Mer, QStringLiteral("MER (dB)"));
    BuildChart(Quantity::Ber, QStringLiteral("BER"));
    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    for (Chart& chart : charts_)
        row->addWidget(chart.View);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(legend);
    layout->addLayout(row);
    Start(TrendLevels{}, MonitorRecord::Round{}, QDateTime::currentDateTime());
}

QColor MonitorTrends::ChannelColour(int channel) {
    assert(channel >= 1 && channel <= ChannelCount && "channels are numbered 1 to 6");
    return ChannelColours[channel - 1];
}

void MonitorTrends::BuildChart(Quantity quantity, const QString& title) {
    Chart& chart = ChartOf(quantity);
    chart.Plot = new QChart;
    chart.Plot->legend()->hide();
    chart.Plot->setTitle(title);
    chart.Plot->setTitleFont(SmallFont(*this));
    chart.Plot->setMargins(QMargins(2, 2, 6, 2));
    chart.Plot->layout()->setContentsMargins(0, 0, 0, 0);
    chart.Plot->setBackgroundRoundness(0);

    chart.Time = new QDateTimeAxis;
    chart.Time->setFormat(QStringLiteral("HH:mm"));
    chart.Time->setTickCount(6);
    chart.Time->setLabelsFont(SmallFont(*this));
    chart.Plot->addAxis(chart.Time, Qt::AlignBottom);
    if (quantity == Quantity::Ber) {
        // Powers of ten over the exponents: a logarithmic axis. (Qt's own logarithmic axis
        // can loop forever setting its range.)
        auto* values = new QValueAxis;
        values->setLabelFormat(QStringLiteral("1E%.0f"));
        chart.Values = values;
    } else {
        auto* values = new QValueAxis;
        values->setLabelFormat(QStringLiteral("%.0f"));
        values->setTickCount(5);
        chart.Values = values;
    }
    chart.Values->setLabelsFont(SmallFont(*this));
    chart.Plot->addAxis(chart.Values, Qt::AlignLeft);

    chart.View = new QChartView(chart.Plot, this);
    chart.View->setObjectName(title.section(QLatin1Char(' '), 0, 0) + QStringLiteral("Trend"));
    chart.View->setRenderHint(QPainter::Antialiasing);
    chart.View->setFixedHeight(ChartHeight);
    chart.View->setMinimumWidth(ChartMinimumWidth);
    chart.View->setFocusPolicy(Qt::NoFocus);
}

void MonitorTrends::Start(const TrendLevels& levels, const MonitorRecord::Round& start,
                          const QDateTime& moment) {
    levels_ = levels;
    bool powerDiffers = false;
    const std::optional<TrendBand> power = SharedPowerBand(levels, start, powerDiffers);
    for (int index = 0; index < ChartCount; ++index) {
        const auto quantity = static_cast<Quantity>(index);
        Chart& chart = charts_[index];
        // Levels first, so that the readings are drawn over them. The lower edges of areas
        // are not in the chart, so removing the series leaves them to us.
        QList<QLineSeries*> edges;
        for (QLineSeries* edge : chart.LevelEdges) {
            if (!chart.Bands.contains(edge))
                edges << edge;
        }
        chart.Plot->removeAllSeries();
        qDeleteAll(edges);
        chart.LevelEdges.clear();
        chart.Bands.clear();
        chart.FitLevels.clear();
        switch (quantity) {
        case Quantity::Power:
            if (power) {
                chart.FitLevels = {power->Alarm, power->Warning};
                AddLevel(chart, power->Alarm, PowerFloor, AlarmArea);
                if (power->Warning > power->Alarm)
                    AddLevel(chart, power->Warning, power->Alarm, WarningArea);
            } else if (powerDiffers) {
                // Each channel has its own levels: a line each, in the channel's colour.
                for (int channel = 0; channel < ChannelCount; ++channel) {
                    if (!start.Channels[channel].Enabled || !levels.Power[channel])
                        continue;
                    chart.FitLevels << levels.Power[channel]->Alarm
                                    << levels.Power[channel]->Warning;
                    AddLevel(chart, levels.Power[channel]->Alarm, std::nullopt,
                             ChannelColour(channel + 1), Qt::DashLine);
                    AddLevel(chart, levels.Power[channel]->Warning, std::nullopt,
                             ChannelColour(channel + 1), Qt::DotLine);
                }
            }
            break;
        case Quantity::Mer:
            if (levels.Mer) {
                chart.FitLevels = {levels.Mer->Alarm, levels.Mer->Warning};
                AddLevel(chart, levels.Mer->Alarm, MerFloor, AlarmArea);
                if (levels.Mer->Warning > levels.Mer->Alarm)
                    AddLevel(chart, levels.Mer->Warning, levels.Mer->Alarm, WarningArea);
            }
            break;
        case Quantity::Ber:
            if (levels.Ber && levels.Ber->Alarm > 0.0 && levels.Ber->Alarm < 1.0) {
                const double alarm = std::log10(levels.Ber->Alarm);
                chart.FitLevels = {alarm};
                AddLevel(chart, BerCeiling, alarm, AlarmArea);
                if (levels.Ber->Warning > 0.0 && levels.Ber->Warning < levels.Ber->Alarm) {
                    const double warning = std::log10(levels.Ber->Warning);
                    chart.FitLevels << warning;
                    AddLevel(chart, alarm, warning, WarningArea);
                }
            }
            break;
        }
        for (int channel = 0; channel < ChannelCount; ++channel) {
            auto* line = new QLineSeries;
            line->setName(QStringLiteral("Channel ") + QString::number(channel + 1));
            line->setPen(QPen(ChannelColour(channel + 1), 1.5));
            chart.Plot->addSeries(line);
            line->attachAxis(chart.Time);
            line->attachAxis(chart.Values);
            line->setVisible(start.Channels[channel].Enabled);
            chart.Lines[channel] = line;
        }
    }
    for (int channel = 0; channel < ChannelCount; ++channel)
        ShowLegend(channel, start.Channels[channel].Enabled);
    AddRound(MonitorRecord::Round{false, start.Channels}, moment);
}

void MonitorTrends::AddLevel(Chart& chart, double upper, std::optional<double> lower,
                             const QColor& colour, Qt::PenStyle style) {
    auto* top = new QLineSeries(chart.Plot);
    top->append({QPointF(0, upper), QPointF(1, upper)});
    chart.LevelEdges << top;
    QAbstractSeries* band = top;
    if (lower) {
        auto* bottom = new QLineSeries(chart.Plot);
        bottom->append({QPointF(0, *lower), QPointF(1, *lower)});
        chart.LevelEdges << bottom;
        auto* area = new QAreaSeries(top, bottom);
        area->setBrush(colour);
        area->setPen(Qt::NoPen);
        band = area;
    } else {
        top->setPen(QPen(colour, 1.0, style));
    }
    chart.Plot->addSeries(band);
    band->attachAxis(chart.Time);
    band->attachAxis(chart.Values);
    chart.Bands << band;
}

void MonitorTrends::StretchLevels(Chart& chart, qint64 from, qint64 to) {
    for (QLineSeries* edge : chart.LevelEdges) {
        const double level = edge->at(0).y();
        edge->replace({QPointF(double(from), level), QPointF(double(to), level)});
    }
}

void MonitorTrends::AddRound(const MonitorRecord::Round& round, const QDateTime& moment) {
    const qint64 now = moment.toMSecsSinceEpoch();
    const qint64 oldest = moment.addSecs(-std::chrono::seconds(Span).count()).toMSecsSinceEpoch();
    for (int index = 0; index < ChartCount; ++index) {
        const auto quantity = static_cast<Quantity>(index);
        Chart& chart = charts_[index];
        for (int channel = 0; channel < ChannelCount; ++channel) {
            QLineSeries* line = chart.Lines[channel];
            const MonitorRecord::ChannelSample& sample = round.Channels[channel];
            if (round.Answered) {
                line->setVisible(sample.Enabled);
                // A channel that is off reads nothing worth drawing.
                const std::optional<double> value =
                    sample.Enabled ? ValueOf(quantity, sample) : std::nullopt;
                if (value)
                    line->append(double(now), *value);
            }
            int stale = 0;
            while (stale < line->count() && line->at(stale).x() < double(oldest))
                ++stale;
            if (stale > 0)
                line->removePoints(0, stale);
        }
        StretchLevels(chart, oldest, now);
        chart.Time->setRange(QDateTime::fromMSecsSinceEpoch(oldest, moment.timeSpec()), moment);
        FitValues(quantity);
    }
    if (round.Answered) {
        for (int channel = 0; channel < ChannelCount; ++channel)
            ShowLegend(channel, round.Channels[channel].Enabled);
    }
}

void MonitorTrends::FitValues(Quantity quantity) {
    Chart& chart = ChartOf(quantity);
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    const auto take = [&](double value) {
        low = std::min(low, value);
        high = std::max(high, value);
    };
    for (const QLineSeries* line : chart.Lines) {
        if (!line->isVisible())
            continue;
        for (const QPointF& point : line->points())
            take(point.y());
    }
    // The levels stay in sight, so a reading's distance from them shows at a glance.
    for (double level : chart.FitLevels)
        take(level);
    if (quantity == Quantity::Ber) {
        if (low > high) {
            low = -9.0;
            high = -3.0;
        }
        // A level at the top or bottom decade keeps some of its area in sight.
        double bottom = std::floor(low);
        if (low - bottom < 0.3)
            bottom -= 1.0;
        double top = std::ceil(high);
        if (top - high < 0.3)
            top += 1.0;
        bottom = std::max(bottom, double(LowestBerExponent));
        top = std::min(std::max(top, bottom + 1.0), BerCeiling);
        bottom = std::min(bottom, top - 1.0);
        auto* axis = static_cast<QValueAxis*>(chart.Values);
        // A tick on every decade.
        axis->setTickCount(int(top - bottom) + 1);
        axis->setRange(bottom, top);
        return;
    }
    if (low > high) {
        low = quantity == Quantity::Power ? -60.0 : 15.0;
        high = quantity == Quantity::Power ? -20.0 : 40.0;
    }
    chart.Values->setRange(std::floor(low) - 2.0, std::ceil(high) + 2.0);
}

QList<QPointF> MonitorTrends::Points(Quantity quantity, int channel) const {
    return ChartOf(quantity).Lines[channel - 1]->points();
}

bool MonitorTrends::ShowsChannel(Quantity quantity, int channel) const {
    return ChartOf(quantity).Lines[channel - 1]->isVisible();
}

int MonitorTrends::BandCount(Quantity quantity) const {
    return static_cast<int>(ChartOf(quantity).Bands.size());
}
