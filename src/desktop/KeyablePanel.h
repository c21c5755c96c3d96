#pragma once

#include <QPointer>
#include <QPropertyAnimation>
#include <QQuickWindow>
#include <chrono>
#include <functional>

namespace quelvio {

// The dropdown's frameless tool window: it takes keyboard focus, reports Escape and focus loss,
// and fades out through its opacity.
class KeyablePanel : public QQuickWindow {
    Q_OBJECT

public:
    explicit KeyablePanel(QWindow* parent = nullptr);

    // Stops a running fade; its completion is then never called.
    void setAlpha(double alpha);
    void fadeOut(std::chrono::milliseconds duration, std::function<void()> done);
    bool isFading() const;

signals:
    void escapePressed();
    // The panel stopped being the active window.
    void resignedKey();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QPointer<QPropertyAnimation> m_fade;
};

} // namespace quelvio
