#include "Presentation/ProductSort.h"
#include "Presentation/StatusItem.h"
#include "Theme.h"

#include <QSet>
#include <QTest>

using namespace quelvio;
using namespace Qt::StringLiterals;

namespace {

// The interface hands raw values out and takes them back: every case must come back as itself,
// and no two cases may share a raw value.
template <typename Enum, typename Cases>
void verifyRawValuesRoundTrip(const Cases& cases) {
    QSet<QString> seen;
    for (Enum value : cases) {
        QCOMPARE(fromRawValue<Enum>(rawValue(value)), std::optional(value));
        seen.insert(rawValue(value));
    }
    QCOMPARE(seen.size(), qsizetype(cases.size()));
}

} // namespace

class TestIdentifiers : public QObject {
    Q_OBJECT

private slots:
    void rawValuesRoundTrip() {
        verifyRawValuesRoundTrip<AppTheme>(appThemeCases);
        verifyRawValuesRoundTrip<ProductSort>(productSortCases);
        verifyRawValuesRoundTrip<MenuBarDropdownTab>(menuBarDropdownTabCases);
        // Raw values are case-sensitive; an unknown theme falls back to ink.
        QCOMPARE(fromRawValue<ProductSort>(u"PriceAsc"), std::nullopt);
        QCOMPARE(appThemeFromRawOrFallback(u"Pixel"_s), AppTheme::ink);
        QCOMPARE(appThemeFromRawOrFallback(u"pixel"_s), AppTheme::pixel);
    }

    void appearances() {
        const QSet<AppTheme> light{AppTheme::paper, AppTheme::glass};
        for (AppTheme theme : appThemeCases)
            QCOMPARE(appearance(theme), light.contains(theme) ? AppAppearance::light : AppAppearance::dark);
    }

    void launchAtLoginWaitingForApprovalShowsOn() {
        QVERIFY(isSwitchOn(LaunchAtLoginStatus::enabled));
        QVERIFY(isSwitchOn(LaunchAtLoginStatus::requiresApproval));
        QVERIFY(!isSwitchOn(LaunchAtLoginStatus::notRegistered));
        QVERIFY(!isSwitchOn(LaunchAtLoginStatus::notFound));
    }
};

QTEST_GUILESS_MAIN(TestIdentifiers)
#include "tst_Identifiers.moc"
