#include "DesktopIcons.h"

#include "SymbolGlyphs.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace quelvio {

QIcon trayIcon(const QString& symbolName, ColorScheme scheme) {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        QFont font(QString::fromLatin1(SymbolGlyphs::fontFamily));
        font.setPixelSize(size);
        painter.setFont(font);
        painter.setPen(trayGlyphColor(scheme));
        painter.drawText(pixmap.rect(), Qt::AlignCenter, SymbolGlyphs::glyph(symbolName));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon applicationIcon() {
    // Rendered here rather than left to an icon engine plugin, which a system may not have.
    QSvgRenderer renderer(QStringLiteral(":/icons/io.quelvio.Quelvio.svg"));
    QIcon icon;
    if (!renderer.isValid())
        return icon;
    for (int size : {16, 24, 32, 48, 64, 128}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace quelvio
