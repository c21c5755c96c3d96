#pragma once

#include "MainWindowController.h"

#include <QHash>
#include <QList>

namespace quelvio::test {

// A main window and desktop held in plain fields.
class FakeMainWindowHost : public MainWindowHost {
public:
    void configureWindow(const MainWindowConfiguration& c) override { frame = c.contentRect; }
    void setContent(QQuickItem* item) override { content = item; }
    bool isWindowVisible() const override { return visible; }
    PanelScreenFrame windowFrame() const override { return frame; }
    void setWindowFrame(const PanelScreenFrame& f) override { frame = f; }
    void makeWindowKeyAndOrderFront() override {
        visible = true;
        key = true;
        ++frontCount;
    }
    void orderWindowOut() override {
        visible = false;
        key = false;
    }
    void setWindowAppearance(AppAppearance a) override { appearance = a; }
    void setWindowBackground(const QColor& c) override { background = c; }

    QList<ScreenInfo> screens() const override { return screenList; }
    std::optional<ScreenInfo> mainScreen() const override { return main; }
    QPointF pointerLocation() const override { return pointer; }

    QQuickItem* content = nullptr;
    bool visible = false;
    bool key = false;
    int frontCount = 0;
    PanelScreenFrame frame;
    std::optional<AppAppearance> appearance;
    QColor background;
    QList<ScreenInfo> screenList;
    std::optional<ScreenInfo> main;
    QPointF pointer;
};

class FakeWindowFrameStore : public WindowFrameStore {
public:
    std::optional<PanelScreenFrame> frame(const QString& name) const override {
        const auto it = frames.constFind(name);
        return it == frames.constEnd() ? std::nullopt : std::optional(*it);
    }
    void setFrame(const QString& name, const PanelScreenFrame& f) override { frames.insert(name, f); }

    QHash<QString, PanelScreenFrame> frames;
};

} // namespace quelvio::test
