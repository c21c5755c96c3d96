#pragma once

#include "AppState.h"
#include "Models/CatalogRecords.h"
#include "PanelText.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QTimeZone>
#include <optional>

// What the product detail and the main window say about the open product. The views only place it.
namespace quelvio::DetailText {

enum class Phase { loading, failed, ready };

// A loaded detail shows even while a refresh of it runs.
Phase phase(bool isDetailLoading, bool hasDetail);

inline constexpr QStringView failedText = u"无法加载商品";
inline constexpr QStringView failedSymbol = u"exclamationmark.triangle";

// Source name, category and subtype as far as present, joined with " · ".
QString subtitle(const Product& product);
// "#42"
QString idText(const Product& product);

QString price(const Product& product);
// "输出 " and the output price; empty without one.
QString outputPrice(const Product& product);

struct Change {
    QString text; // empty when hidden
    PanelText::ColorRole color = PanelText::ColorRole::textMuted;

    bool operator==(const Change&) const = default;
};

// Shown from an absolute value of 0.005 on; a rise is bad news, a fall good.
Change change(const Product& product);

// The server's period low, else one computed from the history; empty when neither gives one.
QString periodLow(const Product& product, const QList<PriceSnapshot>& history, const QDateTime& now);

inline constexpr QStringView stockLabel = u"库存";
// "没货" in danger for an explicit out-of-stock, else the shop's stock text, else "—".
PanelText::StockLine stockValue(const Product& product);

struct SnapshotRow {
    QString time;
    QString price;

    bool operator==(const SnapshotRow&) const = default;
};

inline constexpr qsizetype snapshotRowLimit = 8;

// The last snapshots of the history (the server sends them oldest first), newest first. A snapshot
// without its own currency or unit takes the product's.
QList<SnapshotRow> latestSnapshots(const QList<PriceSnapshot>& history, const Product& product,
                                   const QTimeZone& zone, qsizetype limit = snapshotRowLimit);

QString favoriteLabel(bool isFavorite);
QString downLabel(bool isDown);
// Empty when signed in.
QString reactionHint(bool isLoggedIn);

struct MetaRow {
    QString label;
    QString value;

    bool operator==(const MetaRow&) const = default;
};

// "状态", "类型", "档位", "单位", "货币", "采集", "首次", each "—" when missing.
QList<MetaRow> metaRows(const Product& product, const QTimeZone& zone);

// Whether the main window shows the open product in its inspector column.
bool showsInspector(const PanelRoute& route, bool hasDetail, MenuBarDropdownTab tab);

// The main window's centre header: "设置", or the tab's title with the filters or the user that
// apply to it, joined with " · ". Empty strings count as absent.
QString placeTitle(const PanelRoute& route, MenuBarDropdownTab tab, const QString& category,
                   const QString& shopName, const QString& username);

} // namespace quelvio::DetailText
