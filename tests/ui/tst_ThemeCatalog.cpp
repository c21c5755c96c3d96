#include "PanelThemeController.h"
#include "ThemeCatalog.h"

#include <QFontDatabase>
#include <QSignalSpy>
#include <QTest>
#include <cmath>

using namespace quelvio;

Q_DECLARE_METATYPE(quelvio::AppTheme)
Q_DECLARE_METATYPE(quelvio::ThemeTypographyStyle)

class TestThemeCatalog : public QObject {
    Q_OBJECT

private slots:
    void allListsEveryThemeOnceInCaseOrder() {
        const QList<ThemeDefinition>& all = ThemeCatalog::all();
        QCOMPARE(all.size(), qsizetype(appThemeCases.size()));
        for (size_t i = 0; i < appThemeCases.size(); ++i)
            QCOMPARE(all[qsizetype(i)].id, appThemeCases[i]);
    }

    void definitionFindsItsOwnTheme_data() {
        QTest::addColumn<AppTheme>("theme");
        for (AppTheme theme : appThemeCases)
            QTest::newRow(qPrintable(rawValue(theme))) << theme;
    }
    void definitionFindsItsOwnTheme() {
        QFETCH(AppTheme, theme);
        const ThemeDefinition& d = ThemeCatalog::definition(theme);
        QCOMPARE(d.id, theme);
        // The core's appearance and the definition's never disagree.
        QCOMPARE(d.appearance, appearance(theme));
        QVERIFY(!d.name.isEmpty());
        QVERIFY(!d.caption.isEmpty());
        // The window background matches the surface everywhere but in pixel.
        QCOMPARE(d.palette.nsBgBase == d.palette.bgBase, theme != AppTheme::pixel);
        // Square shapes go with the retro and brutal looks only.
        QCOMPARE(ThemeRecipes::cornerRadius(d.recipe.shape),
                 theme == AppTheme::pixel || theme == AppTheme::brutalism ? 0.0 : 7.0);
    }

    void opacityIsKeptOnTranslucentColours() {
        const ThemePalette& glass = ThemeCatalog::glass().palette;
        QCOMPARE(glass.bgSidebar.rgb(), QColor("#EDF6FF").rgb());
        QVERIFY(qAbs(glass.bgSidebar.alphaF() - 0.62) < 0.001);
        QCOMPARE(glass.bgElevated.rgb(), QColor(Qt::white).rgb());
        QVERIFY(qAbs(ThemeCatalog::ink().palette.borderSubtle.alphaF() - 0.075) < 0.001);
        QCOMPARE(ThemeCatalog::paper().palette.borderSubtle.rgb(), QColor(Qt::black).rgb());
        // Hex colours are opaque.
        QCOMPARE(ThemeCatalog::pixel().palette.nsBgBase, QColor("#17181B"));
        QCOMPARE(ThemeCatalog::pixel().palette.nsBgBase.alpha(), 255);
    }

    void themedFontWeights_data() {
        QTest::addColumn<ThemeTypographyStyle>("typography");
        QTest::addColumn<int>("requested");
        QTest::addColumn<int>("expected");
        using T = ThemeTypographyStyle;
        QTest::newRow("rounded medium") << T::rounded << int(QFont::Medium) << int(QFont::Medium);
        QTest::newRow("system semibold") << T::system << int(QFont::DemiBold) << int(QFont::DemiBold);
        QTest::newRow("technical medium") << T::technical << int(QFont::Medium) << int(QFont::Medium);
        QTest::newRow("pixel medium becomes bold") << T::pixel << int(QFont::Medium) << int(QFont::Bold);
        QTest::newRow("pixel regular stays") << T::pixel << int(QFont::Normal) << int(QFont::Normal);
        QTest::newRow("pixel semibold stays") << T::pixel << int(QFont::DemiBold) << int(QFont::DemiBold);
        QTest::newRow("brutal regular") << T::brutal << int(QFont::Normal) << int(QFont::Normal);
        QTest::newRow("brutal medium is the regular cut")
            << T::brutal << int(QFont::Medium) << int(QFont::Normal);
        QTest::newRow("brutal semibold is the bold cut")
            << T::brutal << int(QFont::DemiBold) << int(QFont::Bold);
        QTest::newRow("brutal light is the bold cut") << T::brutal << int(QFont::Light) << int(QFont::Bold);
    }
    void themedFontWeights() {
        QFETCH(ThemeTypographyStyle, typography);
        QFETCH(int, requested);
        QFETCH(int, expected);
        const QFont font = ThemeRecipes::themedFont(typography, 12, static_cast<QFont::Weight>(requested));
        QCOMPARE(int(font.weight()), expected);
        QCOMPARE(font.pixelSize(), 12);
    }

    void themedFontFamilies() {
        const QString fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
        const QString general = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
        using T = ThemeTypographyStyle;
        QCOMPARE(ThemeRecipes::themedFont(T::rounded, 13, QFont::Normal).family(), general);
        QCOMPARE(ThemeRecipes::themedFont(T::system, 13, QFont::Normal).family(), general);
        QCOMPARE(ThemeRecipes::themedFont(T::technical, 13, QFont::Normal).family(), fixed);
        QCOMPARE(ThemeRecipes::themedFont(T::pixel, 13, QFont::Normal).family(), fixed);
        const QFont brutal = ThemeRecipes::themedFont(T::brutal, 13, QFont::Normal);
        QCOMPARE(brutal.families().value(0), QStringLiteral("Menlo"));
        QVERIFY(brutal.families().contains(fixed));
        // Fractional sizes round to whole pixels.
        QCOMPARE(ThemeRecipes::themedFont(T::rounded, 10.5, QFont::Normal).pixelSize(), 11);
    }

    void applyMovesTheProcessWideTheme() {
        PanelThemeController& controller = PanelThemeController::shared();
        QSignalSpy spy(&controller, &PanelThemeController::mirlowThemeDidChange);
        const uint before = controller.revision();

        controller.apply(AppTheme::glass);
        controller.apply(AppTheme::glass);
        QCOMPARE(controller.revision(), before + 2);
        QCOMPARE(spy.size(), 2);
        QCOMPARE(spy.at(1).at(0).value<AppTheme>(), AppTheme::glass);
        QCOMPARE(PanelTheme::theme(), AppTheme::glass);
        QCOMPARE(PanelTheme::current().name, QStringLiteral("流光玻璃"));
        QCOMPARE(controller.theme(), AppTheme::glass);
        QCOMPARE(controller.themeId(), QStringLiteral("glass"));
        QVERIFY(controller.isLight());
        QCOMPARE(controller.accent(), ThemeCatalog::glass().palette.accent);
        QCOMPARE(controller.cornerRadius(), 7.0);

        controller.apply(AppTheme::pixel);
        QCOMPARE(controller.revision(), before + 3);
        QVERIFY(!controller.isLight());
        QCOMPARE(controller.cornerRadius(), 0.0);
        QCOMPARE(controller.motionDuration(), 80);
        QCOMPARE(controller.motionEasing(), int(QEasingCurve::Linear));
        QCOMPARE(controller.switchDuration(), 80);
        controller.setReduceMotion(true);
        QCOMPARE(controller.switchDuration(), 0);
        controller.setReduceMotion(false);
        QCOMPARE(int(controller.themedFont(12, QFont::Medium).weight()), int(QFont::Bold));
        QCOMPARE(controller.windowBackground(), QColor("#17181B"));
        QCOMPARE(controller.bgBase(), QColor("#17182B"));
        // The property system sees the same values views will bind to.
        QCOMPARE(controller.property("accent").value<QColor>(), ThemeCatalog::pixel().palette.accent);
        QCOMPARE(controller.property("revision").toUInt(), before + 3);
    }

    // The focus ring and the keyboard's selection bar are drawn in the accent: it must stand out
    // (3:1, as non-text contrast asks) from every ground they are drawn on.
    void theAccentStandsOutFromEveryGround() {
        const auto luminance = [](const QColor& c) {
            const auto channel = [](double v) {
                return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
            };
            return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
        };
        const auto contrast = [&](const QColor& a, const QColor& b) {
            const double la = luminance(a), lb = luminance(b);
            return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
        };
        for (const ThemeDefinition& theme : ThemeCatalog::all())
            for (const QColor& ground : {theme.palette.bgBase, theme.palette.bgElevated,
                                         theme.palette.bgSidebar, theme.palette.bgHighlight})
                QVERIFY2(contrast(theme.palette.accent, ground) >= 3.0,
                         qPrintable(theme.name + QStringLiteral(" on ") + ground.name()));
    }

    void qmlSingletonIsTheSharedInstance() {
        QCOMPARE(PanelThemeController::create(nullptr, nullptr), &PanelThemeController::shared());
    }
};

QTEST_MAIN(TestThemeCatalog)
#include "tst_ThemeCatalog.moc"
