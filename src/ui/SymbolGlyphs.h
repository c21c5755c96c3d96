#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;

namespace quelvio {

// The design names its icons after system symbols; we draw them as glyphs of the Material Icons
// font. This is the one table that maps the two.
namespace SymbolGlyphs {
inline constexpr const char* fontFamily = "Material Icons";
// The glyph for a symbol name; an unknown name gives the empty string (nothing drawn).
QString glyph(QStringView symbolName);
} // namespace SymbolGlyphs

// The same table for QML: Symbols.glyph("star.fill").
class SymbolTable : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Symbols)
    QML_SINGLETON
    Q_PROPERTY(QString fontFamily READ fontFamily CONSTANT)

public:
    static SymbolTable* create(QQmlEngine*, QJSEngine*) { return new SymbolTable; }
    QString fontFamily() const { return QString::fromLatin1(SymbolGlyphs::fontFamily); }
    Q_INVOKABLE QString glyph(const QString& symbolName) const { return SymbolGlyphs::glyph(symbolName); }
};

} // namespace quelvio
