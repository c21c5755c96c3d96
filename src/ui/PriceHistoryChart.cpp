#include "PriceHistoryChart.h"

#include "PanelThemeController.h"

#include <QFontMetricsF>
#include <QHoverEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTimeZone>
#include <algorithm>

namespace quelvio {

namespace {

constexpr double headerSpacing = 8;
constexpr double headerGap = 8;
constexpr double axisFontSize = 9;
constexpr double axisGap = 4;
// Room above the highest point and beside the outermost ones, so the marks are never cut.
constexpr double plotInset = 5;
constexpr int priceTickCount = 5;
constexpr int dateTickCount = 4;
constexpr double lineWidth = 2;
constexpr double pointRadius = 2.5;
constexpr double selectedPointRadius = 4.5;

QFont titleFont() {
    return PanelThemeController::shared().themedFont(12, QFont::Medium);
}
QFont detailFont() {
    return PanelThemeController::shared().themedFont(10, QFont::Medium);
}
QFont axisFont() {
    return PanelThemeController::shared().themedFont(axisFontSize, QFont::Normal);
}

QTimeZone localZone() {
    return QTimeZone::systemTimeZone();
}

} // namespace

PriceHistoryChart::PriceHistoryChart(QQuickItem* parent)
    : QQuickPaintedItem(parent) {
    setAcceptHoverEvents(true);
    setAntialiasing(true);
    connect(&PanelThemeController::shared(), &PanelThemeController::mirlowThemeDidChange, this, [this] {
        emit displayChanged();
        update();
    });
    // The plot and so the hover mapping follow the size.
    connect(this, &QQuickItem::widthChanged, this, [this] { update(); });
    connect(this, &QQuickItem::heightChanged, this, [this] { update(); });
}

void PriceHistoryChart::setSnapshots(const QList<PriceSnapshot>& snapshots) {
    if (snapshots == m_snapshots)
        return;
    m_snapshots = snapshots;
    m_samples = PriceChartRules::samples(m_snapshots);
    contentChanged();
}

QVariant PriceHistoryChart::snapshotsVariant() const {
    return QVariant::fromValue(m_snapshots);
}

void PriceHistoryChart::setSnapshotsVariant(const QVariant& value) {
    // Anything else (undefined while the detail loads) shows as no history.
    setSnapshots(value.canConvert<QList<PriceSnapshot>>() ? value.value<QList<PriceSnapshot>>()
                                                          : QList<PriceSnapshot>{});
}

void PriceHistoryChart::setCurrency(const std::optional<QString>& currency) {
    if (currency == m_currency)
        return;
    m_currency = currency;
    contentChanged();
}

void PriceHistoryChart::setUnit(const std::optional<QString>& unit) {
    if (unit == m_unit)
        return;
    m_unit = unit;
    contentChanged();
}

void PriceHistoryChart::setRisingIsBad(bool risingIsBad) {
    if (risingIsBad == m_risingIsBad)
        return;
    m_risingIsBad = risingIsBad;
    contentChanged();
}

void PriceHistoryChart::setHoverDate(const std::optional<QDateTime>& date) {
    if (date == m_hoverDate)
        return;
    m_hoverDate = date;
    emit hoverDateChanged();
    emit displayChanged();
    update();
}

void PriceHistoryChart::contentChanged() {
    emit snapshotsChanged();
    emit displayChanged();
    update();
}

int PriceHistoryChart::selectedIndex() const {
    return int(PriceChartRules::nearestSampleIndex(m_samples, m_hoverDate).value_or(-1));
}

QString PriceHistoryChart::emptyText() const {
    return PriceChartRules::emptyText(m_snapshots, m_samples).value_or(QString());
}

QString PriceHistoryChart::summary() const {
    return PriceChartRules::summary(m_snapshots, m_samples, m_currency, m_unit);
}

PriceChartRules::Header PriceHistoryChart::currentHeader() const {
    return PriceChartRules::header(m_samples, PriceChartRules::nearestSampleIndex(m_samples, m_hoverDate),
                                   m_currency, m_unit, localZone());
}

QString PriceHistoryChart::headerTitle() const {
    return currentHeader().title;
}

QString PriceHistoryChart::headerDetail() const {
    return currentHeader().detail;
}

QColor PriceHistoryChart::lineColor() const {
    return PriceChartRules::toneColor(PriceChartRules::lineTone(m_samples, m_risingIsBad),
                                      PanelTheme::current().palette);
}

PriceHistoryChart::Layout PriceHistoryChart::layout() const {
    const QRectF bounds(0, 0, width(), height());
    const double headerHeight =
        std::max(QFontMetricsF(titleFont()).height(), QFontMetricsF(detailFont()).height());
    Layout result;
    result.header = QRectF(bounds.left(), bounds.top(), bounds.width(), headerHeight);

    const QFontMetricsF axis(axisFont());
    double labelWidth = 0;
    const PriceChartRules::Scale probe(m_samples, QRectF(0, 0, 1, 1), priceTickCount);
    for (double tick : probe.ticks())
        labelWidth = std::max(labelWidth, axis.horizontalAdvance(PriceChartRules::axisPrice(tick)));
    // The price axis sits on the trailing side, the dates underneath.
    const double top = result.header.bottom() + headerSpacing + plotInset;
    const double bottom = bounds.bottom() - axis.height() - axisGap - plotInset;
    const double left = bounds.left() + plotInset;
    const double right = bounds.right() - labelWidth - axisGap - plotInset;
    result.plot = QRectF(QPointF(left, top), QPointF(std::max(left, right), std::max(top, bottom)));
    return result;
}

PriceChartRules::Scale PriceHistoryChart::scale() const {
    if (PriceChartRules::emptyText(m_snapshots, m_samples))
        return {};
    return PriceChartRules::Scale(m_samples, layout().plot, priceTickCount);
}

void PriceHistoryChart::paint(QPainter* painter) {
    const PanelThemeController& theme = PanelThemeController::shared();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::TextAntialiasing);

    if (const std::optional<QString> text = PriceChartRules::emptyText(m_snapshots, m_samples)) {
        painter->setFont(detailFont());
        painter->setPen(theme.textMuted());
        painter->drawText(QRectF(0, 0, width(), height()), Qt::AlignLeft | Qt::AlignVCenter, *text);
        return;
    }

    const Layout parts = layout();
    const PriceChartRules::Scale chart(m_samples, parts.plot, priceTickCount);
    const std::optional<qsizetype> selected = PriceChartRules::nearestSampleIndex(m_samples, m_hoverDate);
    const PriceChartRules::Header head =
        PriceChartRules::header(m_samples, selected, m_currency, m_unit, localZone());
    const QColor line = lineColor();

    // Header: the title, then the detail on the same baseline.
    const QFont title = titleFont();
    const QFont detail = detailFont();
    const QFontMetricsF titleMetrics(title);
    const QFontMetricsF detailMetrics(detail);
    const double baseline = parts.header.top() + std::max(titleMetrics.ascent(), detailMetrics.ascent());
    painter->setFont(title);
    painter->setPen(theme.textPrimary());
    painter->drawText(QPointF(parts.header.left(), baseline), head.title);
    painter->setFont(detail);
    painter->setPen(theme.textDim());
    painter->drawText(
        QPointF(parts.header.left() + titleMetrics.horizontalAdvance(head.title) + headerGap, baseline),
        head.detail);

    const QRectF plot = parts.plot;
    if (m_hoverDate)
        painter->fillRect(plot, theme.bgHighlight());

    // Grid and axis labels.
    painter->setFont(axisFont());
    const QFontMetricsF axisMetrics(axisFont());
    for (const PriceChartRules::AxisLabel& label : PriceChartRules::yAxisLabels(chart)) {
        painter->setPen(QPen(theme.borderSubtle(), 1));
        painter->drawLine(QPointF(plot.left(), label.position), QPointF(plot.right(), label.position));
        painter->setPen(theme.textDim());
        painter->drawText(QPointF(plot.right() + plotInset + axisGap,
                                  label.position + axisMetrics.ascent() * 0.5 - axisMetrics.descent() * 0.5),
                          label.text);
    }
    for (const PriceChartRules::AxisLabel& label :
         PriceChartRules::xAxisLabels(chart, dateTickCount, localZone())) {
        painter->setPen(QPen(theme.borderSubtle(), 1));
        painter->drawLine(QPointF(label.position, plot.top()), QPointF(label.position, plot.bottom()));
        painter->setPen(theme.textDim());
        const double textWidth = axisMetrics.horizontalAdvance(label.text);
        const double x =
            std::clamp(label.position - textWidth * 0.5, 0.0, std::max(0.0, width() - textWidth));
        painter->drawText(QPointF(x, plot.bottom() + plotInset + axisGap + axisMetrics.ascent()), label.text);
    }

    // Area, line and points.
    QPainterPath path;
    for (qsizetype i = 0; i < m_samples.size(); ++i) {
        const QPointF point(chart.x(m_samples[i].date), chart.y(m_samples[i].price));
        if (i == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    const double baselineY = chart.ticks().isEmpty()
                                 ? plot.bottom()
                                 : chart.y(std::clamp(0.0, chart.ticks().first(), chart.ticks().last()));
    QPainterPath area = path;
    area.lineTo(chart.x(m_samples.last().date), baselineY);
    area.lineTo(chart.x(m_samples.first().date), baselineY);
    area.closeSubpath();
    QLinearGradient fill(QPointF(0, plot.top()), QPointF(0, plot.bottom()));
    QColor top = line;
    top.setAlphaF(0.28f);
    QColor bottom = line;
    bottom.setAlphaF(0.02f);
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    painter->fillPath(area, fill);

    painter->setPen(QPen(line, lineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter->setBrush(Qt::NoBrush);
    painter->drawPath(path);
    painter->setPen(Qt::NoPen);
    painter->setBrush(line);
    for (const PriceHistorySample& sample : m_samples)
        painter->drawEllipse(QPointF(chart.x(sample.date), chart.y(sample.price)), pointRadius, pointRadius);

    if (selected) {
        const PriceHistorySample& sample = m_samples[*selected];
        const QPointF point(chart.x(sample.date), chart.y(sample.price));
        painter->setPen(QPen(theme.textPrimary(), 1));
        painter->drawLine(QPointF(point.x(), plot.top()), QPointF(point.x(), plot.bottom()));
        painter->setPen(QPen(theme.textPrimary(), 1.5));
        painter->setBrush(line);
        painter->drawEllipse(point, selectedPointRadius, selectedPointRadius);
    }
}

void PriceHistoryChart::trackPointer(QPointF position) {
    const PriceChartRules::Scale chart = scale();
    // The read-out above the chart is no part of it.
    if (position.y() < chart.plot().top() - plotInset) {
        setHoverDate(std::nullopt);
        return;
    }
    setHoverDate(chart.dateAt(position.x() - chart.plot().left()));
}

void PriceHistoryChart::hoverEnterEvent(QHoverEvent* event) {
    trackPointer(event->position());
}

void PriceHistoryChart::hoverMoveEvent(QHoverEvent* event) {
    trackPointer(event->position());
}

void PriceHistoryChart::hoverLeaveEvent(QHoverEvent*) {
    setHoverDate(std::nullopt);
}

} // namespace quelvio
