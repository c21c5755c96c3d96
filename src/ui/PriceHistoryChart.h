#pragma once

#include "Models/CatalogRecords.h"
#include "PriceChartRules.h"

#include <QDateTime>
#include <QList>
#include <QQuickPaintedItem>
#include <QString>
#include <QVariant>
#include <QtQml/qqmlregistration.h>
#include <optional>

namespace quelvio {

// A product's recent prices as a line over a filled area, with a read-out of the sample nearest
// to the pointer. All decisions live in PriceChartRules; this item lays out, paints and maps the
// pointer.
class PriceHistoryChart : public QQuickPaintedItem {
    Q_OBJECT
    QML_ELEMENT
    // A QList<quelvio::PriceSnapshot> in a variant, as AppState.productHistory arrives in QML.
    Q_PROPERTY(QVariant snapshots READ snapshotsVariant WRITE setSnapshotsVariant NOTIFY snapshotsChanged)
    // Empty means none.
    Q_PROPERTY(QString currency READ currencyText WRITE setCurrencyText NOTIFY snapshotsChanged)
    Q_PROPERTY(QString unit READ unitText WRITE setUnitText NOTIFY snapshotsChanged)
    Q_PROPERTY(bool risingIsBad READ risingIsBad WRITE setRisingIsBad NOTIFY snapshotsChanged)
    // Invalid while the pointer is not over the chart.
    Q_PROPERTY(QDateTime hoverDate READ hoverDateValue WRITE setHoverDateValue NOTIFY hoverDateChanged)
    Q_PROPERTY(int sampleCount READ sampleCount NOTIFY snapshotsChanged)
    Q_PROPERTY(int selectedIndex READ selectedIndex NOTIFY displayChanged)
    Q_PROPERTY(QString emptyText READ emptyText NOTIFY snapshotsChanged)
    Q_PROPERTY(QString summary READ summary NOTIFY snapshotsChanged)
    Q_PROPERTY(QString headerTitle READ headerTitle NOTIFY displayChanged)
    Q_PROPERTY(QString headerDetail READ headerDetail NOTIFY displayChanged)
    Q_PROPERTY(QColor lineColor READ lineColor NOTIFY displayChanged)

public:
    explicit PriceHistoryChart(QQuickItem* parent = nullptr);

    const QList<PriceSnapshot>& snapshots() const { return m_snapshots; }
    void setSnapshots(const QList<PriceSnapshot>& snapshots);
    QVariant snapshotsVariant() const;
    void setSnapshotsVariant(const QVariant& value);

    const std::optional<QString>& currency() const { return m_currency; }
    void setCurrency(const std::optional<QString>& currency);
    const std::optional<QString>& unit() const { return m_unit; }
    void setUnit(const std::optional<QString>& unit);
    bool risingIsBad() const { return m_risingIsBad; }
    void setRisingIsBad(bool risingIsBad);

    const std::optional<QDateTime>& hoverDate() const { return m_hoverDate; }
    void setHoverDate(const std::optional<QDateTime>& date);

    const QList<PriceHistorySample>& samples() const { return m_samples; }
    int sampleCount() const { return int(m_samples.size()); }
    // -1 without a selection.
    int selectedIndex() const;
    QString emptyText() const;
    QString summary() const;
    QString headerTitle() const;
    QString headerDetail() const;
    QColor lineColor() const;

    // Where the chart itself goes for the current size and theme; empty in the empty state.
    PriceChartRules::Scale scale() const;

    void paint(QPainter* painter) override;

signals:
    void snapshotsChanged();
    void hoverDateChanged();
    void displayChanged();

protected:
    void hoverEnterEvent(QHoverEvent* event) override;
    void hoverMoveEvent(QHoverEvent* event) override;
    void hoverLeaveEvent(QHoverEvent* event) override;

private:
    struct Layout {
        QRectF header;
        QRectF plot;
    };
    Layout layout() const;
    PriceChartRules::Header currentHeader() const;
    void trackPointer(QPointF position);
    void contentChanged();

    QString currencyText() const { return m_currency.value_or(QString()); }
    void setCurrencyText(const QString& text) {
        setCurrency(text.isEmpty() ? std::nullopt : std::optional(text));
    }
    QString unitText() const { return m_unit.value_or(QString()); }
    void setUnitText(const QString& text) { setUnit(text.isEmpty() ? std::nullopt : std::optional(text)); }
    QDateTime hoverDateValue() const { return m_hoverDate.value_or(QDateTime()); }
    void setHoverDateValue(const QDateTime& date) {
        setHoverDate(date.isValid() ? std::optional(date) : std::nullopt);
    }

    QList<PriceSnapshot> m_snapshots;
    QList<PriceHistorySample> m_samples;
    std::optional<QString> m_currency;
    std::optional<QString> m_unit;
    bool m_risingIsBad = true;
    std::optional<QDateTime> m_hoverDate;
};

} // namespace quelvio
