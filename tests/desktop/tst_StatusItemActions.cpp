#include "FakeShell.h"
#include "StatusItemActions.h"

#include <QTest>

using namespace quelvio;
using namespace quelvio::test;
using namespace quelvio::StatusItemActions;

class TestStatusItemActions : public QObject {
    Q_OBJECT

private slots:
    void onlyARightClickOpensTheMenu() {
        QCOMPARE(clickAction(clickKind(QSystemTrayIcon::Context)), ClickAction::showContextMenu);
        QCOMPARE(clickAction(clickKind(QSystemTrayIcon::Trigger)), ClickAction::toggleDropdown);
        QCOMPARE(clickAction(clickKind(QSystemTrayIcon::DoubleClick)), ClickAction::toggleDropdown);
        QCOMPARE(clickAction(std::nullopt), ClickAction::toggleDropdown);
    }

    void menuEntriesTriggerTheirActions() {
        QMenu menu;
        QList<MenuAction> chosen;
        populateMenu(menu, [&](MenuAction action) { chosen.append(action); });
        const QList<QAction*> actions = menu.actions();
        QCOMPARE(actions.size(), 4);
        QVERIFY(actions[2]->isSeparator());
        QCOMPARE(actions[3]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
        actions[3]->trigger();
        actions[1]->trigger();
        actions[0]->trigger();
        QCOMPARE(chosen,
                 (QList<MenuAction>{MenuAction::quit, MenuAction::showSettings, MenuAction::showMainWindow}));
    }

    void toggleRefreshesOnlyWhatAppears() {
        FakeDropdownHost host;
        host.screenList = {{{0, 0, 1440, 900}, {0, 0, 1440, 875}}};
        FakeShellClock clock;
        AppActivationPolicy policy;
        MenuBarDropdownController dropdown(host, clock, policy);
        int appeared = 0;
        const auto appear = [&] { ++appeared; };

        toggleDropdown(&dropdown, appear); // hidden: shows and refreshes
        QVERIFY(host.visible);
        QCOMPARE(appeared, 1);
        toggleDropdown(&dropdown, appear); // shown: fades out, nothing to refresh
        QVERIFY(dropdown.isAnimatingHide());
        QCOMPARE(appeared, 1);
        toggleDropdown(&dropdown, appear); // fading: comes back instead of a second hide
        QVERIFY(!dropdown.isAnimatingHide());
        QCOMPARE(host.fades.size(), 1);
        QCOMPARE(appeared, 2);
        toggleDropdown(nullptr, appear);
        QCOMPARE(appeared, 2);

        // Over a full-screen window it waits for the opening, once however often it is clicked.
        dropdown.hide(false);
        host.screenList = {{{0, 0, 1440, 900}, {0, 0, 1440, 900}}};
        toggleDropdown(&dropdown, appear);
        toggleDropdown(&dropdown, appear);
        QCOMPARE(appeared, 2);
        clock.runPending();
        QVERIFY(host.visible);
        QCOMPARE(appeared, 3);
        dropdown.hide(false);
        dropdown.show();
        clock.runPending();
        QCOMPARE(appeared, 3);
    }
};

QTEST_MAIN(TestStatusItemActions)
#include "tst_StatusItemActions.moc"
