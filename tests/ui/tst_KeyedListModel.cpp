#include "KeyedListModel.h"

#include <QAbstractItemModelTester>
#include <QRandomGenerator>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <memory>

using namespace quelvio;
using Row = KeyedListModel::Row;

namespace {

const QList<QByteArray> roles{"name", "price"};
constexpr int nameRole = Qt::UserRole;
constexpr int priceRole = Qt::UserRole + 1;

Row row(const QString& key, const QVariant& price = 1, const QString& name = {}) {
    return {key, {{"name", name.isEmpty() ? key.toUpper() : name}, {"price", price}}};
}

QList<Row> rowsOf(const QString& keys) {
    QList<Row> rows;
    for (QChar key : keys)
        rows.append(row(key));
    return rows;
}

QString keysOf(const KeyedListModel& model) {
    QString keys;
    for (const Row& r : model.rows())
        keys += r.key;
    return keys;
}

// Every signal a model can send, counted.
struct SignalLog {
    explicit SignalLog(KeyedListModel& model) {
        const auto watch = [&](auto signal) {
            spies.push_back(std::make_unique<QSignalSpy>(&model, signal));
            return spies.back().get();
        };
        aboutToInsert = watch(&QAbstractItemModel::rowsAboutToBeInserted);
        inserted = watch(&QAbstractItemModel::rowsInserted);
        aboutToRemove = watch(&QAbstractItemModel::rowsAboutToBeRemoved);
        removed = watch(&QAbstractItemModel::rowsRemoved);
        aboutToMove = watch(&QAbstractItemModel::rowsAboutToBeMoved);
        moved = watch(&QAbstractItemModel::rowsMoved);
        changed = watch(&QAbstractItemModel::dataChanged);
        watch(&QAbstractItemModel::layoutAboutToBeChanged);
        watch(&QAbstractItemModel::layoutChanged);
        watch(&QAbstractItemModel::modelAboutToBeReset);
        watch(&QAbstractItemModel::modelReset);
        watch(&QAbstractItemModel::headerDataChanged);
        watch(&QAbstractItemModel::columnsInserted);
        watch(&QAbstractItemModel::columnsRemoved);
        watch(&QAbstractItemModel::columnsMoved);
        count = watch(&KeyedListModel::countChanged);
    }
    qsizetype total() const {
        qsizetype sum = 0;
        for (const auto& spy : spies)
            sum += spy->count();
        return sum;
    }
    void clear() {
        for (const auto& spy : spies)
            spy->clear();
    }

    std::vector<std::unique_ptr<QSignalSpy>> spies;
    QSignalSpy* aboutToInsert = nullptr;
    QSignalSpy* inserted = nullptr;
    QSignalSpy* aboutToRemove = nullptr;
    QSignalSpy* removed = nullptr;
    QSignalSpy* aboutToMove = nullptr;
    QSignalSpy* moved = nullptr;
    QSignalSpy* changed = nullptr;
    QSignalSpy* count = nullptr;
};

// A copy of what a view would hold, kept up to date by the model's signals alone.
struct ViewMirror {
    struct Item {
        QString key;
        QVariant name;
        QVariant price;
        bool operator==(const Item&) const = default;
    };

    explicit ViewMirror(KeyedListModel& m)
        : model(m) {
        QObject::connect(&model, &QAbstractItemModel::rowsInserted,
                         [this](const QModelIndex&, int first, int last) {
                             for (int i = first; i <= last; ++i) {
                                 items.insert(i, read(i));
                                 insertedKeys.append(items[i].key);
                             }
                         });
        QObject::connect(&model, &QAbstractItemModel::rowsRemoved,
                         [this](const QModelIndex&, int first, int last) {
                             for (int i = first; i <= last; ++i)
                                 removedKeys.append(items[first].key), items.remove(first);
                         });
        QObject::connect(&model, &QAbstractItemModel::rowsMoved,
                         [this](const QModelIndex&, int start, int end, const QModelIndex&, int destination) {
                             const QList<Item> block = items.mid(start, end - start + 1);
                             items.remove(start, block.size());
                             const int at =
                                 destination > start ? destination - int(block.size()) : destination;
                             for (qsizetype i = 0; i < block.size(); ++i)
                                 items.insert(at + i, block[i]);
                             moves += end - start + 1;
                         });
        QObject::connect(
            &model, &QAbstractItemModel::dataChanged,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles) {
                for (int i = topLeft.row(); i <= bottomRight.row(); ++i) {
                    const Item now = read(i);
                    if (roles.isEmpty() || roles.contains(nameRole))
                        items[i].name = now.name;
                    if (roles.isEmpty() || roles.contains(priceRole))
                        items[i].price = now.price;
                    changedKeys.append(now.key);
                }
            });
    }

    Item read(int i) const {
        const QModelIndex index = model.index(i);
        return {index.data(model.keyRole()).toString(), index.data(nameRole), index.data(priceRole)};
    }

    void resetLog() {
        insertedKeys.clear();
        removedKeys.clear();
        changedKeys.clear();
        moves = 0;
    }

    KeyedListModel& model;
    QList<Item> items;
    QStringList insertedKeys;
    QStringList removedKeys;
    QStringList changedKeys;
    qsizetype moves = 0;
};

// How many rows keep their place when one order becomes the other: the longest common
// subsequence, by the textbook table.
qsizetype rowsInCommonOrder(const QStringList& a, const QStringList& b) {
    QList<QList<qsizetype>> table(a.size() + 1, QList<qsizetype>(b.size() + 1, 0));
    for (qsizetype i = 1; i <= a.size(); ++i)
        for (qsizetype j = 1; j <= b.size(); ++j)
            table[i][j] =
                a[i - 1] == b[j - 1] ? table[i - 1][j - 1] + 1 : std::max(table[i - 1][j], table[i][j - 1]);
    return table[a.size()][b.size()];
}

} // namespace

class TestKeyedListModel : public QObject {
    Q_OBJECT

private slots:
    void rolesAndReading() {
        KeyedListModel model(roles);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QHash<int, QByteArray> names = model.roleNames();
        QCOMPARE(names.size(), 3);
        QCOMPARE(names.value(nameRole), "name");
        QCOMPARE(names.value(priceRole), "price");
        QCOMPARE(names.value(model.keyRole()), "key");

        model.setRows({row("a", 5), {"b", {{"price", 7}, {"extra", true}}}});
        QCOMPARE(model.count(), 2);
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.index(0).data(model.keyRole()).toString(), u"a");
        QCOMPARE(model.index(0).data(priceRole).toInt(), 5);
        QCOMPARE(model.index(0).data(nameRole).toString(), u"A");
        QVERIFY(!model.index(1).data(nameRole).isValid()); // absent value
        QVERIFY(!model.index(0).data(Qt::DisplayRole).isValid());
        QVERIFY(!model.index(0).data(Qt::UserRole + 9).isValid());

        const QVariantMap second = model.get(1);
        QCOMPARE(second.value("key").toString(), u"b");
        QCOMPARE(second.value("price").toInt(), 7);
        QCOMPARE(second.value("extra").toBool(), true);
        QVERIFY(model.get(2).isEmpty());
        QVERIFY(model.get(-1).isEmpty());
    }

    void keyAmongRoleNamesReadsTheKey() {
        KeyedListModel model({"key", "price"});
        QCOMPARE(model.roleNames().size(), 2);
        QCOMPARE(model.keyRole(), Qt::UserRole);
        model.setRows({{"a", {{"key", "not the key"}, {"price", 1}}}});
        QCOMPARE(model.index(0).data(Qt::UserRole).toString(), u"a");

        SignalLog log(model);
        model.setRows({{"a", {{"key", "still not"}, {"price", 1}}}});
        QCOMPARE(log.changed->count(), 0);
        QCOMPARE(model.get(0).value("key").toString(), u"a");
    }

    void sameRowsChangeNothing_data() {
        QTest::addColumn<QList<Row>>("rows");
        QTest::addColumn<QList<Row>>("again");
        QTest::newRow("empty") << QList<Row>{} << QList<Row>{};
        QTest::newRow("same") << rowsOf("abcde") << rowsOf("abcde");
        QTest::newRow("same with a later duplicate")
            << rowsOf("abc") << QList<Row>{row("a"), row("b"), row("c"), row("b", 99)};
        QTest::newRow("equal values of another number type")
            << QList<Row>{row("a", 2)} << QList<Row>{row("a", 2.0)};
    }
    void sameRowsChangeNothing() {
        QFETCH(QList<Row>, rows);
        QFETCH(QList<Row>, again);
        KeyedListModel model(roles);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRows(rows);
        const QList<Row> before = model.rows();
        SignalLog log(model);
        model.setRows(again);
        QCOMPARE(log.total(), 0);
        QCOMPARE(model.rows(), before);
    }

    void oneChangedRowIsOneDataChange_data() {
        QTest::addColumn<Row>("replacement");
        QTest::addColumn<QList<int>>("roles");
        QTest::newRow("price") << row("c", 2) << QList<int>{priceRole};
        QTest::newRow("name and price") << row("c", 3, "C2") << QList<int>{nameRole, priceRole};
        QTest::newRow("value dropped") << Row{"c", {{"name", "C"}}} << QList<int>{priceRole};
    }
    void oneChangedRowIsOneDataChange() {
        QFETCH(Row, replacement);
        QFETCH(QList<int>, roles);
        KeyedListModel model(::roles);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRows(rowsOf("abcd"));
        SignalLog log(model);
        QList<Row> next = rowsOf("abcd");
        next[2] = replacement;
        model.setRows(next);
        QCOMPARE(log.changed->count(), 1);
        QCOMPARE(log.total(), 1);
        const QList<QVariant> args = log.changed->first();
        QCOMPARE(args[0].toModelIndex().row(), 2);
        QCOMPARE(args[1].toModelIndex().row(), 2);
        QList<int> sent = args[2].value<QList<int>>();
        std::ranges::sort(sent);
        QCOMPARE(sent, roles);
        QCOMPARE(model.rows(), next);
    }

    void valuesNoRoleReadsAreKeptQuietly() {
        KeyedListModel model(roles);
        model.setRows({row("a")});
        SignalLog log(model);
        Row withExtra = row("a");
        withExtra.values.insert("extra", 1);
        model.setRows({withExtra});
        QCOMPARE(log.total(), 0);
        QCOMPARE(model.get(0).value("extra").toInt(), 1);
    }

    void structuralChanges_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("insertSignals");
        QTest::addColumn<int>("removeSignals");
        QTest::addColumn<int>("moveSignals");
        QTest::newRow("insert in the middle") << "abc"
                                              << "axyzbc" << 1 << 0 << 0;
        QTest::newRow("insert at both ends") << "abc"
                                             << "xabcy" << 2 << 0 << 0;
        QTest::newRow("into an empty list") << ""
                                            << "abc" << 1 << 0 << 0;
        QTest::newRow("remove a run") << "abcde"
                                      << "ade" << 0 << 1 << 0;
        QTest::newRow("remove apart") << "abcde"
                                      << "bd" << 0 << 3 << 0;
        QTest::newRow("remove all") << "abc"
                                    << "" << 0 << 1 << 0;
        QTest::newRow("first to last") << "abcd"
                                       << "bcda" << 0 << 0 << 1;
        QTest::newRow("last to first") << "abcd"
                                       << "dabc" << 0 << 0 << 1;
        QTest::newRow("swap neighbours") << "abcd"
                                         << "acbd" << 0 << 0 << 1;
        QTest::newRow("reverse") << "abcd"
                                 << "dcba" << 0 << 0 << 3;
        QTest::newRow("replace everything") << "abc"
                                            << "xyz" << 1 << 1 << 0;
        QTest::newRow("all kinds") << "abcdef"
                                   << "fxbdy" << 2 << 3 << 1;
    }
    void structuralChanges() {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(int, insertSignals);
        QFETCH(int, removeSignals);
        QFETCH(int, moveSignals);
        KeyedListModel model(roles);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRows(rowsOf(before));
        ViewMirror mirror(model);
        for (qsizetype i = 0; i < model.rows().size(); ++i)
            mirror.items.append(mirror.read(int(i)));
        SignalLog log(model);
        model.setRows(rowsOf(after));

        QCOMPARE(keysOf(model), after);
        QCOMPARE(log.inserted->count(), insertSignals);
        QCOMPARE(log.aboutToInsert->count(), insertSignals);
        QCOMPARE(log.removed->count(), removeSignals);
        QCOMPARE(log.aboutToRemove->count(), removeSignals);
        QCOMPARE(log.moved->count(), moveSignals);
        QCOMPARE(log.aboutToMove->count(), moveSignals);
        QCOMPARE(log.changed->count(), 0);
        QCOMPARE(log.count->count(), before.size() == after.size() ? 0 : 1);
        QCOMPARE(mirror.items.size(), model.rows().size());
        for (qsizetype i = 0; i < mirror.items.size(); ++i)
            QCOMPARE(mirror.items[i].key, QString(after[i]));
    }

    void duplicateKeysKeepTheFirst() {
        KeyedListModel model(roles);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRows({row("a", 1), row("b", 2), row("a", 3), row("b", 4), row("c", 5)});
        QCOMPARE(model.rows(), (QList<Row>{row("a", 1), row("b", 2), row("c", 5)}));
        QCOMPARE(model.count(), 3);
        // A duplicate that comes first on the next refresh moves the row to its position.
        model.setRows({row("c", 5), row("a", 9), row("c", 6), row("b", 2)});
        QCOMPARE(model.rows(), (QList<Row>{row("c", 5), row("a", 9), row("b", 2)}));
    }

    // Many random refreshes in a row: the model ends on the new list, a view that follows only
    // its signals ends on the same rows, and nothing is removed and inserted that was kept.
    void randomRefreshesStayConsistent() {
        QRandomGenerator random(20261206);
        KeyedListModel model(roles);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        ViewMirror mirror(model);
        SignalLog log(model);
        const QString alphabet = QStringLiteral("abcdefghijklmnop");

        for (int step = 0; step < 3000; ++step) {
            QList<Row> next;
            const int length = int(random.bounded(alphabet.size() + 4));
            for (int i = 0; i < length; ++i) {
                const QString key(alphabet[random.bounded(alphabet.size())]);
                Row r = row(key, int(random.bounded(3)),
                            random.bounded(4) == 0 ? QStringLiteral("renamed") : QString());
                if (random.bounded(5) == 0)
                    r.values.insert("extra", int(random.bounded(2)));
                next.append(r);
            }

            QList<Row> expected;
            QSet<QString> expectedKeys;
            for (const Row& r : next)
                if (!expectedKeys.contains(r.key)) {
                    expectedKeys.insert(r.key);
                    expected.append(r);
                }
            const QList<Row> previous = model.rows();
            QSet<QString> previousKeys;
            QHash<QString, Row> previousByKey;
            for (const Row& r : previous) {
                previousKeys.insert(r.key);
                previousByKey.insert(r.key, r);
            }
            QStringList shownChanges;
            for (const Row& r : expected)
                if (previousByKey.contains(r.key)) {
                    const Row& old = previousByKey[r.key];
                    if (old.values.value("name") != r.values.value("name") ||
                        old.values.value("price") != r.values.value("price"))
                        shownChanges.append(r.key);
                }

            mirror.resetLog();
            log.clear();
            model.setRows(next);

            QCOMPARE(model.rows(), expected);
            QCOMPARE(mirror.items.size(), expected.size());
            for (qsizetype i = 0; i < expected.size(); ++i) {
                const ViewMirror::Item& item = mirror.items[i];
                QCOMPARE(item.key, expected[i].key);
                QCOMPARE(item.name, expected[i].values.value("name"));
                QCOMPARE(item.price, expected[i].values.value("price"));
            }
            QStringList inserted = mirror.insertedKeys;
            QStringList removed = mirror.removedKeys;
            std::ranges::sort(inserted);
            std::ranges::sort(removed);
            QStringList arrived = QStringList((expectedKeys - previousKeys).values());
            QStringList left = QStringList((previousKeys - expectedKeys).values());
            std::ranges::sort(arrived);
            std::ranges::sort(left);
            QCOMPARE(inserted, arrived);
            QCOMPARE(removed, left);
            QStringList changed = mirror.changedKeys;
            std::ranges::sort(changed);
            std::ranges::sort(shownChanges);
            QCOMPARE(changed, shownChanges);
            // Each kept row off the longest run already in order moves once; no other does.
            QStringList keptBefore;
            QStringList keptAfter;
            for (const Row& r : previous)
                if (expectedKeys.contains(r.key))
                    keptBefore.append(r.key);
            for (const Row& r : expected)
                if (previousKeys.contains(r.key))
                    keptAfter.append(r.key);
            QCOMPARE(mirror.moves, keptBefore.size() - rowsInCommonOrder(keptBefore, keptAfter));
            QCOMPARE(log.count->count(), previous.size() == expected.size() ? 0 : 1);
        }
    }
};

QTEST_GUILESS_MAIN(TestKeyedListModel)
#include "tst_KeyedListModel.moc"
