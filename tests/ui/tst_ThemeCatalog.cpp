#include "PanelThemeController.h"
#include "ThemeCatalog.h"

#include <QFontDatabase>
#include <QSignalSpy>
#include <QTest>
#include <cmath>

using namespace quelvio;

class TestThemeCatalog : public QObject {
    Q_OBJECT

private slots:
    void themedFonts() {
        using T = ThemeTypographyStyle;
        const auto weight = [](T typography, QFont::Weight requested) {
            return ThemeRecipes::themedFont(typography, 12, requested).weight();
        };
        QCOMPARE(weight(T::rounded, QFont::Medium), QFont::Medium);
        QCOMPARE(weight(T::pixel, QFont::Medium), QFont::Bold);
        // Brutal has a regular and a bold cut only.
        QCOMPARE(weight(T::brutal, QFont::Medium), QFont::Normal);
        QCOMPARE(weight(T::brutal, QFont::DemiBold), QFont::Bold);
        QCOMPARE(weight(T::brutal, QFont::Light), QFont::Bold);

        const QString fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
        QCOMPARE(ThemeRecipes::themedFont(T::technical, 13, QFont::Normal).family(), fixed);
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

        // Applying the same theme again still tells the views, which rebind on the revision.
        controller.apply(AppTheme::glass);
        controller.apply(AppTheme::glass);
        QCOMPARE(controller.revision(), before + 2);
        QCOMPARE(spy.size(), 2);
        QCOMPARE(PanelTheme::theme(), AppTheme::glass);

        controller.apply(AppTheme::pixel);
        QCOMPARE(int(controller.themedFont(12, QFont::Medium).weight()), int(QFont::Bold));
        // Reduced motion stills the page switches, and only while the desktop asks for it.
        QVERIFY(controller.switchDuration() > 0);
        controller.setReduceMotion(true);
        QCOMPARE(controller.switchDuration(), 0);
        controller.setReduceMotion(false);
        QCOMPARE(controller.switchDuration(), controller.motionDuration());
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
        for (const ThemeDefinition& theme : ThemeCatalog::all())
            for (const QColor& ground : {theme.palette.bgBase, theme.palette.bgElevated,
                                         theme.palette.bgSidebar, theme.palette.bgHighlight}) {
                const double a = luminance(theme.palette.accent), b = luminance(ground);
                QVERIFY2((std::max(a, b) + 0.05) / (std::min(a, b) + 0.05) >= 3.0,
                         qPrintable(theme.name + QStringLiteral(" on ") + ground.name()));
            }
    }
};

QTEST_MAIN(TestThemeCatalog)
#include "tst_ThemeCatalog.moc"
