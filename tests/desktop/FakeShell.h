#pragma once

#include "MenuBarDropdownController.h"
#include "ShellClock.h"

#include <QList>
#include <QPointer>
#include <map>

namespace quelvio::test {

// A clock that moves only when told; due tasks run in order of their due time, then of scheduling.
class FakeShellClock : public ShellClock {
public:
    TimePoint now() const override { return m_now; }
    void schedule(std::chrono::milliseconds delay, QObject* context, std::function<void()> task) override {
        m_tasks.emplace(m_now + delay, Task{context, std::move(task)});
    }

    void advance(std::chrono::milliseconds by) {
        const TimePoint target = m_now + by;
        while (!m_tasks.empty() && m_tasks.begin()->first <= target) {
            m_now = std::max(m_now, m_tasks.begin()->first);
            const Task task = m_tasks.begin()->second;
            m_tasks.erase(m_tasks.begin());
            if (task.context)
                task.run();
        }
        m_now = target;
    }
    void runPending() { advance(std::chrono::milliseconds(0)); }

private:
    struct Task {
        QPointer<QObject> context;
        std::function<void()> run;
    };
    TimePoint m_now{std::chrono::hours(1)};
    std::multimap<TimePoint, Task> m_tasks; // keeps tasks due together in the order they came
};

// A panel window and desktop held in plain fields.
class FakeDropdownHost : public DropdownPanelHost {
public:
    bool isPanelVisible() const override { return visible; }
    bool isPanelKey() const override { return key; }
    PanelScreenFrame panelFrame() const override { return frame; }
    void setPanelFrame(const PanelScreenFrame& f) override { frame = f; }
    void setPanelAlpha(double a) override { alpha = a; }
    void fadeOutPanel(std::chrono::milliseconds, std::function<void()> done) override {
        fades.append(std::move(done));
    }
    void orderPanelFrontRegardless() override { ++frontRegardlessCount; }
    void makePanelKeyAndOrderFront() override {
        visible = true;
        key = true;
    }
    void orderPanelOut() override {
        visible = false;
        key = false;
    }
    void setPanelAppearance(AppAppearance) override {}

    QList<ScreenInfo> screens() const override { return screenList; }
    std::optional<ScreenInfo> mainScreen() const override { return main; }
    QPointF pointerLocation() const override { return pointer; }
    std::optional<PanelScreenFrame> statusItemFrame() const override { return statusFrame; }

    void activateApplication() override { ++activations; }
    bool hasModalWindow() const override { return modal; }
    bool reduceMotion() const override { return reduced; }

    bool installOutsideClickMonitor() override { return monitorInstalled = true; }
    void removeOutsideClickMonitor() override { monitorInstalled = false; }

    bool visible = false;
    bool key = false;
    PanelScreenFrame frame{0, 0, 400, 560};
    double alpha = 1;
    QList<std::function<void()>> fades;
    int frontRegardlessCount = 0;
    QList<ScreenInfo> screenList;
    std::optional<ScreenInfo> main;
    QPointF pointer;
    std::optional<PanelScreenFrame> statusFrame;
    int activations = 0;
    bool modal = false;
    bool reduced = false;
    bool monitorInstalled = false;
};

class FakeActivationHost : public ActivationHost {
public:
    ActivationPolicy activationPolicy() const override { return policy; }
    void setActivationPolicy(ActivationPolicy p) override { policy = p; }
    void activate() override { ++activations; }

    ActivationPolicy policy = ActivationPolicy::accessory;
    int activations = 0;
};

} // namespace quelvio::test
