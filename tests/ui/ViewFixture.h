#pragma once

#include "AppState.h"
#include "AsyncTest.h"
#include "DemoServer.h"
#include "FakeSeams.h"
#include "PanelThemeController.h"
#include "StateBridge.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScopeGuard>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>
#include <QtQuickTest/quicktest.h>
#include <functional>
#include <memory>

Q_IMPORT_QML_PLUGIN(QuelvioPlugin)

namespace quelvio::test {

struct ViewOptions {
    bool mainWindow = false;
    std::optional<QString> apiKey;
    std::chrono::milliseconds bannerLifetime{5000};
};

// The panel or the main window in an offscreen window, on a state that talks to an embedded
// demo server.
struct ViewFixture {
    std::unique_ptr<demo::DemoServer> server = std::make_unique<demo::DemoServer>();
    QNetworkAccessManager network;
    FakeLoginItems loginItems;
    std::unique_ptr<MemorySessionStore> store;
    std::unique_ptr<AppState> state;
    std::unique_ptr<StateBridge> bridge;
    QQmlEngine engine;
    QQuickWindow window;
    QQuickItem* root = nullptr;

    explicit ViewFixture(ViewOptions options = {}) {
        using namespace std::chrono_literals;
        server->listen();
        SessionSnapshot snapshot;
        snapshot.baseURL = server->baseUrl().toString();
        snapshot.apiKey = options.apiKey;
        store = std::make_unique<MemorySessionStore>(snapshot);
        state = std::make_unique<AppState>(*store, &network, AppState::Timings{1h, 20ms},
                                           StateSeams{&PanelThemeController::shared(), &loginItems});
        bridge = std::make_unique<StateBridge>(*state, options.bannerLifetime);
        StateBridge::setShared(bridge.get());
        engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
        // Pages switch at once, so a test sees the page it asked for where it stands; the motion
        // test turns this off.
        PanelThemeController::shared().setReduceMotion(true);
        const QSize size = options.mainWindow ? QSize(980, 640) : QSize(400, 560);
        QQmlComponent component(
            &engine,
            QUrl(options.mainWindow ? QStringLiteral("qrc:/qt/qml/Quelvio/qml/MainWindowView.qml")
                                    : QStringLiteral("qrc:/qt/qml/Quelvio/qml/MenuBarDropdownView.qml")));
        root = qobject_cast<QQuickItem*>(component.create());
        if (!root)
            qFatal("%s", qPrintable(component.errorString()));
        root->setParentItem(window.contentItem());
        window.resize(size);
        root->setSize(QSizeF(size));
        window.show();
        window.requestActivate();
        if (!options.mainWindow)
            state->appearOnPanel(); // as the shell does whenever it shows the panel
    }

    ~ViewFixture() {
        state->cancelKeptTasks();
        // Replies still on their way would strand the operations awaiting them: wait until the
        // state is idle and the server has heard nothing new for a tenth of a second.
        qsizetype seen = -1;
        QElapsedTimer quiet;
        waitUntil([&] {
            const qsizetype now = server ? server->requests().size() : 0; // a test may stop the server
            if (now != seen || state->isLoading() || state->isLoadingMoreProducts() ||
                state->scrapeBusySlug()) {
                seen = now;
                quiet.start();
            }
            return quiet.elapsed() >= 100;
        });
        delete root;
        StateBridge::setShared(nullptr);
    }

    // The bridge rebuilds its rows on a queued call, and layouts place items on the next polish:
    // positions and rows are only final after both.
    bool settle() {
        QCoreApplication::sendPostedEvents();
        return QQuickTest::qWaitForPolish(&window);
    }

    // The products are in and laid out.
    bool loaded() {
        return waitUntil([&] { return !state->products().isEmpty() && !state->isLoading(); }) && settle();
    }

    // The first item of the visual tree (or the part under from), depth first, that matches.
    QQuickItem* findWhere(const std::function<bool(QQuickItem*)>& matches, QQuickItem* from = nullptr) const {
        std::function<QQuickItem*(QQuickItem*)> walk = [&](QQuickItem* item) -> QQuickItem* {
            if (matches(item))
                return item;
            for (QQuickItem* child : item->childItems())
                if (QQuickItem* found = walk(child))
                    return found;
            return nullptr;
        };
        return walk(from ? from : root);
    }

    bool showsText(const QString& text) const {
        return findWhere(
            [&](QQuickItem* item) { return item->isVisible() && item->property("text") == text; });
    }

    QQuickItem* find(const char* objectName) const {
        return findWhere(
            [&](QQuickItem* item) { return item->objectName() == QLatin1StringView(objectName); });
    }

    // The first shown item of that name (a page kept aside may hold a hidden namesake), once
    // there is one.
    QQuickItem* shown(const char* objectName) const {
        QQuickItem* found = nullptr;
        waitUntil([&] {
            found = findWhere([&](QQuickItem* item) {
                return item->isVisible() && item->objectName() == QLatin1StringView(objectName);
            });
            return found != nullptr;
        });
        return found;
    }

    bool visible(const char* objectName) const {
        QQuickItem* item = find(objectName);
        return item && item->isVisible();
    }

    // Every text item under the item (itself included) wears the current theme's font for its size
    // and weight; field inputs are 12-point regular.
    bool wearsThemedFont(QQuickItem* item) const {
        int texts = 0;
        const QQuickItem* wrong = findWhere(
            [&](QQuickItem* i) {
                const bool glyph = i->property("symbol").isValid(); // the icon font
                if (glyph || !(i->inherits("QQuickText") || i->inherits("QQuickTextInput")))
                    return false;
                ++texts;
                const bool themed = i->property("size").isValid();
                const QFont expected = PanelThemeController::shared().themedFont(
                    themed ? i->property("size").toDouble() : 12,
                    themed ? i->property("weight").toInt() : QFont::Normal);
                const QFont font = i->property("font").value<QFont>();
                return font.family() != expected.family() || font.weight() != expected.weight();
            },
            item);
        return !wrong && texts > 0;
    }

    // Clicks where the item stands once layouts have placed it.
    void clickAt(QQuickItem* item) {
        QVERIFY(item && settle());
        const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
        QTest::mouseClick(&window, Qt::LeftButton, {}, centre.toPoint());
    }

    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(&window, key, modifiers);
    }
};

// A stock control placed in the view takes the theme's colours, paper and ink alike.
inline bool stockControlsWearTheTheme(ViewFixture& view) {
    const auto restore = qScopeGuard([] { PanelThemeController::shared().apply(AppTheme::ink); });
    QQmlComponent component(&view.engine);
    component.setData("import QtQuick.Controls\nScrollBar {}", QUrl());
    const std::unique_ptr<QObject> control(component.create());
    if (!control)
        return false;
    qobject_cast<QQuickItem*>(control.get())->setParentItem(view.root);
    for (AppTheme theme : {AppTheme::paper, AppTheme::ink}) {
        PanelThemeController::shared().apply(theme);
        const ThemePalette& expected = PanelTheme::current().palette;
        const QObject* palette = control->property("palette").value<QObject*>();
        if (palette->property("window").value<QColor>() != expected.bgBase ||
            palette->property("windowText").value<QColor>() != expected.textPrimary ||
            palette->property("highlight").value<QColor>() != expected.accent)
            return false;
    }
    return true;
}

} // namespace quelvio::test
