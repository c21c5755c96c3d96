#include "SecureFieldAccessible.h"

#include <QQuickWindow>

namespace quelvio {

namespace {

// QQuickTextInput::EchoMode, a private header's.
constexpr int passwordEcho = 2;
constexpr int passwordEchoOnEdit = 3;

QAccessibleInterface* textInputFactory(const QString&, QObject* object) {
    auto* item = qobject_cast<QQuickItem*>(object);
    if (!item || !item->inherits("QQuickTextInput"))
        return nullptr;
    return new SecureFieldAccessible(item);
}

// What Qt counts as part of the tree: an item with Accessible properties of its own.
bool isAccessible(const QQuickItem* item) {
    for (const QObject* child : item->children())
        if (child->inherits("QQuickAccessibleAttached"))
            return true;
    return false;
}

} // namespace

SecureFieldAccessible::SecureFieldAccessible(QQuickItem* input)
    : QAccessibleObject(input) {}

void SecureFieldAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(textInputFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

QAccessibleInterface* SecureFieldAccessible::parent() const {
    QQuickWindow* window = input()->window();
    QQuickItem* parent = input()->parentItem();
    const QQuickItem* content = window ? window->contentItem() : nullptr;
    while (parent && parent != content && !isAccessible(parent))
        parent = parent->parentItem();
    if (!parent)
        return nullptr;
    return parent == content ? QAccessible::queryAccessibleInterface(window)
                             : QAccessible::queryAccessibleInterface(parent);
}

QWindow* SecureFieldAccessible::window() const {
    return input()->window();
}

QRect SecureFieldAccessible::rect() const {
    const QQuickItem* item = input();
    if (!item->window() || !item->isVisible())
        return {};
    const QPointF topLeft = item->mapToGlobal(QPointF(0, 0));
    return QRect(topLeft.toPoint(), QSize(int(item->width()), int(item->height())));
}

QVariant SecureFieldAccessible::attached(const char* name) const {
    for (const QObject* child : input()->children())
        if (child->inherits("QQuickAccessibleAttached"))
            return child->property(name);
    return {};
}

QString SecureFieldAccessible::name() const {
    // Accessible.name reads empty on a password field; the field's own accessibleName does not.
    const QVariant own = input()->property("accessibleName");
    return own.isValid() ? own.toString() : attached("name").toString();
}

bool SecureFieldAccessible::masks() const {
    const int echo = input()->property("echoMode").toInt();
    return echo == passwordEcho || echo == passwordEchoOnEdit;
}

QString SecureFieldAccessible::shown() const {
    // displayText is the text as drawn: the mask characters of a password.
    return input()->property("displayText").toString();
}

QString SecureFieldAccessible::text(QAccessible::Text t) const {
    switch (t) {
    case QAccessible::Name:
        return name();
    case QAccessible::Description: {
        // Qt's text field describes itself by its placeholder, which is often its name already.
        const QString description = attached("description").toString();
        return description == name() ? QString() : description;
    }
    case QAccessible::Value:
        return shown();
    default:
        return {};
    }
}

QAccessible::State SecureFieldAccessible::state() const {
    const QQuickItem* item = input();
    QAccessible::State s;
    s.focusable = item->isEnabled();
    s.focused = item->hasActiveFocus();
    s.editable = !item->property("readOnly").toBool();
    s.selectableText = true;
    s.passwordEdit = masks();
    s.disabled = !item->isEnabled();
    s.invisible = !item->window() || !item->window()->isVisible() || !item->isVisible() ||
                  qFuzzyIsNull(item->opacity());
    return s;
}

void* SecureFieldAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    if (type == QAccessible::ActionInterface)
        return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
}

void SecureFieldAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = selectionIndex == 0 ? input()->property("selectionStart").toInt() : 0;
    *endOffset = selectionIndex == 0 ? input()->property("selectionEnd").toInt() : 0;
}

int SecureFieldAccessible::selectionCount() const {
    return input()->property("selectionStart").toInt() != input()->property("selectionEnd").toInt() ? 1 : 0;
}

void SecureFieldAccessible::addSelection(int startOffset, int endOffset) {
    setSelection(0, startOffset, endOffset);
}

void SecureFieldAccessible::removeSelection(int) {
    QMetaObject::invokeMethod(input(), "deselect");
}

void SecureFieldAccessible::setSelection(int, int startOffset, int endOffset) {
    QMetaObject::invokeMethod(input(), "select", Q_ARG(int, startOffset), Q_ARG(int, endOffset));
}

int SecureFieldAccessible::cursorPosition() const {
    return input()->property("cursorPosition").toInt();
}

void SecureFieldAccessible::setCursorPosition(int position) {
    input()->setProperty("cursorPosition", position);
}

QString SecureFieldAccessible::text(int startOffset, int endOffset) const {
    return shown().mid(startOffset, endOffset - startOffset);
}

int SecureFieldAccessible::characterCount() const {
    return int(shown().size());
}

QString SecureFieldAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    *startOffset = offset;
    *endOffset = offset;
    return {};
}

void SecureFieldAccessible::doAction(const QString& actionName) {
    if (actionName == setFocusAction())
        input()->forceActiveFocus(Qt::OtherFocusReason);
}

} // namespace quelvio
