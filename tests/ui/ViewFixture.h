#pragma once

#include "AppState.h"
#include "AsyncTest.h"
#include "DemoServer.h"
#include "FakeSeams.h"
#include "PanelThemeController.h"
#include "StateBridge.h"

#include <QNetworkAccessManager>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScopeGuard>
#include <QTest>
#include <functional>
#include <memory>
#include <utility>

namespace quelvio::test {

// One of the views in an offscreen window, on a state that talks to an embedded demo server.
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

    ViewFixture(const char* qmlFile, QSize size, std::optional<QString> apiKey = std::nullopt,
                std::chrono::milliseconds bannerLifetime = std::chrono::milliseconds(300)) {
        using namespace std::chrono_literals;
        server->listen();
        SessionSnapshot snapshot;
        snapshot.baseURL = server->baseUrl().toString();
        snapshot.apiKey = std::move(apiKey);
        store = std::make_unique<MemorySessionStore>(snapshot);
        state = std::make_unique<AppState>(*store, &network, AppState::Timings{1h, 20ms},
                                           StateSeams{&PanelThemeController::shared(), &loginItems});
        bridge = std::make_unique<StateBridge>(*state, bannerLifetime);
        StateBridge::setShared(bridge.get());
        engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
        // Pages switch at once, so a test sees the page it asked for where it stands; the motion
        // test turns this off.
        PanelThemeController::shared().setReduceMotion(true);
        QQmlComponent component(
            &engine, QUrl(QStringLiteral("qrc:/qt/qml/Quelvio/qml/") + QLatin1StringView(qmlFile)));
        root = qobject_cast<QQuickItem*>(component.create());
        if (!root)
            qFatal("%s", qPrintable(component.errorString()));
        root->setParentItem(window.contentItem());
        window.resize(size);
        root->setSize(QSizeF(size));
        window.show();
        window.requestActivate();
    }

    ~ViewFixture() {
        state->cancelKeptTasks();
        // Replies still on their way would strand the operations awaiting them.
        qsizetype seen = -1;
        for (int i = 0; i < 100; ++i) {
            QTest::qWait(100);
            const qsizetype now = server ? server->requests().size() : 0; // a test may stop the server
            if (now == seen && !state->isLoading() && !state->isLoadingMoreProducts() &&
                !state->scrapeBusySlug())
                break;
            seen = now;
        }
        delete root;
        StateBridge::setShared(nullptr);
    }

    // Every visible item under the root whose "text" is the given one.
    QList<QQuickItem*> visibleTexts(const QString& text) const {
        QList<QQuickItem*> found;
        std::function<void(QQuickItem*)> walk = [&](QQuickItem* item) {
            if (!item->isVisible())
                return;
            if (item->property("text").toString() == text)
                found.append(item);
            for (QQuickItem* child : item->childItems())
                walk(child);
        };
        walk(root);
        return found;
    }

    // The first item of the visual tree, depth first, that matches.
    QQuickItem* findWhere(const std::function<bool(QQuickItem*)>& matches) const {
        std::function<QQuickItem*(QQuickItem*)> walk = [&](QQuickItem* item) -> QQuickItem* {
            if (matches(item))
                return item;
            for (QQuickItem* child : item->childItems())
                if (QQuickItem* found = walk(child))
                    return found;
            return nullptr;
        };
        return walk(root);
    }

    // By object name; items a Repeater made are found through the visual tree.
    QQuickItem* find(const char* objectName) const {
        if (auto* item = root->findChild<QQuickItem*>(QLatin1StringView(objectName)))
            return item;
        return findWhere(
            [&](QQuickItem* item) { return item->objectName() == QLatin1StringView(objectName); });
    }

    bool visible(const char* objectName) const {
        QQuickItem* item = find(objectName);
        return item && item->isVisible();
    }

    // Every text item under the item (itself included) wears the current theme's font for its size
    // and weight; field inputs are 12-point regular.
    static bool wearsThemedFont(QQuickItem* item) {
        QList<QQuickItem*> texts;
        std::function<void(QQuickItem*)> walk = [&](QQuickItem* i) {
            const bool glyph = i->property("symbol").isValid(); // the icon font
            if ((i->inherits("QQuickText") || i->inherits("QQuickTextInput")) && !glyph)
                texts.append(i);
            for (QQuickItem* child : i->childItems())
                walk(child);
        };
        walk(item);
        for (QQuickItem* text : std::as_const(texts)) {
            const QFont font = text->property("font").value<QFont>();
            const bool themed = text->property("size").isValid();
            const QFont expected = PanelThemeController::shared().themedFont(
                themed ? text->property("size").toDouble() : 12,
                themed ? text->property("weight").toInt() : QFont::Normal);
            if (font.family() != expected.family() || font.weight() != expected.weight())
                return false;
        }
        return !texts.isEmpty();
    }

    void clickAt(QQuickItem* item) {
        const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
        QTest::mouseClick(&window, Qt::LeftButton, {}, centre.toPoint());
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
