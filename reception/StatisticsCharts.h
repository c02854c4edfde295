#pragma once

#include "HistoryStatistics.h"

#include <QWidget>

class QChart;
class QChartView;

/// The statistics as two charts side by side: visits per group as bars; median and 90th
/// percentile wait per group as lines against the waiting-time limit, with the median service
/// time as bars where the groups are services or representatives.
class StatisticsCharts
{
public:
    /// Puts both charts into `frame`, whose layout holds them.
    explicit StatisticsCharts(QWidget *frame);

    void show(const StatisticsReport &report, Grouping grouping, double maxLimitMinutes);
    void clear();

    QChartView *visitsView() const { return m_visits; }
    QChartView *waitsView() const { return m_waits; }

private:
    QChartView *m_visits;
    QChartView *m_waits;
};
