#include "KeyedListModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace quelvio;
using namespace Qt::StringLiterals;
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

// The signals a model sends on a refresh, counted.
struct SignalLog {
    explicit SignalLog(KeyedListModel& m)
        : inserted(&m, &QAbstractItemModel::rowsInserted)
        , removed(&m, &QAbstractItemModel::rowsRemoved)
        , moved(&m, &QAbstractItemModel::rowsMoved)
        , changed(&m, &QAbstractItemModel::dataChanged)
        , count(&m, &KeyedListModel::countChanged)
        , reset(&m, &QAbstractItemModel::modelReset) {}
    qsizetype total() const {
        return inserted.count() + removed.count() + moved.count() + changed.count() + count.count() +
               reset.count();
    }
    QSignalSpy inserted, removed, moved, changed, count, reset;
};

// What a view holds: the rows as the model's signals alone describe them.
struct ViewMirror {
    explicit ViewMirror(KeyedListModel& m)
        : model(m) {
        for (int i = 0; i < model.rowCount(); ++i)
            items.append(read(i));
        QObject::connect(&model, &QAbstractItemModel::rowsInserted,
                         [this](const QModelIndex&, int first, int last) {
                             for (int i = first; i <= last; ++i)
                                 items.insert(i, read(i));
                         });
        QObject::connect(
            &model, &QAbstractItemModel::rowsRemoved,
            [this](const QModelIndex&, int first, int last) { items.remove(first, last - first + 1); });
        QObject::connect(&model, &QAbstractItemModel::rowsMoved,
                         [this](const QModelIndex&, int start, int end, const QModelIndex&, int destination) {
                             const QStringList block = items.mid(start, end - start + 1);
                             items.remove(start, block.size());
                             const int at =
                                 destination > start ? destination - int(block.size()) : destination;
                             items = items.mid(0, at) + block + items.mid(at);
                         });
        QObject::connect(&model, &QAbstractItemModel::dataChanged,
                         [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                             for (int i = topLeft.row(); i <= bottomRight.row(); ++i)
                                 items[i] = read(i);
                         });
    }

    // A row as the view shows it: its key and price.
    QString read(int i) const {
        const QModelIndex index = model.index(i);
        return index.data(model.keyRole()).toString() + index.data(priceRole).toString();
    }

    KeyedListModel& model;
    QStringList items;
};

} // namespace

class TestKeyedListModel : public QObject {
    Q_OBJECT

private slots:
    void rowsReadByRoleAndByGet() {
        KeyedListModel model({"key", "price"});
        model.setRows({{"a", {{"key", "not the key"}}}});
        // A role named "key" reads the row's key, never a value of that name.
        QCOMPARE(model.index(0).data(model.keyRole()).toString(), u"a");
        QCOMPARE(model.get(0).value("key").toString(), u"a");
        QVERIFY(!model.index(0).data(model.keyRole() + 1).isValid()); // absent value
        QVERIFY(model.get(1).isEmpty());
    }

    void sameRowsChangeNothing() {
        const auto quiet = [](const QList<Row>& rows, const QList<Row>& again) {
            KeyedListModel model(roles);
            model.setRows(rows);
            const QList<Row> before = model.rows();
            SignalLog log(model);
            model.setRows(again);
            return log.total() == 0 && model.rows() == before;
        };
        QVERIFY(quiet(rowsOf("abcde"), rowsOf("abcde")));
        QVERIFY(quiet({row("a", 2)}, {row("a", 2.0)})); // an equal value of another number type
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
        model.setRows(rowsOf("abcd"));
        SignalLog log(model);
        QList<Row> next = rowsOf("abcd");
        next[2] = replacement;
        model.setRows(next);
        QCOMPARE(log.total(), 1);
        const QList<QVariant> args = log.changed.first();
        QCOMPARE(args[0].toModelIndex().row(), 2);
        QCOMPARE(args[1].toModelIndex().row(), 2);
        QList<int> sent = args[2].value<QList<int>>();
        std::ranges::sort(sent);
        QCOMPARE(sent, roles);
        QCOMPARE(model.rows(), next);

        // A value no role reads is kept without telling the view.
        next[0].values.insert("extra", 1);
        model.setRows(next);
        QCOMPARE(log.total(), 1);
        QCOMPARE(model.get(0).value("extra").toInt(), 1);
    }

    // Rows that stay are moved, never removed and inserted again, so a view keeps their
    // delegates; the view's copy ends equal to the model.
    void structuralChanges_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("insertSignals");
        QTest::addColumn<int>("removeSignals");
        QTest::addColumn<int>("moveSignals");
        QTest::newRow("insert at both ends") << u"abc"_s << u"xabcy"_s << 2 << 0 << 0;
        QTest::newRow("into an empty list") << u""_s << u"abc"_s << 1 << 0 << 0;
        QTest::newRow("remove apart") << u"abcde"_s << u"bd"_s << 0 << 3 << 0;
        QTest::newRow("remove all") << u"abc"_s << u""_s << 0 << 1 << 0;
        QTest::newRow("first to last") << u"abcd"_s << u"bcda"_s << 0 << 0 << 1;
        QTest::newRow("reverse") << u"abcd"_s << u"dcba"_s << 0 << 0 << 3;
        QTest::newRow("replace everything") << u"abc"_s << u"xyz"_s << 1 << 1 << 0;
        QTest::newRow("all kinds") << u"abcdef"_s << u"fxbdy"_s << 2 << 3 << 1;
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
        SignalLog log(model);
        model.setRows(rowsOf(after));

        QCOMPARE(model.rows(), rowsOf(after));
        QCOMPARE(log.inserted.count(), insertSignals);
        QCOMPARE(log.removed.count(), removeSignals);
        QCOMPARE(log.moved.count(), moveSignals);
        QCOMPARE(log.changed.count(), 0);
        QCOMPARE(log.count.count(), before.size() == after.size() ? 0 : 1);
        QCOMPARE(mirror.items, ViewMirror(model).items);
    }

    void aMovedRowCarriesItsNewValues() {
        KeyedListModel model(roles);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRows(rowsOf("abcd"));
        ViewMirror mirror(model);
        model.setRows({row("d", 9), row("a"), row("x", 4), row("c", 5)});
        QCOMPARE(mirror.items, (QStringList{"d9", "a1", "x4", "c5"}));
        QCOMPARE(mirror.items, ViewMirror(model).items);
    }

    void duplicateKeysKeepTheFirst() {
        KeyedListModel model(roles);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRows({row("a", 1), row("b", 2), row("a", 3), row("b", 4), row("c", 5)});
        QCOMPARE(model.rows(), (QList<Row>{row("a", 1), row("b", 2), row("c", 5)}));
        // A duplicate that comes first on the next refresh moves the row to its position.
        model.setRows({row("c", 5), row("a", 9), row("c", 6), row("b", 2)});
        QCOMPARE(model.rows(), (QList<Row>{row("c", 5), row("a", 9), row("b", 2)}));
    }
};

QTEST_GUILESS_MAIN(TestKeyedListModel)
#include "tst_KeyedListModel.moc"
