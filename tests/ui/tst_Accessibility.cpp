#include "AppState.h"
#include "AsyncTest.h"
#include "DemoServer.h"
#include "StateBridge.h"
#include "ViewFixture.h"

#include <QAccessible>
#include <QQuickItem>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>
#include <algorithm>

Q_IMPORT_QML_PLUGIN(QuelvioPlugin)

using namespace quelvio;
using namespace quelvio::test;
using namespace Qt::StringLiterals;

namespace {

struct Window : ViewFixture {
    explicit Window(const char* qmlFile, QSize size)
        : ViewFixture(qmlFile, size, u"demo-key"_s) { // with an API key, the scrape buttons show
        state->appearOnPanel();
    }

    // Every shown item a pointer can press (a mouse area's owner) or toggle (a stock button)
    // that lacks an accessible role, a name or a press action, described for the failure.
    QStringList unreadable() const {
        QStringList found;
        std::function<void(QQuickItem*)> walk = [&](QQuickItem* item) {
            if (!item->isVisible())
                return;
            QQuickItem* owner = item->inherits("QQuickMouseArea")        ? item->parentItem()
                                : item->inherits("QQuickAbstractButton") ? item
                                                                         : nullptr;
            if (owner) {
                QAccessibleInterface* face = QAccessible::queryAccessibleInterface(owner);
                const bool readable = face && face->role() != QAccessible::NoRole &&
                                      face->role() != QAccessible::Client &&
                                      !face->text(QAccessible::Name).isEmpty() && face->actionInterface() &&
                                      (face->actionInterface()->actionNames().contains(
                                           QAccessibleActionInterface::pressAction()) ||
                                       face->actionInterface()->actionNames().contains(
                                           QAccessibleActionInterface::toggleAction()));
                if (!readable)
                    found.append(u"%1 \"%2\" in %3"_s.arg(
                        QString::fromLatin1(owner->metaObject()->className()),
                        face ? face->text(QAccessible::Name) : QString(),
                        QString::fromLatin1(owner->parentItem()->metaObject()->className())));
            }
            for (QQuickItem* child : item->childItems())
                walk(child);
        };
        walk(root);
        return found;
    }

    // The first interface under the window with this role and name.
    QAccessibleInterface* named(QAccessible::Role role, const QString& name) const {
        std::function<QAccessibleInterface*(QAccessibleInterface*)> walk = [&](QAccessibleInterface* face) {
            if (face->role() == role && face->text(QAccessible::Name) == name && !face->state().invisible)
                return face;
            for (int i = 0; i < face->childCount(); ++i)
                if (QAccessibleInterface* child = face->child(i))
                    if (QAccessibleInterface* found = walk(child))
                        return found;
            return static_cast<QAccessibleInterface*>(nullptr);
        };
        return walk(QAccessible::queryAccessibleInterface(const_cast<QQuickWindow*>(&window)));
    }
};

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        QAccessible::setActive(true);
    }

    void everyPressableThingHasARoleAndAName() {
        for (const auto& [file, size] : {std::pair{"MenuBarDropdownView.qml", QSize(400, 560)},
                                         std::pair{"MainWindowView.qml", QSize(980, 640)}}) {
            Window view(file, size);
            QVERIFY(waitUntil([&] { return !view.state->products().isEmpty() && !view.state->isLoading(); }));
            const auto check = [&](const char* where) {
                QTest::qWait(50); // one turn for rows and pages to settle
                const QStringList unreadable = view.unreadable();
                QVERIFY2(unreadable.isEmpty(),
                         qPrintable(u"%1 %2: %3"_s.arg(QLatin1StringView(file), QLatin1StringView(where),
                                                       unreadable.join(u"; "_s))));
            };
            check("products");
            for (const QString& tab : {u"favorites"_s, u"sources"_s, u"me"_s}) {
                view.bridge->selectTab(tab);
                check(qPrintable(tab));
            }
            view.bridge->showSettings();
            check("settings");
            view.bridge->openProduct(view.state->products().first().id);
            QVERIFY(waitUntil([&] { return view.state->productDetail().has_value(); }));
            check("product");

            // Signed in as an administrator: the account page with its administration, the
            // favourites with their rows.
            view.state->setAuthUsername(view.server->adminAccount().username);
            view.state->setAuthPassword(view.server->adminAccount().password);
            view.bridge->loginOrRegister();
            QVERIFY(waitUntil([&] { return view.state->isAdmin() && !view.state->isLoading(); }));
            for (const QString& tab : {u"me"_s, u"favorites"_s}) {
                view.bridge->selectTab(tab);
                QVERIFY(waitUntil([&] { return !view.state->isLoading(); }));
                check(qPrintable(tab + u" signed in"_s));
            }
        }
    }

    // Tab walks the panel as it reads: top to bottom, and left to right within a line.
    void focusFollowsTheVisualOrder() {
        Window panel("MenuBarDropdownView.qml", QSize(400, 560));
        QVERIFY(waitUntil([&] { return !panel.state->products().isEmpty() && !panel.state->isLoading(); }));
        QTest::qWait(50);
        QList<QPointF> stops;
        QList<QQuickItem*> seen;
        for (int i = 0; i < 24; ++i) {
            QTest::keyClick(&panel.window, Qt::Key_Tab);
            QQuickItem* focused = panel.window.activeFocusItem();
            if (!focused || seen.contains(focused))
                break;
            seen.append(focused);
            stops.append(focused->mapToScene(QPointF(0, focused->height() / 2)));
            // A button or chip shows the window's ring while it has the focus.
            if (focused->property("showsFocusRing").toBool()) {
                const auto children = focused->childItems();
                QVERIFY(std::any_of(children.begin(), children.end(), [&](QQuickItem* child) {
                    return child->isVisible() && child->property("control").value<QQuickItem*>() == focused;
                }));
            }
        }
        QVERIFY2(stops.size() >= 10, qPrintable(QString::number(stops.size())));
        // Space presses the focused control: the favourites tab chip.
        QQuickItem* favourites = panel.find("tab-favorites");
        favourites->forceActiveFocus();
        QTest::keyClick(&panel.window, Qt::Key_Space);
        QCOMPARE(panel.state->selectedTab(), MenuBarDropdownTab::favorites);
        for (qsizetype i = 1; i < stops.size(); ++i) {
            const bool sameLine = std::abs(stops[i].y() - stops[i - 1].y()) < 6;
            QVERIFY2(sameLine ? stops[i].x() > stops[i - 1].x() : stops[i].y() > stops[i - 1].y(),
                     qPrintable(u"stop %1 at (%2, %3) after (%4, %5)"_s.arg(i)
                                    .arg(stops[i].x())
                                    .arg(stops[i].y())
                                    .arg(stops[i - 1].x())
                                    .arg(stops[i - 1].y())));
        }
    }

    void signingInThroughTheAccessibleButton() {
        Window panel("MenuBarDropdownView.qml", QSize(400, 560));
        panel.bridge->selectTab(u"me"_s);
        const demo::Credentials account = panel.server->userAccount();
        panel.state->setAuthUsername(account.username);
        panel.state->setAuthPassword(account.password);
        QAccessibleInterface* signIn = nullptr;
        QVERIFY(waitUntil([&] { return (signIn = panel.named(QAccessible::Button, u"登录"_s)) != nullptr; }));
        signIn->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(waitUntil([&] { return panel.state->session().isLoggedIn(); }));
        QCOMPARE(panel.state->session().username, std::optional(account.username));
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_Accessibility.moc"
