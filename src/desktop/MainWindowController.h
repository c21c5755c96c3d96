#pragma once

#include "AppActivationPolicy.h"
#include "Presentation/Placement.h"
#include "ScreenPlacement.h"
#include "ShellClock.h"
#include "Theme.h"

#include <QColor>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <optional>

class QQuickItem;

namespace quelvio {

// How the main window is made: a normal titled window that can be closed, minimised and resized.
struct MainWindowConfiguration {
    QString title;
    // The content rectangle before any remembered frame or placement applies.
    PanelScreenFrame contentRect;
    QSizeF minimumSize;

    bool operator==(const MainWindowConfiguration&) const = default;
};

namespace MainWindowLayout {
inline const QString title = QStringLiteral("Quelvio");
inline constexpr double minimumWidth = 760;
inline constexpr double minimumHeight = 480;
// The name the window's frame is remembered under across launches.
inline const QString frameAutosaveName = QStringLiteral("QuelvioMain");
MainWindowConfiguration configuration();
} // namespace MainWindowLayout

// What the main window controller needs from the windowing system. Rectangles and points are in
// bottom-up coordinates (origin bottom-left, y up); a Qt host converts at this seam.
class MainWindowHost {
public:
    virtual ~MainWindowHost() = default;

    virtual void configureWindow(const MainWindowConfiguration& configuration) = 0;
    // Replaces the window's content; the host does not take ownership.
    virtual void setContent(QQuickItem* content) = 0;
    virtual bool isWindowVisible() const = 0;
    virtual PanelScreenFrame windowFrame() const = 0;
    virtual void setWindowFrame(const PanelScreenFrame& frame) = 0;
    // Shows the window (restoring it when minimised), raises it and gives it the keyboard.
    virtual void makeWindowKeyAndOrderFront() = 0;
    virtual void orderWindowOut() = 0;
    virtual void setWindowAppearance(AppAppearance appearance) = 0;
    virtual void setWindowBackground(const QColor& colour) = 0;

    virtual QList<ScreenInfo> screens() const = 0;
    virtual std::optional<ScreenInfo> mainScreen() const = 0;
    virtual QPointF pointerLocation() const = 0;
};

// Window frames remembered by name across launches.
class WindowFrameStore {
public:
    virtual ~WindowFrameStore() = default;
    // Nothing when none was saved or what was saved is no usable frame.
    virtual std::optional<PanelScreenFrame> frame(const QString& name) const = 0;
    virtual void setFrame(const QString& name, const PanelScreenFrame& frame) = 0;
};

// The one main window: shown on the pointer's screen, hidden instead of closed, its frame
// remembered, and the application kept a regular one (reason "main") while it is up.
class MainWindowController : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isVisible READ isVisible NOTIFY visibilityChanged)

public:
    MainWindowController(MainWindowHost& host, WindowFrameStore& frames, ShellClock& clock,
                         AppActivationPolicy& policy = AppActivationPolicy::shared(),
                         QObject* parent = nullptr);

    // Also true between show() and the turn of the event loop that puts the window up.
    bool isVisible() const { return m_showPending || m_host.isWindowVisible(); }
    bool isShowPending() const { return m_showPending; }

    void setContent(QQuickItem* content);
    Q_INVOKABLE void show();
    Q_INVOKABLE void hide();
    Q_INVOKABLE void toggle();
    void placeOnCurrentScreen();

public slots:
    // The close button: the window is only hidden. Answers whether the host may close it: never.
    bool windowShouldClose();
    // The user moved or resized the window.
    void windowFrameDidChange();
    void applyCurrentTheme();

signals:
    void visibilityChanged();
    // The window has just been put up (again): the moment its view refreshes what it shows.
    void presented();

private:
    void saveFrame(const PanelScreenFrame& frame);

    MainWindowHost& m_host;
    WindowFrameStore& m_frames;
    ShellClock& m_clock;
    AppActivationPolicy& m_policy;
    bool m_showPending = false;
};

} // namespace quelvio
