#pragma once

#include "AppState.h"

#include <QObject>
#include <QPointer>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;

namespace quelvio {

// The settings, account and administration screens as QML sees them (the singleton "Account"):
// the session's editable values, the launch-at-login switch, the signed-in user and the admin
// lists as plain rows, and the operations those screens start. Auth fields stay on "App".
class AccountModel : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Account)
    QML_SINGLETON

    Q_PROPERTY(QString baseURL READ baseURL NOTIFY sessionChanged)
    Q_PROPERTY(QString apiKey READ apiKey NOTIFY sessionChanged)
    Q_PROPERTY(bool hasAPIKey READ hasAPIKey NOTIFY sessionChanged)
    Q_PROPERTY(bool isLoggedIn READ isLoggedIn NOTIFY sessionChanged)
    Q_PROPERTY(QString themeKey READ themeKey NOTIFY sessionChanged)
    Q_PROPERTY(bool priceDropAlerts READ priceDropAlerts WRITE setPriceDropAlerts NOTIFY sessionChanged)
    Q_PROPERTY(
        int minimumDropPercent READ minimumDropPercent WRITE setMinimumDropPercent NOTIFY sessionChanged)
    Q_PROPERTY(QVariantList minimumDropChoices READ minimumDropChoices CONSTANT)
    Q_PROPERTY(QVariantList themes READ themes CONSTANT)
    Q_PROPERTY(bool launchAtLoginOn READ launchAtLoginOn NOTIFY launchAtLoginChanged)
    Q_PROPERTY(bool launchAtLoginEnabled READ launchAtLoginEnabled NOTIFY launchAtLoginChanged)
    Q_PROPERTY(QString launchAtLoginCaption READ launchAtLoginCaption NOTIFY launchAtLoginChanged)
    Q_PROPERTY(bool scrapeBusy READ scrapeBusy NOTIFY scrapeChanged)
    Q_PROPERTY(QString scrapeTitle READ scrapeTitle NOTIFY scrapeChanged)
    Q_PROPERTY(QString username READ username NOTIFY userChanged)
    Q_PROPERTY(QString roleLabel READ roleLabel NOTIFY userChanged)
    Q_PROPERTY(bool isMember READ isMember NOTIFY userChanged)
    Q_PROPERTY(QString memberBadge READ memberBadge NOTIFY userChanged)
    Q_PROPERTY(QString memberBadgeColor READ memberBadgeColor NOTIFY userChanged)
    Q_PROPERTY(bool isAdmin READ isAdmin NOTIFY userChanged)
    Q_PROPERTY(QVariantList adminUsers READ adminUsers NOTIFY adminUsersChanged)
    Q_PROPERTY(QVariantList adminCodes READ adminCodes NOTIFY adminCodesChanged)
    Q_PROPERTY(QVariantList adminReports READ adminReports NOTIFY adminReportsChanged)
    Q_PROPERTY(QString adminUserQuery READ adminUserQuery WRITE setAdminUserQuery NOTIFY adminFieldsChanged)
    Q_PROPERTY(QString newCode READ newCode WRITE setNewCode NOTIFY adminFieldsChanged)
    Q_PROPERTY(QString newCodeUses READ newCodeUses WRITE setNewCodeUses NOTIFY adminFieldsChanged)
    Q_PROPERTY(QString newCodeNote READ newCodeNote WRITE setNewCodeNote NOTIFY adminFieldsChanged)

public:
    explicit AccountModel(AppState& state, QObject* parent = nullptr);

    // One per engine, over the state of the shared "App" bridge; the engine owns it.
    static AccountModel* create(QQmlEngine* qmlEngine, QJSEngine* jsEngine);

    QString baseURL() const;
    QString apiKey() const;
    bool hasAPIKey() const;
    bool isLoggedIn() const;
    QString themeKey() const;
    bool priceDropAlerts() const { return m_state->session().priceDropAlerts; }
    void setPriceDropAlerts(bool enabled) { m_state->setPriceDropAlerts(enabled); }
    int minimumDropPercent() const { return m_state->session().minimumDropPercent; }
    void setMinimumDropPercent(int percent) { m_state->setMinimumDropPercent(percent); }
    QVariantList minimumDropChoices() const;
    QVariantList themes() const;
    bool launchAtLoginOn() const;
    bool launchAtLoginEnabled() const;
    QString launchAtLoginCaption() const;
    bool scrapeBusy() const;
    QString scrapeTitle() const;
    QString username() const;
    QString roleLabel() const;
    bool isMember() const;
    QString memberBadge() const;
    QString memberBadgeColor() const;
    bool isAdmin() const;
    QVariantList adminUsers() const;
    QVariantList adminCodes() const;
    QVariantList adminReports() const;
    QString adminUserQuery() const;
    void setAdminUserQuery(const QString& value);
    QString newCode() const;
    void setNewCode(const QString& value);
    QString newCodeUses() const;
    void setNewCodeUses(const QString& value);
    QString newCodeNote() const;
    void setNewCodeNote(const QString& value);

    Q_INVOKABLE void saveBaseURL(const QString& address);
    Q_INVOKABLE void saveAPIKey(const QString& text);
    // The general clipboard's text, for the "粘贴" buttons.
    Q_INVOKABLE QString pasteText() const;
    Q_INVOKABLE void chooseTheme(const QString& key);
    Q_INVOKABLE void refreshLaunchAtLogin();
    Q_INVOKABLE void setLaunchAtLogin(bool enabled);
    Q_INVOKABLE void scrapeAll();
    Q_INVOKABLE void loadAdmin();
    Q_INVOKABLE void searchAdminUsers();
    Q_INVOKABLE void setRole(qint64 userID, const QString& role);
    Q_INVOKABLE void createRedeemCode();

signals:
    void sessionChanged();
    void launchAtLoginChanged();
    void scrapeChanged();
    void userChanged();
    void adminUsersChanged();
    void adminCodesChanged();
    void adminReportsChanged();
    void adminFieldsChanged();

private:
    QPointer<AppState> m_state;
};

} // namespace quelvio
