#pragma once

#include "MenuBarDropdownController.h"
#include "ShellClock.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <algorithm>

namespace quelvio {
// Readable failures for QCOMPARE.
inline char* toString(const PanelScreenFrame& f) {
    return qstrdup(
        QStringLiteral("(%1, %2, %3, %4)").arg(f.x).arg(f.y).arg(f.width).arg(f.height).toUtf8().constData());
}
} // namespace quelvio

namespace quelvio::test {

// A clock that moves only when told; due tasks run in order of their due time, then of scheduling.
class FakeShellClock : public ShellClock {
public:
    TimePoint now() const override { return m_now; }
    void schedule(std::chrono::milliseconds delay, QObject* context, std::function<void()> task) override {
        m_tasks.append({m_now + delay, QPointer<QObject>(context), std::move(task)});
    }

    void advance(std::chrono::milliseconds by) {
        const TimePoint target = m_now + by;
        for (;;) {
            // The first of the earliest: tasks due together run in the order they were scheduled.
            auto next = std::min_element(m_tasks.begin(), m_tasks.end(),
                                         [](const Task& a, const Task& b) { return a.due < b.due; });
            if (next == m_tasks.end() || next->due > target)
                break;
            Task task = std::move(*next);
            m_tasks.erase(next);
            m_now = std::max(m_now, task.due);
            if (task.context)
                task.run();
        }
        m_now = target;
    }
    void runPending() { advance(std::chrono::milliseconds(0)); }

private:
    struct Task {
        TimePoint due;
        QPointer<QObject> context;
        std::function<void()> run;
    };
    TimePoint m_now{std::chrono::hours(1)};
    QList<Task> m_tasks;
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
    void setPanelAppearance(AppAppearance a) override { appearance = a; }

    QList<ScreenInfo> screens() const override { return screenList; }
    std::optional<ScreenInfo> mainScreen() const override { return main; }
    QPointF pointerLocation() const override { return pointer; }
    std::optional<PanelScreenFrame> statusItemFrame() const override { return statusFrame; }

    void activateApplication() override { ++activations; }
    bool hasModalWindow() const override { return modal; }
    bool reduceMotion() const override { return reduced; }

    bool installOutsideClickMonitor() override {
        ++installCalls;
        monitorInstalled = monitorsAvailable;
        return monitorsAvailable;
    }
    void removeOutsideClickMonitor() override {
        ++removeCalls;
        monitorInstalled = false;
    }

    // Finishes the latest fade as the animation would.
    void completeLatestFade() {
        alpha = 0;
        fades.last()();
    }

    bool visible = false;
    bool key = false;
    PanelScreenFrame frame{0, 0, 400, 560};
    double alpha = 1;
    QList<std::function<void()>> fades;
    int frontRegardlessCount = 0;
    std::optional<AppAppearance> appearance;
    QList<ScreenInfo> screenList;
    std::optional<ScreenInfo> main;
    QPointF pointer;
    std::optional<PanelScreenFrame> statusFrame;
    int activations = 0;
    bool modal = false;
    bool reduced = false;
    bool monitorsAvailable = true;
    bool monitorInstalled = false;
    int installCalls = 0;
    int removeCalls = 0;
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
