#include "Presentation/StatusItem.h"
#include "Theme.h"

#include <QSet>
#include <QTest>

using namespace quelvio;
using namespace Qt::StringLiterals;

class TestIdentifiers : public QObject {
    Q_OBJECT

private slots:
    void themes() {
        const QStringList raw{u"ink"_s, u"paper"_s, u"blueprint"_s, u"glass"_s, u"pixel"_s, u"brutalism"_s};
        QCOMPARE(appThemeCases.size(), std::size_t(raw.size()));
        for (std::size_t i = 0; i < appThemeCases.size(); ++i) {
            QCOMPARE(rawValue(appThemeCases[i]), raw[qsizetype(i)]);
            QCOMPARE(fromRawValue<AppTheme>(raw[qsizetype(i)]), std::optional(appThemeCases[i]));
            QCOMPARE(appThemeFromRawOrFallback(raw[qsizetype(i)]), appThemeCases[i]);
        }
        QCOMPARE(fromRawValue<AppTheme>(u"Pixel"), std::nullopt);
        QCOMPARE(fromRawValue<AppTheme>(u""), std::nullopt);
        QCOMPARE(appThemeFromRawOrFallback(u"Pixel"_s), AppTheme::ink);
        QCOMPARE(appThemeFromRawOrFallback(std::nullopt), AppTheme::ink);
    }

    void appearances() {
        const QSet<AppTheme> light{AppTheme::paper, AppTheme::glass};
        for (AppTheme theme : appThemeCases)
            QCOMPARE(appearance(theme), light.contains(theme) ? AppAppearance::light : AppAppearance::dark);
        QCOMPARE(fromRawValue<AppAppearance>(u"light"), std::optional(AppAppearance::light));
        QCOMPARE(fromRawValue<AppAppearance>(u"dark"), std::optional(AppAppearance::dark));
        QCOMPARE(fromRawValue<AppAppearance>(u"Light"), std::nullopt);
        QCOMPARE(rawValue(AppAppearance::dark), u"dark"_s);
    }

    void launchAtLogin_data() {
        QTest::addColumn<LaunchAtLoginStatus>("status");
        QTest::addColumn<bool>("on");
        QTest::addColumn<QString>("detail");
        const QString opensAfterLogin = u"登录后自动打开"_s;
        QTest::newRow("enabled") << LaunchAtLoginStatus::enabled << true << opensAfterLogin;
        QTest::newRow("not registered") << LaunchAtLoginStatus::notRegistered << false << opensAfterLogin;
        QTest::newRow("requires approval")
            << LaunchAtLoginStatus::requiresApproval << true << u"请在系统设置 › 登录项中允许"_s;
        QTest::newRow("not found") << LaunchAtLoginStatus::notFound << false << opensAfterLogin;
    }

    void launchAtLogin() {
        QFETCH(LaunchAtLoginStatus, status);
        QFETCH(bool, on);
        QFETCH(QString, detail);
        QCOMPARE(isSwitchOn(status), on);
        QVERIFY(canToggle(status));
        QCOMPARE(settingsDetail(status), detail);
    }
};

QTEST_GUILESS_MAIN(TestIdentifiers)
#include "tst_Identifiers.moc"
