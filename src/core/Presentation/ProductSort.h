#pragma once

#include "RawValue.h"

#include <QString>
#include <array>
#include <optional>

// The sort choices of the product list and the tabs of the dropdown panel.
namespace quelvio {

// Raw values are stored and compared; titles are what the sort bar shows.
enum class ProductSort { goodwill, value, lastSeen, priceAsc, priceDesc, changeAsc, changeDesc };

// Every case in declaration order; this is also the order of the sort bar.
inline constexpr std::array<ProductSort, 7> productSortCases{
    ProductSort::goodwill,  ProductSort::value,     ProductSort::lastSeen,  ProductSort::priceAsc,
    ProductSort::priceDesc, ProductSort::changeAsc, ProductSort::changeDesc};
inline constexpr ProductSort defaultProductSort = ProductSort::goodwill;

QString rawValue(ProductSort sort);
QString title(ProductSort sort);
// The product list's "sort" and "order" query values; absent leaves the server's own order.
std::optional<QString> apiSort(ProductSort sort);
std::optional<QString> apiOrder(ProductSort sort);
// Only the default order sinks the user's own thumbed-down products to the end.
bool sinksOwnDowns(ProductSort sort);

enum class MenuBarDropdownTab { products, favorites, sources, me };

inline constexpr std::array<MenuBarDropdownTab, 4> menuBarDropdownTabCases{
    MenuBarDropdownTab::products, MenuBarDropdownTab::favorites, MenuBarDropdownTab::sources,
    MenuBarDropdownTab::me};
inline constexpr MenuBarDropdownTab defaultMenuBarDropdownTab = MenuBarDropdownTab::products;

QString rawValue(MenuBarDropdownTab tab);
QString title(MenuBarDropdownTab tab);
// The design's symbol name; the shell maps it onto an icon glyph.
QString symbolName(MenuBarDropdownTab tab);

template <>
std::optional<ProductSort> fromRawValue<ProductSort>(QStringView raw);
template <>
std::optional<MenuBarDropdownTab> fromRawValue<MenuBarDropdownTab>(QStringView raw);

} // namespace quelvio
