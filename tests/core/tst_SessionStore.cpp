#include "SessionStore.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace quelvio;
using namespace Qt::StringLiterals;

namespace {

using Store = UserDefaultsSessionStore;

const QString defaultURL = SessionSnapshot::defaultBaseURL;

// The standard domain, as the store opens it.
std::unique_ptr<QSettings> domain() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, u"quelvio"_s,
                                       u"quelvio"_s);
}

void seed(const QList<std::pair<QString, QVariant>>& values) {
    auto settings = domain();
    for (const auto& [key, value] : values)
        settings->setValue(key, value);
    settings->sync();
}

QVariant stored(const QString& key) {
    return domain()->value(key);
}

} // namespace

class TestSessionStore : public QObject {
    Q_OBJECT

    QTemporaryDir m_configHome;
    std::unique_ptr<QTemporaryDir> m_scratch;

private slots:
    void initTestCase() {
        QVERIFY(m_configHome.isValid());
        // Read by QSettings when it first looks for its files, which is after this.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_configHome.path()));

        // The standard domain is the config file under the config home.
        Store store;
        QCOMPARE(store.fileName(), m_configHome.filePath(u"quelvio/quelvio.conf"_s));
        store.load();
        QVERIFY(QFileInfo::exists(store.fileName()));
    }

    // Every other test gets a fresh, empty configuration folder.
    void init() {
        m_scratch = std::make_unique<QTemporaryDir>();
        QVERIFY(m_scratch->isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_scratch->path());
    }

    void firstLoadOfAnEmptyDomain() {
        Store store;
        const SessionSnapshot loaded = store.load();
        QCOMPARE(loaded, (SessionSnapshot{defaultURL, {}, {}, {}, AppTheme::ink}));
        QCOMPARE(stored(u"quelvio.migratedDefaultBaseURL.prod"_s).toString(), u"true"_s);
        QCOMPARE(stored(u"quelvio.baseURL"_s).toString(), defaultURL);
        QCOMPARE(store.load(), loaded);
    }

    // The address of the old local default moves to the new default once, on the first load.
    void baseURLMigration() {
        seed({{u"quelvio.baseURL"_s, u"http://localhost:8787/"_s}});
        Store store;
        QCOMPARE(store.load().baseURL, defaultURL);
        QCOMPARE(stored(u"quelvio.baseURL"_s).toString(), defaultURL);
        QVERIFY(stored(u"quelvio.migratedDefaultBaseURL.prod"_s).toBool());
        // From now on an entered loopback address stays.
        store.save(SessionSnapshot{u"http://127.0.0.1:8787"_s});
        QCOMPARE(store.load().baseURL, u"http://127.0.0.1:8787"_s);
    }

    void baseURLMigrationLeavesOtherAddresses() {
        seed({{u"quelvio.baseURL"_s, u"http://localhost:9000"_s}});
        QCOMPARE(Store().load().baseURL, u"http://localhost:9000"_s);
        // A flag written by the host's preference store as "YES" counts as set.
        seed({{u"quelvio.baseURL"_s, u"http://localhost:8787"_s},
              {u"quelvio.migratedDefaultBaseURL.prod"_s, u"YES"_s}});
        QCOMPARE(Store().load().baseURL, u"http://localhost:8787"_s);
        QCOMPARE(stored(u"quelvio.baseURL"_s).toString(), u"http://localhost:8787"_s);
    }

    void legacyKeysAreCopiedWhenCurrentOnesAreMissing() {
        seed({{u"mirlow.baseURL"_s, u"http://localhost:8787"_s},
              {u"mirlow.token"_s, u"legacy-token"_s},
              {u"mirlow.apiKey"_s, u"legacy-key"_s},
              {u"mirlow.username"_s, u"alice"_s},
              {u"mirlow.theme"_s, u"paper"_s},
              {u"mirlow.migratedDefaultBaseURL.prod"_s, true}});
        // The legacy flag came along, so the legacy loopback address is kept.
        QCOMPARE(Store().load(), (SessionSnapshot{u"http://localhost:8787"_s, u"legacy-token"_s,
                                                  u"legacy-key"_s, u"alice"_s, AppTheme::paper}));
        QCOMPARE(stored(u"quelvio.token"_s).toString(), u"legacy-token"_s);
    }

    void currentKeyWinsOverLegacy() {
        seed({{u"mirlow.token"_s, u"old"_s},
              {u"quelvio.token"_s, u"new"_s},
              // Present but empty still counts as a value: nothing is copied over it.
              {u"mirlow.username"_s, u"bob"_s},
              {u"quelvio.username"_s, u""_s}});
        const SessionSnapshot loaded = Store().load();
        QCOMPARE(loaded.token, std::optional(u"new"_s));
        QCOMPARE(loaded.username, std::nullopt);
    }

    void savedUntrimmedLoadedTrimmed() {
        Store store;
        store.save(SessionSnapshot{u" https://prices.example/ "_s, u"  tok en \n"_s, u"  \t\n "_s,
                                   std::nullopt, AppTheme::blueprint});
        QCOMPARE(stored(u"quelvio.baseURL"_s).toString(), u"https://prices.example"_s);
        QCOMPARE(stored(u"quelvio.token"_s).toString(), u"  tok en \n"_s);
        QCOMPARE(stored(u"quelvio.apiKey"_s).toString(), u"  \t\n "_s);
        // save never writes the flag: the first load still runs the migration.
        QVERIFY(!domain()->contains(u"quelvio.migratedDefaultBaseURL.prod"_s));

        QCOMPARE(store.load(), (SessionSnapshot{u"https://prices.example"_s, u"tok en"_s, std::nullopt,
                                                std::nullopt, AppTheme::blueprint}));
    }

    void alertSettingsAreOnWithoutAMinimumUntilChanged() {
        SessionSnapshot off = Store().load();
        QVERIFY(off.priceDropAlerts);
        QCOMPARE(off.minimumDropPercent, 0);
        off.priceDropAlerts = false;
        off.minimumDropPercent = 5;
        Store().save(off);
        QVERIFY(!Store().load().priceDropAlerts);
        QCOMPARE(Store().load().minimumDropPercent, 5);
        seed({{u"quelvio.priceDropAlerts"_s, u"true"_s}, {u"quelvio.minimumDropPercent"_s, u"7"_s}});
        QVERIFY(Store().load().priceDropAlerts);
        QCOMPARE(Store().load().minimumDropPercent, 0); // not a choice offered
    }

    void oddStoredValues() {
        seed({{u"quelvio.token"_s, 12345}, {u"quelvio.apiKey"_s, QByteArray("\x01\x02")}});
        const SessionSnapshot loaded = Store().load();
        QCOMPARE(loaded.token, std::optional(u"12345"_s));
        QCOMPARE(loaded.apiKey, std::nullopt);
    }

    void settingsFileIsPrivateToItsOwner() {
        Store store;
        const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
        store.save(SessionSnapshot{u"https://a.example"_s, u"secret-token"_s, u"secret-key"_s});
        QCOMPARE(QFile::permissions(store.fileName()), ownerOnly);
        // A file someone made readable to others is closed again on the next save.
        QVERIFY(QFile::setPermissions(store.fileName(), ownerOnly | QFile::ReadGroup | QFile::ReadOther));
        store.save(SessionSnapshot{u"https://a.example"_s, u"secret-token"_s, u"secret-key"_s});
        QCOMPARE(QFile::permissions(store.fileName()), ownerOnly);
    }

    // A sign-in and a key stay with the server they belong to, across a restart too; the same
    // server at another path keeps them.
    void credentialsStayWithTheirServer() {
        const SessionSnapshot atA{u"https://a.example/zeltor"_s, u"tok-a"_s, u"key-a"_s, u"mei"_s};
        const SessionSnapshot atB = atA.movedTo(u"http://b.example:8787"_s);
        QVERIFY(!atB.token && !atB.apiKey && !atB.username);
        QCOMPARE(atA.movedTo(u"HTTPS://a.example:443/v2/"_s).token, atA.token);
        QCOMPARE(atA.movedTo(u"http://a.example"_s).token, std::nullopt); // another scheme
        QCOMPARE(atA.movedTo(u"https://a.example:8443"_s).token, std::nullopt);

        Store().save(atB);
        const SessionSnapshot back = Store().load().movedTo(u"https://a.example/"_s);
        QCOMPARE(back.token, atA.token);
        QCOMPARE(back.apiKey, atA.apiKey);
        QCOMPARE(back.username, atA.username);
        QVERIFY(back.otherServers.isEmpty()); // B had nothing to put away

        // The least recently left go first.
        SessionSnapshot hopping = atA;
        for (int i = 0; i <= SessionSnapshot::maxOtherServers; ++i) {
            hopping = hopping.movedTo(u"https://s%1.example"_s.arg(i));
            hopping.token = u"tok-%1"_s.arg(i);
        }
        QCOMPARE(hopping.otherServers.size(), SessionSnapshot::maxOtherServers);
        QVERIFY(!hopping.movedTo(u"https://a.example"_s).token);
        QCOMPARE(hopping.movedTo(u"https://s1.example"_s).token, std::optional(u"tok-1"_s));
    }

    void normalized() {
        QCOMPARE(SessionSnapshot::normalized(u"https://a.example//"_s), u"https://a.example/"_s);
        QCOMPARE(SessionSnapshot::normalized(u"\n\t https://a.example/ \r\n"_s), u"https://a.example"_s);
        QCOMPARE(SessionSnapshot{u" / "_s}.normalizedBaseURL(), defaultURL);
    }
};

QTEST_GUILESS_MAIN(TestSessionStore)
#include "tst_SessionStore.moc"
