#pragma once

#include "AppState.h"

#include <QObject>
#include <QPointer>
#include <QTimeZone>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;

namespace quelvio {

// The open product as the detail view and the main window see it (the singleton "Detail"): every
// text comes from DetailText. Operations stay on "App".
class DetailModel : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Detail)
    QML_SINGLETON

    // "loading", "failed" or "ready".
    Q_PROPERTY(QString phase READ phase NOTIFY changed)
    Q_PROPERTY(QString failedText READ failedText CONSTANT)
    Q_PROPERTY(QString failedSymbol READ failedSymbol CONSTANT)
    Q_PROPERTY(qint64 productId READ productId NOTIFY changed)
    Q_PROPERTY(QString name READ name NOTIFY changed)
    Q_PROPERTY(QString subtitle READ subtitle NOTIFY changed)
    Q_PROPERTY(QString idText READ idText NOTIFY changed)
    Q_PROPERTY(QString price READ price NOTIFY changed)
    Q_PROPERTY(QString outputPrice READ outputPrice NOTIFY changed)
    Q_PROPERTY(QString changeText READ changeText NOTIFY changed)
    // A palette role name.
    Q_PROPERTY(QString changeColor READ changeColor NOTIFY changed)
    Q_PROPERTY(QString periodLow READ periodLow NOTIFY changed)
    Q_PROPERTY(QString stockLabel READ stockLabel CONSTANT)
    Q_PROPERTY(QString stockValue READ stockValue NOTIFY changed)
    Q_PROPERTY(QString stockColor READ stockColor NOTIFY changed)
    // {time, price} maps, newest first.
    Q_PROPERTY(QVariantList snapshotRows READ snapshotRows NOTIFY changed)
    Q_PROPERTY(bool isFavorite READ isFavorite NOTIFY changed)
    Q_PROPERTY(bool isDown READ isDown NOTIFY changed)
    Q_PROPERTY(QString favoriteLabel READ favoriteLabel NOTIFY changed)
    Q_PROPERTY(QString downLabel READ downLabel NOTIFY changed)
    Q_PROPERTY(bool canReact READ canReact NOTIFY changed)
    Q_PROPERTY(QString reactionHint READ reactionHint NOTIFY changed)
    // {label, value} maps.
    Q_PROPERTY(QVariantList metaRows READ metaRows NOTIFY changed)
    Q_PROPERTY(QString url READ url NOTIFY changed)
    Q_PROPERTY(QString currency READ currency NOTIFY changed)
    Q_PROPERTY(QString unit READ unit NOTIFY changed)
    Q_PROPERTY(bool showsInspector READ showsInspector NOTIFY changed)
    Q_PROPERTY(QString placeTitle READ placeTitle NOTIFY changed)
    // Alerts of the open product: offered signed in and starred.
    Q_PROPERTY(bool showsAlertRule READ showsAlertRule NOTIFY changed)
    Q_PROPERTY(QString targetPrice READ targetPrice NOTIFY changed)
    Q_PROPERTY(QString targetCurrency READ targetCurrency NOTIFY changed)
    Q_PROPERTY(bool alertsMuted READ alertsMuted NOTIFY changed)

public:
    explicit DetailModel(AppState& state, QTimeZone zone = QTimeZone::systemTimeZone(),
                         QObject* parent = nullptr);

    // One per engine, over the state of StateBridge's shared instance.
    static DetailModel* create(QQmlEngine* engine, QJSEngine*);

    QString phase() const;
    QString failedText() const;
    QString failedSymbol() const;
    qint64 productId() const;
    QString name() const;
    QString subtitle() const;
    QString idText() const;
    QString price() const;
    QString outputPrice() const;
    QString changeText() const;
    QString changeColor() const;
    QString periodLow() const;
    QString stockLabel() const;
    QString stockValue() const;
    QString stockColor() const;
    QVariantList snapshotRows() const;
    bool isFavorite() const;
    bool isDown() const;
    QString favoriteLabel() const;
    QString downLabel() const;
    bool canReact() const;
    QString reactionHint() const;
    QVariantList metaRows() const;
    QString url() const;
    QString currency() const;
    QString unit() const;
    bool showsInspector() const;
    QString placeTitle() const;
    bool showsAlertRule() const;
    QString targetPrice() const;
    QString targetCurrency() const;
    bool alertsMuted() const;

signals:
    void changed();

private:
    const Product* product() const;

    QPointer<AppState> m_state;
    QTimeZone m_zone;
};

} // namespace quelvio
