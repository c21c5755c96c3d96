#pragma once

#include "MainWindowController.h"

#include <QPointer>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>
#include <functional>
#include <memory>

namespace quelvio {

// A Qt Quick window whose close button asks instead of closing, so the window is never destroyed,
// except when the application quits: Qt closes every window then and a refusal would cancel it.
class HideOnCloseWindow : public QQuickWindow {
    Q_OBJECT

public:
    explicit HideOnCloseWindow(QWindow* parent = nullptr);
    ~HideOnCloseWindow() override;

signals:
    void closeRequested();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_quitting = false;
};

// The main window's host on Qt. Converts Qt's top-down global rectangles into bottom-up
// coordinates here and nowhere else.
class QtMainWindowHost : public QObject, public MainWindowHost {
    Q_OBJECT

public:
    explicit QtMainWindowHost(HideOnCloseWindow* window, QObject* parent = nullptr);

    // Close requests and moves go to this controller once it exists (it needs the host first).
    void attach(MainWindowController* controller);

    HideOnCloseWindow* window() const { return m_window; }
    QQuickItem* content() const { return m_content; }
    AppAppearance appearance() const { return m_appearance; }

    void configureWindow(const MainWindowConfiguration& configuration) override;
    void setContent(QQuickItem* content) override;
    bool isWindowVisible() const override;
    PanelScreenFrame windowFrame() const override;
    void setWindowFrame(const PanelScreenFrame& frame) override;
    void makeWindowKeyAndOrderFront() override;
    void orderWindowOut() override;
    void setWindowAppearance(AppAppearance appearance) override { m_appearance = appearance; }
    void setWindowBackground(const QColor& colour) override;

    QList<ScreenInfo> screens() const override;
    std::optional<ScreenInfo> mainScreen() const override;
    QPointF pointerLocation() const override;

private:
    static double primaryHeight();
    void fitContent();

    QPointer<HideOnCloseWindow> m_window;
    QPointer<QQuickItem> m_content;
    AppAppearance m_appearance = AppAppearance::dark;
};

// Frames kept in the preference store as "x y width height" under "quelvio.windowFrame.<name>".
class SettingsWindowFrameStore : public WindowFrameStore {
public:
    using SettingsFactory = std::function<std::unique_ptr<QSettings>()>;

    // Without a factory: the application's own preference domain.
    explicit SettingsWindowFrameStore(const SettingsFactory& open = {});

    std::optional<PanelScreenFrame> frame(const QString& name) const override;
    void setFrame(const QString& name, const PanelScreenFrame& frame) override;

    static QString key(const QString& name);

private:
    // One instance for the life of the store: a drag that resizes the window writes often, and
    // QSettings batches those writes.
    std::unique_ptr<QSettings> m_settings;
};

} // namespace quelvio
