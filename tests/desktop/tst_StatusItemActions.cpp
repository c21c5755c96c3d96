#include "FakeShell.h"
#include "StatusItemActions.h"

#include <QTest>

using namespace quelvio;
using namespace quelvio::test;
using namespace quelvio::StatusItemActions;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(std::optional<quelvio::StatusItemActions::ClickKind>)
Q_DECLARE_METATYPE(quelvio::StatusItemActions::ClickAction)

class TestStatusItemActions : public QObject {
    Q_OBJECT

private slots:
    void clickDecision_data() {
        QTest::addColumn<std::optional<ClickKind>>("click");
        QTest::addColumn<ClickAction>("action");
        QTest::newRow("right") << std::optional(ClickKind::rightMouseUp) << ClickAction::showContextMenu;
        QTest::newRow("left") << std::optional(ClickKind::leftMouseUp) << ClickAction::toggleDropdown;
        QTest::newRow("other") << std::optional(ClickKind::other) << ClickAction::toggleDropdown;
        QTest::newRow("no event") << std::optional<ClickKind>() << ClickAction::toggleDropdown;
    }
    void clickDecision() {
        QFETCH(std::optional<ClickKind>, click);
        QFETCH(ClickAction, action);
        QCOMPARE(clickAction(click), action);
    }

    void trayReasons() {
        QCOMPARE(clickAction(clickKind(QSystemTrayIcon::Context)), ClickAction::showContextMenu);
        QCOMPARE(clickAction(clickKind(QSystemTrayIcon::Trigger)), ClickAction::toggleDropdown);
        QCOMPARE(clickAction(clickKind(QSystemTrayIcon::DoubleClick)), ClickAction::toggleDropdown);
        QCOMPARE(clickAction(clickKind(QSystemTrayIcon::MiddleClick)), ClickAction::toggleDropdown);
    }

    void contextMenu() {
        const QList<MenuEntry> entries = contextMenuEntries();
        QCOMPARE(entries.size(), 4);
        QCOMPARE(entries[0],
                 (MenuEntry{QStringLiteral("打开主窗口"), QStringLiteral("o"), MenuAction::showMainWindow}));
        QCOMPARE(entries[1],
                 (MenuEntry{QStringLiteral("设置"), QStringLiteral(","), MenuAction::showSettings}));
        QVERIFY(entries[2].isSeparator());
        QCOMPARE(entries[3], (MenuEntry{QStringLiteral("退出"), QStringLiteral("q"), MenuAction::quit}));
    }

    void menuTriggersItsActions() {
        QMenu menu;
        QList<MenuAction> chosen;
        populateMenu(menu, [&](MenuAction action) { chosen.append(action); });
        const QList<QAction*> actions = menu.actions();
        QCOMPARE(actions.size(), 4);
        QVERIFY(actions[2]->isSeparator());
        QCOMPARE(actions[0]->text(), QStringLiteral("打开主窗口"));
        QCOMPARE(actions[0]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
        QCOMPARE(actions[1]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
        QCOMPARE(actions[3]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
        actions[3]->trigger();
        actions[1]->trigger();
        actions[0]->trigger();
        QCOMPARE(chosen,
                 (QList<MenuAction>{MenuAction::quit, MenuAction::showSettings, MenuAction::showMainWindow}));
    }

    void toggle() {
        FakeDropdownHost host;
        host.screenList = {{{0, 0, 1440, 900}, {0, 0, 1440, 875}}};
        host.pointer = {700, 890};
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
        QCOMPARE(host.fades.size(), 1);
        QCOMPARE(appeared, 1);

        toggleDropdown(&dropdown, appear); // fading: comes back instead of a second hide
        QVERIFY(host.visible);
        QVERIFY(!dropdown.isAnimatingHide());
        QCOMPARE(host.fades.size(), 1);
        QCOMPARE(appeared, 2);

        host.reduced = true;
        toggleDropdown(&dropdown, appear); // shown, reduced motion: gone at once
        QVERIFY(!host.visible);
        QCOMPARE(appeared, 2);

        toggleDropdown(nullptr, appear);
        QCOMPARE(appeared, 2);
    }

    void toggleOverFullScreenRefreshesOnlyOnceOpen() {
        FakeDropdownHost host;
        const ScreenInfo fullScreen{{0, 0, 1440, 900}, {0, 0, 1440, 900}};
        host.screenList = {fullScreen};
        FakeShellClock clock;
        AppActivationPolicy policy;
        MenuBarDropdownController dropdown(host, clock, policy);
        int appeared = 0;
        toggleDropdown(&dropdown, [&] { ++appeared; });
        QCOMPARE(appeared, 0);
        toggleDropdown(&dropdown, [&] { ++appeared; }); // clicked again before it opened
        clock.runPending();
        QVERIFY(host.visible);
        QCOMPARE(appeared, 1);
        // Only the opening it waited for refreshes: a later show does not repeat it.
        dropdown.hide(false);
        dropdown.show();
        clock.runPending();
        QCOMPARE(appeared, 1);
    }
};

QTEST_MAIN(TestStatusItemActions)
#include "tst_StatusItemActions.moc"
