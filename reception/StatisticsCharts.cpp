#include "StatisticsCharts.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QLayout>
#include <QLegend>
#include <QLineSeries>
#include <QValueAxis>

#include <algorithm>
#include <functional>

namespace {
QChartView *addView(QWidget *frame, const char *name)
{
    auto *view = new QChartView(frame);
    view->setObjectName(QLatin1String(name));
    view->setRenderHint(QPainter::Antialiasing);
    view->setFocusPolicy(Qt::NoFocus);
    QLegend *legend = view->chart()->legend();
    legend->setAlignment(Qt::AlignTop); // below, slanted names of groups would run into it
    QFont small = legend->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    legend->setFont(small);
    frame->layout()->addWidget(view);
    return view;
}

/// An emptied chart with its title.
QChart *reset(QChartView *view, const QString &title)
{
    QChart *chart = view->chart();
    chart->removeAllSeries();
    for (QAbstractAxis *axis : chart->axes())
        chart->removeAxis(axis);
    chart->setTitle(title);
    return chart;
}

QBarSet *barsOf(const StatisticsReport &report, const QString &name,
                const std::function<double(const GroupFigures &)> &figure)
{
    auto *bars = new QBarSet(name);
    for (const GroupFigures &group : report.groups)
        bars->append(figure(group));
    return bars;
}

QLineSeries *lineOf(const StatisticsReport &report, const QString &name,
                    const std::function<double(const GroupFigures &)> &figure)
{
    auto *line = new QLineSeries;
    line->setName(name);
    line->setPointsVisible(true);
    for (qsizetype i = 0; i < report.groups.size(); ++i)
        line->append(double(i), figure(report.groups.at(i)));
    return line;
}

/// Category axis below, value axis from 0 at the left, both attached to every series.
void addAxes(QChartView *view, const StatisticsReport &report, Grouping grouping, double top)
{
    QChart *chart = view->chart();
    auto *categories = new QBarCategoryAxis;
    const QFontMetrics metrics(categories->labelsFont());
    int widest = 0;
    for (const GroupFigures &group : report.groups) {
        // A day without its year: the table beside the chart has it.
        const QString label = grouping == Grouping::Day ? group.group.left(5) : group.group;
        categories->append(label);
        widest = std::max(widest, metrics.horizontalAdvance(label));
    }
    // Upright, the names of many groups would run into each other; slanted and whole, they fit.
    categories->setTruncateLabels(false);
    const double room = view->width() * 0.8 / double(report.groups.size());
    if (widest > room)
        categories->setLabelsAngle(-90);
    auto *values = new QValueAxis;
    values->setRange(0, top > 0 ? top * 1.1 : 1);
    values->applyNiceNumbers();
    chart->addAxis(categories, Qt::AlignBottom);
    chart->addAxis(values, Qt::AlignLeft);
    for (QAbstractSeries *series : chart->series()) {
        series->attachAxis(categories);
        series->attachAxis(values);
    }
}
} // namespace

StatisticsCharts::StatisticsCharts(QWidget *frame)
    : m_visits(addView(frame, "chtVisits")), m_waits(addView(frame, "chtWaits"))
{
    clear();
}

void StatisticsCharts::clear()
{
    reset(m_visits, QStringLiteral("Visits"));
    reset(m_waits, QStringLiteral("Waits (minutes)"));
}

void StatisticsCharts::show(const StatisticsReport &report, Grouping grouping,
                            double maxLimitMinutes)
{
    clear();
    if (report.groups.isEmpty())
        return;

    QChart *visits = m_visits->chart();
    auto *visitBars = new QBarSeries;
    visitBars->append(barsOf(report, QStringLiteral("Visits"),
                             [](const GroupFigures &g) { return double(g.visits); }));
    visits->addSeries(visitBars);
    qint64 most = 0;
    for (const GroupFigures &group : report.groups)
        most = std::max(most, group.visits);
    addAxes(m_visits, report, grouping, double(most));
    visits->legend()->hide();

    QChart *waits = m_waits->chart();
    double top = maxLimitMinutes;
    for (const GroupFigures &group : report.groups)
        top = std::max({top, group.p90Wait, group.medianService});
    if (grouping == Grouping::Service || grouping == Grouping::Representative) {
        auto *serviceBars = new QBarSeries;
        serviceBars->append(barsOf(report, QStringLiteral("Median service"),
                                   [](const GroupFigures &g) { return g.medianService; }));
        waits->addSeries(serviceBars);
    }
    waits->addSeries(lineOf(report, QStringLiteral("Median wait"),
                            [](const GroupFigures &g) { return g.medianWait; }));
    waits->addSeries(lineOf(report, QStringLiteral("90th percentile"),
                            [](const GroupFigures &g) { return g.p90Wait; }));
    // The limit across the whole width: the categories sit at 0, 1, ... with half a step
    // either side.
    auto *limit = new QLineSeries;
    limit->setName(QStringLiteral("Limit"));
    limit->append(-0.5, maxLimitMinutes);
    limit->append(double(report.groups.size()) - 0.5, maxLimitMinutes);
    QPen pen(Qt::red);
    pen.setStyle(Qt::DashLine);
    pen.setWidth(2);
    limit->setPen(pen);
    waits->addSeries(limit);
    addAxes(m_waits, report, grouping, top);
}
