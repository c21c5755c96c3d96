#pragma once

#include "AppState.h"
#include "Models/CatalogRecords.h"

#include <QList>
#include <QString>
#include <QTimeZone>
#include <optional>

// What the panel's rows and header say, and in which palette colour. The views only place it.
namespace quelvio::PanelText {

// Theme palette roles; the views look the colour up by name on the current palette.
enum class ColorRole {
    textPrimary,
    textSecondary,
    textMuted,
    textDim,
    accent,
    accentSecondary,
    success,
    warning,
    danger
};

// The palette property name: "textDim", "accentSecondary", ...
QString colorRoleName(ColorRole role);

// "已连接", "离线", "连接中".
QString connectionLabel(ConnectionState state);

struct Badge {
    QString text;
    ColorRole color = ColorRole::textDim;

    bool operator==(const Badge&) const = default;
};

// The change is changePercent when given, else the product's own; it shows from an absolute
// value of 0.005 on, green when the price fell.
QList<Badge> signalBadges(const Product& product, std::optional<double> changePercent, bool isDown);

inline constexpr QStringView secondLineSeparator = u" · ";

// Source name, category, subtype (only under a category) and the server's period low, as far as
// present, joined with secondLineSeparator. A delisted product's "下架" is the view's to add.
QString secondLine(const Product& product);

// Only an explicit isActive false counts.
bool isDelisted(const Product& product);

QString priceLine(const Product& product);

struct StockLine {
    QString text;
    ColorRole color = ColorRole::textMuted;

    bool operator==(const StockLine&) const = default;
};

StockLine stockLine(const Product& product);

// The time shown is when the run finished, or when it started while it has no finish time.
QString runLabel(const ScrapeRun& run, const QTimeZone& zone);
ColorRole runColor(const QString& status);

// "待收录" and "停用", each only for an explicit false.
QList<Badge> shopBadges(const Source& source);

// Empty when nobody is recorded as the requester.
QString submitterLine(const Source& source);

// What a tab's body shows: its list, a placeholder, the favourites' invitation to sign in, or
// nothing yet (a first load still under way).
enum class TabBody { list, placeholder, signIn, nothing };

struct EmptyState {
    QString symbol;
    QString text;
    QString detail;

    bool operator==(const EmptyState&) const = default;
};

struct TabContent {
    TabBody body = TabBody::nothing;
    EmptyState placeholder; // only for TabBody::placeholder

    bool operator==(const TabContent&) const = default;
};

// "list", "placeholder", "signIn", "nothing".
QString tabBodyName(TabBody body);

// Rows already shown stay shown, offline or not.
TabContent productsContent(ConnectionState connection, bool hasRows, bool isLoading,
                           const std::optional<QString>& lastError);
TabContent favoritesContent(bool isLoggedIn, bool hasFavorites);
TabContent sourcesContent(ConnectionState connection, bool hasSources,
                          const std::optional<QString>& lastError);

// The shop request's button: "需登录" signed out, "提交中…" while a request runs, else "提交收录".
QString sourceRequestTitle(bool isLoggedIn, bool busy);

// The load-more row closes the product list; it is in view once the viewport's bottom edge passes
// its top edge, at once when the whole list fits.
bool loadMoreRowInView(double viewportBottom, double contentHeight, double rowHeight);

} // namespace quelvio::PanelText
