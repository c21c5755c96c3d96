#pragma once

#include <QAccessibleActionInterface>
#include <QAccessibleObject>
#include <QAccessibleTextInterface>
#include <QPointer>
#include <QQuickItem>

namespace quelvio {

// Qt 6.4 hands a password field's real text to assistive technology and drops its name; this
// interface stands in for every text input, reading what is on screen (dots for a password), the
// name (the input's own accessibleName property, else Accessible.name) and description, and the
// password-text role where it masks.
class SecureFieldAccessible final : public QAccessibleObject,
                                    public QAccessibleTextInterface,
                                    public QAccessibleActionInterface {
public:
    explicit SecureFieldAccessible(QQuickItem* input);

    // Puts the interface in place of Qt's own for text inputs; once per process, before any
    // window shows.
    static void install();

    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QWindow* window() const override;
    QRect rect() const override;
    QString text(QAccessible::Text t) const override;
    QAccessible::Role role() const override { return QAccessible::EditableText; }
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    // Text: what the field shows.
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

    QStringList actionNames() const override { return {setFocusAction()}; }
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QQuickItem* input() const { return static_cast<QQuickItem*>(object()); }
    QString shown() const;
    QString name() const;
    bool masks() const;
    QVariant attached(const char* name) const;
};

} // namespace quelvio
