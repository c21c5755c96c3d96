#pragma once

#include "AppState.h"
#include "AsyncTest.h"
#include "DemoServer.h"
#include "FakeSeams.h"
#include "KeyboardNavigation.h"
#include "PanelThemeController.h"
#include "StateBridge.h"

#include <QAccessible>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>
#include <QtQuickTest/quicktest.h>
#include <functional>
#include <memory>

Q_IMPORT_QML_PLUGIN(QuelvioPlugin)

namespace quelvio::test {

struct ViewOptions {
    bool mainWindow = false;
    std::optional<QString> apiKey{};
    std::chrono::milliseconds bannerLifetime{5000};
};

// Counts its open replies: teardown waits for the last, though the server may not see it yet.
struct CountingNetwork : QNetworkAccessManager {
    int open = 0;

    QNetworkReply* createRequest(Operation op, const QNetworkRequest& request, QIODevice* body) override {
        QNetworkReply* reply = QNetworkAccessManager::createRequest(op, request, body);
        ++open;
        connect(reply, &QNetworkReply::finished, this, [this] { --open; });
        return reply;
    }
};

// The panel or the main window in an offscreen window, on a state that talks to an embedded
// demo server.
struct ViewFixture {
    std::unique_ptr<demo::DemoServer> server = std::make_unique<demo::DemoServer>();
    CountingNetwork network;
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
        // Pages switch at once, so a test sees the page it asked for where it stands.
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
        // Replies still on their way would strand the operations awaiting them: wait until none
        // has been open and the state idle for a tenth of a second.
        QElapsedTimer quiet;
        quiet.start();
        waitUntil([&] {
            if (network.open > 0 || state->isLoading() || state->isLoadingMoreProducts() ||
                state->scrapeBusySlug())
                quiet.start();
            return quiet.elapsed() >= 100;
        });
        delete root;
        StateBridge::setShared(nullptr);
    }

    // Rows are rebuilt on a queued call and placed on the next polish: final after both.
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

    // Every text under the item wears the theme's font for its size and weight (inputs: 12, regular).
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

    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(&window, key, modifiers);
    }

    // Scrolls the enclosing flickable so the item is in view, then clicks where it stands once
    // layouts have placed it.
    void click(QQuickItem* item) {
        QVERIFY(item);
        for (QQuickItem* p = item->parentItem(); p; p = p->parentItem()) {
            if (!p->inherits("QQuickFlickable"))
                continue;
            auto* content = p->property("contentItem").value<QQuickItem*>();
            const qreal y = item->mapToItem(content, QPointF(0, 0)).y();
            const qreal bottom = std::max<qreal>(0, p->property("contentHeight").toReal() - p->height());
            p->setProperty("contentY", std::clamp<qreal>(y - 20, 0, bottom));
            break;
        }
        QVERIFY(settle());
        const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
        QTest::mouseClick(&window, Qt::LeftButton, {}, centre.toPoint());
    }

    // Types (ASCII) into a field the way a user does: focus, then keys.
    void type(QQuickItem* field, const QString& text) {
        QVERIFY(field);
        auto* input = field->property("input").value<QQuickItem*>();
        input->forceActiveFocus();
        QVERIFY(input->hasActiveFocus());
        for (QChar ch : text)
            QTest::keyClick(&window, ch.toLatin1());
    }

    KeyboardNavigation& keyboard() {
        return *engine.singletonInstance<KeyboardNavigation*>(qmlTypeId("Quelvio", 1, 0, "Keyboard"));
    }

    qint64 firstRow() const {
        const auto& rows = bridge->products()->rows();
        return rows.isEmpty() ? 0 : rows.first().key.toLongLong();
    }

    // Loaded, and the list shows the state's order.
    bool listed() {
        return loaded() &&
               waitUntil([&] { return firstRow() == state->displayedProductSections().feed.first().id; });
    }

    // The product the keyboard's selection shows on, once a row shows it.
    qint64 selectedRow() const {
        QQuickItem* row = nullptr;
        waitUntil([&] {
            return (row = findWhere([](QQuickItem* item) {
                        return item->property("selected").toBool() && item->property("productId").isValid();
                    })) != nullptr;
        });
        return row ? row->property("productId").toLongLong() : 0;
    }

    // A product the demo server has a history for, not yet starred.
    Product establishedProduct() const {
        for (const Product& product : state->products())
            if (!product.showsNew() && !state->favoriteProductIDs().contains(product.id))
                return product;
        return state->products().first();
    }
};

} // namespace quelvio::test
