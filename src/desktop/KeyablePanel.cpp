#include "KeyablePanel.h"

#include "DesktopIcons.h"
#include "Presentation/Placement.h"
#include "X11WindowHints.h"

#include <QKeyEvent>
#include <QKeySequence>

namespace quelvio {

KeyablePanel::KeyablePanel(QWindow* parent)
    : QQuickWindow(parent) {
    setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    // Told apart from the main window by screen readers and window lists.
    setTitle(QStringLiteral("Quelvio 面板"));
    setColor(Qt::transparent);
    resize(int(MenuBarDropdownLayout::preferredWidth), int(MenuBarDropdownLayout::preferredHeight));
    connect(this, &QWindow::activeChanged, this, [this] {
        if (!isActive())
            emit resignedKey();
    });
}

void KeyablePanel::setAlpha(double alpha) {
    if (m_fade) {
        // Deleting it drops the finished connection along with it.
        m_fade->stop();
        delete m_fade;
    }
    setOpacity(alpha);
}

void KeyablePanel::fadeOut(std::chrono::milliseconds duration, std::function<void()> done) {
    setAlpha(opacity());
    auto* fade = new QPropertyAnimation(this, "opacity", this);
    fade->setDuration(int(duration.count()));
    fade->setStartValue(opacity());
    fade->setEndValue(0.0);
    fade->setEasingCurve(QEasingCurve::InQuad);
    connect(fade, &QPropertyAnimation::finished, this, [this, fade, done = std::move(done)] {
        // Forgotten before done() runs: it may set the alpha, which must not delete the sender.
        m_fade = nullptr;
        fade->deleteLater();
        if (done)
            done();
    });
    m_fade = fade;
    fade->start();
}

bool KeyablePanel::isFading() const {
    return m_fade && m_fade->state() == QAbstractAnimation::Running;
}

// Sent before the window is mapped: a popup has no place in task bars or window switchers, and
// not every window manager leaves tool windows out by itself (openbox does not).
void KeyablePanel::showEvent(QShowEvent* event) {
    X11WindowHints::setDesktopEntry(this, desktopFileName);
    X11WindowHints::skipTaskbarAndPager(this);
    QQuickWindow::showEvent(event);
}

void KeyablePanel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape || event->matches(QKeySequence::Cancel)) {
        event->accept();
        emit escapePressed();
        return;
    }
    QQuickWindow::keyPressEvent(event);
}

} // namespace quelvio
