#include "KeyablePanel.h"

#include "Presentation/Placement.h"

#include <QKeyEvent>
#include <QKeySequence>

namespace quelvio {

KeyablePanel::KeyablePanel(QWindow* parent)
    : QQuickWindow(parent) {
    setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setTitle(QStringLiteral("quelvio"));
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

void KeyablePanel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape || event->matches(QKeySequence::Cancel)) {
        event->accept();
        emit escapePressed();
        return;
    }
    QQuickWindow::keyPressEvent(event);
}

} // namespace quelvio
