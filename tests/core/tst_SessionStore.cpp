#include "SessionStore.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUrl>
#include <memory>

using namespace quelvio;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

using Store = UserDefaultsSessionStore;

const QString defaultURL = SessionSnapshot::defaultBaseURL;

// The standard domain, as the store opens it.
std::unique_ptr<QSettings> domain(const QString& application = u"quelvio"_s) {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, u"quelvio"_s,
                                       application);
}

void seed(const QList<std::pair<QString, QVariant>>& values, const QString& application = u"quelvio"_s) {
    auto settings = domain(application);
    for (const auto& [key, value] : values)
        settings->setValue(key, value);
    settings->sync();
}

QVariant stored(const QString& key, const QString& application = u"quelvio"_s) {
    return domain(application)->value(key);
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

        // The standard domain is the config file under the config home, a suite its sibling.
        Store store;
        QCOMPARE(store.fileName(), m_configHome.filePath(u"quelvio/quelvio.conf"_s));
        store.load();
        QVERIFY(QFileInfo::exists(store.fileName()));
        QCOMPARE(Store(u"beta"_s).fileName(), m_configHome.filePath(u"quelvio/beta.conf"_s));
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
        QTest::newRow("legacy loopback, no flag")
            << QVariant(u"http://127.0.0.1:8787"_s) << QVariant() << defaultURL;
        QTest::newRow("legacy loopback, flag false")
            << QVariant(u"http://127.0.0.1:8787"_s) << QVariant(false) << defaultURL;
        QTest::newRow("legacy localhost, flag true")
            << QVariant(u"http://localhost:8787"_s) << QVariant(true) << u"http://localhost:8787"_s;
        QTest::newRow("loopback on another port, no flag")
            << QVariant(u"http://localhost:9000"_s) << QVariant() << u"http://localhost:9000"_s;
        QTest::newRow("legacy address in another case stays")
            << QVariant(u"http://LOCALHOST:8787"_s) << QVariant() << u"http://LOCALHOST:8787"_s;
        QTest::newRow("blanks and two trailing slashes")
            << QVariant(u"  https://prices.example/api//\n"_s) << QVariant(true)
            << u"https://prices.example/api/"_s;
        QTest::newRow("empty reads as the default") << QVariant(u""_s) << QVariant(true) << defaultURL;
        QTest::newRow("blank reads as the default") << QVariant(u" \t "_s) << QVariant(true) << defaultURL;
        QTest::newRow("a list is no string")
            << QVariant(QStringList{u"a"_s, u"b"_s}) << QVariant(true) << defaultURL;
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
        QCOMPARE(stored(u"quelvio.migratedDefaultBaseURL.prod"_s).toString(), u"true"_s);
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
        for (const auto& pair : Store::legacyKeyPairs)
            QCOMPARE(stored(pair.current).toString(), stored(pair.legacy).toString());

        // Idempotent, and legacy keys are never touched.
        QCOMPARE(store.load(), expected);
        QCOMPARE(stored(u"mirlow.token"_s).toString(), u"legacy-token"_s);
        store.save(SessionSnapshot{u"https://new.example"_s, u"new-token"_s});
        QCOMPARE(store.load().token, std::optional(u"new-token"_s));
        QCOMPARE(stored(u"mirlow.token"_s).toString(), u"legacy-token"_s);
        QCOMPARE(stored(u"mirlow.baseURL"_s).toString(), u"http://localhost:8787"_s);
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

    void savedUntrimmedLoadedTrimmed_data() {
        QTest::addColumn<std::optional<QString>>("saved");
        QTest::addColumn<QString>("written");
        QTest::addColumn<std::optional<QString>>("loaded");
        QTest::newRow("absent") << std::optional<QString>() << u""_s << std::optional<QString>();
        QTest::newRow("blanks") << std::optional(u"  \t\n "_s) << u"  \t\n "_s << std::optional<QString>();
        QTest::newRow("surrounding blanks")
            << std::optional(u"  tok en \n"_s) << u"  tok en \n"_s << std::optional(u"tok en"_s);
        QTest::newRow("commas and quotes") << std::optional(uR"(a, "b"; c=d)"_s) << uR"(a, "b"; c=d)"_s
                                           << std::optional(uR"(a, "b"; c=d)"_s);
        QTest::newRow("non-ASCII") << std::optional(u"用户 ✓"_s) << u"用户 ✓"_s << std::optional(u"用户 ✓"_s);
    }

    void savedUntrimmedLoadedTrimmed() {
        QFETCH(std::optional<QString>, saved);
        QFETCH(QString, written);
        QFETCH(std::optional<QString>, loaded);
        Store store;
        store.save(SessionSnapshot{u" https://prices.example/ "_s, saved, saved, saved, AppTheme::blueprint});
        QCOMPARE(stored(u"quelvio.baseURL"_s).toString(), u"https://prices.example"_s);
        for (const QString& key : {u"quelvio.token"_s, u"quelvio.apiKey"_s, u"quelvio.username"_s})
            QCOMPARE(stored(key).toString(), written);
        QCOMPARE(stored(u"quelvio.theme"_s).toString(), u"blueprint"_s);
        // save never writes the flag: the first load still runs the migration.
        QVERIFY(!domain()->contains(u"quelvio.migratedDefaultBaseURL.prod"_s));

        QCOMPARE(store.load(),
                 (SessionSnapshot{u"https://prices.example"_s, loaded, loaded, loaded, AppTheme::blueprint}));
    }

    void themes_data() {
        QTest::addColumn<QVariant>("storedTheme");
        QTest::addColumn<AppTheme>("theme");
        QTest::newRow("missing") << QVariant() << AppTheme::ink;
        QTest::newRow("pixel") << QVariant(u"pixel"_s) << AppTheme::pixel;
        QTest::newRow("capitalised") << QVariant(u"Pixel"_s) << AppTheme::ink;
        QTest::newRow("unknown") << QVariant(u"sepia"_s) << AppTheme::ink;
        QTest::newRow("number") << QVariant(3) << AppTheme::ink;
    }

    void themes() {
        QFETCH(QVariant, storedTheme);
        QFETCH(AppTheme, theme);
        if (storedTheme.isValid())
            seed({{u"quelvio.theme"_s, storedTheme}});
        QCOMPARE(Store().load().theme, theme);
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

    void numbersReadAsText() {
        seed({{u"quelvio.token"_s, 12345}, {u"quelvio.apiKey"_s, QByteArray("\x01\x02")}});
        const SessionSnapshot loaded = Store().load();
        QCOMPARE(loaded.token, std::optional(u"12345"_s));
        QCOMPARE(loaded.apiKey, std::nullopt);
    }

    void flagSpellings_data() {
        QTest::addColumn<QVariant>("flag");
        QTest::addColumn<bool>("migrates");
        QTest::newRow("bool true") << QVariant(true) << false;
        QTest::newRow("text true") << QVariant(u"true"_s) << false;
        QTest::newRow("text YES") << QVariant(u"YES"_s) << false;
        QTest::newRow("text false") << QVariant(u"false"_s) << true;
        QTest::newRow("text garbage") << QVariant(u"maybe"_s) << true;
    }

    void flagSpellings() {
        QFETCH(QVariant, flag);
        QFETCH(bool, migrates);
        seed({{u"quelvio.baseURL"_s, u"http://localhost:8787"_s},
              {u"quelvio.migratedDefaultBaseURL.prod"_s, flag}});
        QCOMPARE(Store().load().baseURL, migrates ? defaultURL : u"http://localhost:8787"_s);
    }

    void suitesAreSeparateDomains() {
        Store suite(u"beta"_s);
        suite.save(SessionSnapshot{u"https://beta.example"_s, u"beta-token"_s});
        QCOMPARE(suite.load().token, std::optional(u"beta-token"_s));
        QCOMPARE(stored(u"quelvio.token"_s, u"beta"_s).toString(), u"beta-token"_s);
        QVERIFY(!domain()->contains(u"quelvio.token"_s));
        QCOMPARE(Store().load().token, std::nullopt);
    }

    void unusableSuiteNamesFallBackToTheStandardDomain_data() {
        QTest::addColumn<QString>("suite");
        QTest::newRow("empty") << u""_s;
        QTest::newRow("parent folder") << u".."_s;
        QTest::newRow("path") << u"../../escape"_s;
    }

    void unusableSuiteNamesFallBackToTheStandardDomain() {
        QFETCH(QString, suite);
        Store store(suite);
        QCOMPARE(store.fileName(), Store().fileName());
        store.save(SessionSnapshot{u"https://a.example"_s, u"tok"_s});
        QCOMPARE(Store().load().token, std::optional(u"tok"_s));
    }

    void settingsFileIsPrivateToItsOwner_data() {
        QTest::addColumn<bool>("loadFirst");
        QTest::addColumn<bool>("worldReadableBefore");
        QTest::newRow("created by load") << true << false;
        QTest::newRow("created by save") << false << false;
        QTest::newRow("existing world-readable file") << false << true;
    }

    void settingsFileIsPrivateToItsOwner() {
        QFETCH(bool, loadFirst);
        QFETCH(bool, worldReadableBefore);
        Store store;
        if (worldReadableBefore) {
            seed({{u"quelvio.theme"_s, u"paper"_s}});
            QVERIFY(QFile::setPermissions(store.fileName(), QFile::ReadOwner | QFile::WriteOwner |
                                                                QFile::ReadGroup | QFile::ReadOther));
        }
        if (loadFirst)
            store.load();
        store.save(SessionSnapshot{u"https://a.example"_s, u"secret-token"_s, u"secret-key"_s});
        const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
        QCOMPARE(QFile::permissions(store.fileName()), ownerOnly);
        store.load();
        QCOMPARE(QFile::permissions(store.fileName()), ownerOnly);
    }

    void memoryStoreKeepsExactlyWhatWasSaved() {
        const SessionSnapshot initial{u" http://x// "_s, u"  "_s};
        MemorySessionStore store(initial);
        QCOMPARE(store.load(), initial);
        const SessionSnapshot next{u"http://localhost:8787/"_s, {}, u" key "_s, u""_s, AppTheme::glass};
        store.save(next);
        QCOMPARE(store.load(), next);
    }

    void memoryStoreNeverShowsAHalfWrittenSnapshot() {
        // Two snapshots whose fields all differ: a load must return one of them whole.
        const SessionSnapshot a{u"https://a.example"_s, u"token-a"_s, u"key-a"_s, u"user-a"_s,
                                AppTheme::paper};
        const SessionSnapshot b{u"https://b.example"_s, u"token-b"_s, u"key-b"_s, u"user-b"_s,
                                AppTheme::pixel};
        MemorySessionStore store(a);
        std::unique_ptr<QThread> writer(QThread::create([&] {
            for (int i = 0; i < 20000; ++i)
                store.save(i % 2 ? a : b);
        }));
        writer->start();
        int torn = 0;
        while (!writer->isFinished()) {
            const SessionSnapshot seen = store.load();
            torn += !(seen == a || seen == b);
        }
        writer->wait();
        QCOMPARE(torn, 0);
    }

    void snapshotDerivedValues_data() {
        QTest::addColumn<std::optional<QString>>("value");
        QTest::addColumn<bool>("present");
        QTest::newRow("absent") << std::optional<QString>() << false;
        QTest::newRow("empty") << std::optional(u""_s) << false;
        QTest::newRow("blanks held in memory") << std::optional(u"   "_s) << true;
        QTest::newRow("value") << std::optional(u"t"_s) << true;
    }

    void snapshotDerivedValues() {
        QFETCH(std::optional<QString>, value);
        QFETCH(bool, present);
        QCOMPARE((SessionSnapshot{defaultURL, value}.isLoggedIn()), present);
        QCOMPARE((SessionSnapshot{defaultURL, {}, value}.hasAPIKey()), present);
        QVERIFY(!(SessionSnapshot{defaultURL, {}, value}.isLoggedIn()));
    }

    void normalized_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("normalized");
        QTest::newRow("unchanged") << u"https://a.example/api"_s << u"https://a.example/api"_s;
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

    void resolvedStoredBaseURL() {
        QCOMPARE(SessionSnapshot::resolvedStoredBaseURL(std::nullopt, false), defaultURL);
        QCOMPARE(SessionSnapshot::resolvedStoredBaseURL(std::nullopt, true), defaultURL);
        QCOMPARE(SessionSnapshot::resolvedStoredBaseURL(u"http://localhost:8787/"_s, true), defaultURL);
        QCOMPARE(SessionSnapshot::resolvedStoredBaseURL(u"http://localhost:8787/"_s, false),
                 u"http://localhost:8787"_s);
        QCOMPARE(SessionSnapshot::resolvedStoredBaseURL(u"http://127.0.0.1:8788"_s, true),
                 u"http://127.0.0.1:8788"_s);
        QCOMPARE(SessionSnapshot::legacyDefaultBaseURLs(),
                 (QSet<QString>{u"http://127.0.0.1:8787"_s, u"http://localhost:8787"_s}));
        QVERIFY(defaultURL.startsWith(u"https://"_s));
        QVERIFY(!defaultURL.endsWith(u'/'));
        QVERIFY(!QUrl(defaultURL).path().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSessionStore)
#include "tst_SessionStore.moc"
