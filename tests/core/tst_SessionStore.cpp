#include "SessionStore.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace quelvio;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::optional<QString>)

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
        QVERIFY(!domain()->contains(u"quelvio.token"_s));
        QCOMPARE(store.load(), loaded);
    }

    void baseURLMigration_data() {
        QTest::addColumn<QVariant>("storedURL"); // invalid: no key
        QTest::addColumn<QVariant>("flag");      // invalid: no key
        QTest::addColumn<QString>("loaded");

        QTest::newRow("legacy localhost with a slash, no flag")
            << QVariant(u"http://localhost:8787/"_s) << QVariant() << defaultURL;
        QTest::newRow("legacy loopback, flag false")
            << QVariant(u"http://127.0.0.1:8787"_s) << QVariant(false) << defaultURL;
        QTest::newRow("legacy localhost, flag true")
            << QVariant(u"http://localhost:8787"_s) << QVariant(true) << u"http://localhost:8787"_s;
        QTest::newRow("loopback on another port, no flag")
            << QVariant(u"http://localhost:9000"_s) << QVariant() << u"http://localhost:9000"_s;
        QTest::newRow("blanks and two trailing slashes")
            << QVariant(u"  https://prices.example/api//\n"_s) << QVariant(true)
            << u"https://prices.example/api/"_s;
        QTest::newRow("blank reads as the default") << QVariant(u" \t "_s) << QVariant(true) << defaultURL;
        QTest::newRow("flag written as YES")
            << QVariant(u"http://localhost:8787"_s) << QVariant(u"YES"_s) << u"http://localhost:8787"_s;
    }

    void baseURLMigration() {
        QFETCH(QVariant, storedURL);
        QFETCH(QVariant, flag);
        QFETCH(QString, loaded);
        QList<std::pair<QString, QVariant>> values;
        if (storedURL.isValid())
            values.append({u"quelvio.baseURL"_s, storedURL});
        if (flag.isValid())
            values.append({u"quelvio.migratedDefaultBaseURL.prod"_s, flag});
        seed(values);

        Store store;
        QCOMPARE(store.load().baseURL, loaded);
        QVERIFY(stored(u"quelvio.migratedDefaultBaseURL.prod"_s).toBool());
        if (!flag.isValid() || !flag.toBool()) {
            QCOMPARE(stored(u"quelvio.baseURL"_s).toString(), loaded); // written back with the flag
        } else {
            QCOMPARE(stored(u"quelvio.baseURL"_s), storedURL); // the flag was set: nothing written
        }

        // From now on the migration never runs again: an entered loopback address stays.
        store.save(SessionSnapshot{u"http://127.0.0.1:8787"_s});
        QCOMPARE(store.load().baseURL, u"http://127.0.0.1:8787"_s);
    }

    void legacyKeysAreCopiedWhenCurrentOnesAreMissing() {
        seed({{u"mirlow.baseURL"_s, u"http://localhost:8787"_s},
              {u"mirlow.token"_s, u"legacy-token"_s},
              {u"mirlow.apiKey"_s, u"legacy-key"_s},
              {u"mirlow.username"_s, u"alice"_s},
              {u"mirlow.theme"_s, u"paper"_s},
              {u"mirlow.migratedDefaultBaseURL.prod"_s, true}});
        Store store;
        const SessionSnapshot expected{u"http://localhost:8787"_s, u"legacy-token"_s, u"legacy-key"_s,
                                       u"alice"_s, AppTheme::paper};
        // The legacy flag came along, so the legacy loopback address is kept.
        QCOMPARE(store.load(), expected);

        // Idempotent, and legacy keys are never touched.
        QCOMPARE(store.load(), expected);
        QCOMPARE(stored(u"mirlow.token"_s).toString(), u"legacy-token"_s);
        store.save(SessionSnapshot{u"https://new.example"_s, u"new-token"_s});
        QCOMPARE(store.load().token, std::optional(u"new-token"_s));
        QCOMPARE(stored(u"mirlow.token"_s).toString(), u"legacy-token"_s);
    }

    void legacyDomainWithoutFlagIsMigratedOnce() {
        seed({{u"mirlow.baseURL"_s, u"http://127.0.0.1:8787/"_s}, {u"mirlow.token"_s, u"t"_s}});
        Store store;
        const SessionSnapshot loaded = store.load();
        QCOMPARE(loaded.baseURL, defaultURL);
        QCOMPARE(loaded.token, std::optional(u"t"_s));
        QCOMPARE(stored(u"quelvio.baseURL"_s).toString(), defaultURL);
        QVERIFY(!domain()->contains(u"mirlow.migratedDefaultBaseURL.prod"_s));
    }

    void currentKeyWinsOverLegacy() {
        seed({{u"mirlow.token"_s, u"old"_s},
              {u"quelvio.token"_s, u"new"_s},
              {u"mirlow.theme"_s, u"pixel"_s},
              {u"quelvio.theme"_s, u"glass"_s},
              // Present but empty still counts as a value: nothing is copied over it.
              {u"mirlow.username"_s, u"bob"_s},
              {u"quelvio.username"_s, u""_s}});
        const SessionSnapshot loaded = Store().load();
        QCOMPARE(loaded.token, std::optional(u"new"_s));
        QCOMPARE(loaded.theme, AppTheme::glass);
        QCOMPARE(loaded.username, std::nullopt);
        QCOMPARE(stored(u"quelvio.token"_s).toString(), u"new"_s);
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

    void priceDropAlertsAreOnUntilTurnedOff() {
        QVERIFY(Store().load().priceDropAlerts);
        SessionSnapshot off = Store().load();
        off.priceDropAlerts = false;
        Store().save(off);
        QVERIFY(!Store().load().priceDropAlerts);
        seed({{u"quelvio.priceDropAlerts"_s, u"true"_s}});
        QVERIFY(Store().load().priceDropAlerts);
    }

    void oddStoredValues() {
        seed({{u"quelvio.token"_s, 12345},
              {u"quelvio.apiKey"_s, QByteArray("\x01\x02")},
              {u"quelvio.theme"_s, u"Pixel"_s}});
        const SessionSnapshot loaded = Store().load();
        QCOMPARE(loaded.token, std::optional(u"12345"_s));
        QCOMPARE(loaded.apiKey, std::nullopt);
        QCOMPARE(loaded.theme, AppTheme::ink);
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

    // In memory a token of blanks counts: only the store trims.
    void loggedInTakesTheTokenAsItIs() {
        QVERIFY(!(SessionSnapshot{defaultURL, u""_s}.isLoggedIn()));
        QVERIFY((SessionSnapshot{defaultURL, u"  "_s}.isLoggedIn()));
        QVERIFY(!(SessionSnapshot{defaultURL, {}, u""_s}.hasAPIKey()));
        QVERIFY((SessionSnapshot{defaultURL, {}, u"  "_s}.hasAPIKey()));
    }

    void normalized_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("normalized");
        QTest::newRow("one slash removed") << u"https://a.example/"_s << u"https://a.example"_s;
        QTest::newRow("only one of two slashes") << u"https://a.example//"_s << u"https://a.example/"_s;
        QTest::newRow("blanks and line breaks")
            << u"\n\t https://a.example/ \r\n"_s << u"https://a.example"_s;
        QTest::newRow("slash inside blanks") << u" / "_s << defaultURL;
        QTest::newRow("empty") << u""_s << defaultURL;
    }

    void normalized() {
        QFETCH(QString, url);
        QFETCH(QString, normalized);
        QCOMPARE(SessionSnapshot::normalized(url), normalized);
        QCOMPARE(SessionSnapshot{url}.normalizedBaseURL(), normalized);
    }
};

QTEST_GUILESS_MAIN(TestSessionStore)
#include "tst_SessionStore.moc"
