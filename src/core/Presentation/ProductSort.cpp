#include "Presentation/ProductSort.h"

namespace quelvio {

QString rawValue(ProductSort sort) {
    switch (sort) {
    case ProductSort::goodwill:
        return QStringLiteral("goodwill");
    case ProductSort::value:
        return QStringLiteral("value");
    case ProductSort::lastSeen:
        return QStringLiteral("lastSeen");
    case ProductSort::priceAsc:
        return QStringLiteral("priceAsc");
    case ProductSort::priceDesc:
        return QStringLiteral("priceDesc");
    case ProductSort::changeAsc:
        return QStringLiteral("changeAsc");
    case ProductSort::changeDesc:
        return QStringLiteral("changeDesc");
    }
    Q_UNREACHABLE();
}

QString title(ProductSort sort) {
    switch (sort) {
    case ProductSort::goodwill:
        return QStringLiteral("默认");
    case ProductSort::value:
        return QStringLiteral("推荐");
    case ProductSort::lastSeen:
        return QStringLiteral("最新");
    case ProductSort::priceAsc:
        return QStringLiteral("价格↑");
    case ProductSort::priceDesc:
        return QStringLiteral("价格↓");
    case ProductSort::changeAsc:
        return QStringLiteral("涨幅↑");
    case ProductSort::changeDesc:
        return QStringLiteral("涨幅↓");
    }
    Q_UNREACHABLE();
}

std::optional<QString> apiSort(ProductSort sort) {
    switch (sort) {
    case ProductSort::goodwill:
        return std::nullopt;
    case ProductSort::value:
        return QStringLiteral("value");
    case ProductSort::lastSeen:
        return QStringLiteral("last_seen");
    case ProductSort::priceAsc:
    case ProductSort::priceDesc:
        return QStringLiteral("price");
    case ProductSort::changeAsc:
    case ProductSort::changeDesc:
        return QStringLiteral("change_pct");
    }
    Q_UNREACHABLE();
}

std::optional<QString> apiOrder(ProductSort sort) {
    switch (sort) {
    case ProductSort::goodwill:
    case ProductSort::value:
        return std::nullopt;
    case ProductSort::priceAsc:
    case ProductSort::changeAsc:
        return QStringLiteral("asc");
    case ProductSort::lastSeen:
    case ProductSort::priceDesc:
    case ProductSort::changeDesc:
        return QStringLiteral("desc");
    }
    Q_UNREACHABLE();
}

bool sinksOwnDowns(ProductSort sort) {
    return sort == ProductSort::goodwill;
}

QString rawValue(MenuBarDropdownTab tab) {
    switch (tab) {
    case MenuBarDropdownTab::products:
        return QStringLiteral("products");
    case MenuBarDropdownTab::favorites:
        return QStringLiteral("favorites");
    case MenuBarDropdownTab::sources:
        return QStringLiteral("sources");
    case MenuBarDropdownTab::me:
        return QStringLiteral("me");
    }
    Q_UNREACHABLE();
}

QString title(MenuBarDropdownTab tab) {
    switch (tab) {
    case MenuBarDropdownTab::products:
        return QStringLiteral("商品");
    case MenuBarDropdownTab::favorites:
        return QStringLiteral("收藏");
    case MenuBarDropdownTab::sources:
        return QStringLiteral("源");
    case MenuBarDropdownTab::me:
        return QStringLiteral("我的");
    }
    Q_UNREACHABLE();
}

QString symbolName(MenuBarDropdownTab tab) {
    switch (tab) {
    case MenuBarDropdownTab::products:
        return QStringLiteral("bag");
    case MenuBarDropdownTab::favorites:
        return QStringLiteral("star");
    case MenuBarDropdownTab::sources:
        return QStringLiteral("externaldrive");
    case MenuBarDropdownTab::me:
        return QStringLiteral("person.crop.circle");
    }
    Q_UNREACHABLE();
}

namespace {

template <typename Enum, std::size_t N>
std::optional<Enum> parse(QStringView raw, const std::array<Enum, N>& cases) {
    for (Enum value : cases)
        if (rawValue(value) == raw)
            return value;
    return std::nullopt;
}

} // namespace

template <>
std::optional<ProductSort> fromRawValue<ProductSort>(QStringView raw) {
    return parse(raw, productSortCases);
}

template <>
std::optional<MenuBarDropdownTab> fromRawValue<MenuBarDropdownTab>(QStringView raw) {
    return parse(raw, menuBarDropdownTabCases);
}

} // namespace quelvio
