#include "KeyedListModel.h"

#include <QSet>
#include <algorithm>

namespace quelvio {

namespace {

QList<KeyedListModel::Row> withoutDuplicateKeys(const QList<KeyedListModel::Row>& rows) {
    QList<KeyedListModel::Row> unique;
    unique.reserve(rows.size());
    QSet<QString> seen;
    for (const KeyedListModel::Row& row : rows)
        if (!seen.contains(row.key)) {
            seen.insert(row.key);
            unique.append(row);
        }
    return unique;
}

// Positions (into sequence) of one longest strictly increasing subsequence.
QList<qsizetype> longestIncreasingRun(const QList<qsizetype>& sequence) {
    QList<qsizetype> tails; // tails[l]: position ending the best run of length l + 1
    QList<qsizetype> previous(sequence.size(), -1);
    for (qsizetype i = 0; i < sequence.size(); ++i) {
        const auto it = std::ranges::lower_bound(tails, sequence[i], {},
                                                 [&](qsizetype position) { return sequence[position]; });
        if (it != tails.begin())
            previous[i] = *(it - 1);
        if (it == tails.end())
            tails.append(i);
        else
            *it = i;
    }
    QList<qsizetype> run(tails.size());
    for (qsizetype i = tails.isEmpty() ? -1 : tails.last(), l = tails.size() - 1; i >= 0;
         i = previous[i], --l)
        run[l] = i;
    return run;
}

} // namespace

KeyedListModel::KeyedListModel(QList<QByteArray> roleNames, QObject* parent)
    : QAbstractListModel(parent)
    , m_roleNames(std::move(roleNames)) {
    const qsizetype keyIndex = m_roleNames.indexOf(QByteArrayLiteral("key"));
    if (keyIndex >= 0) {
        m_keyRole = Qt::UserRole + int(keyIndex);
    } else {
        m_keyRole = Qt::UserRole + int(m_roleNames.size());
        m_roleNames.append(QByteArrayLiteral("key"));
    }
}

void KeyedListModel::setRows(const QList<Row>& rows) {
    const QList<Row> target = withoutDuplicateKeys(rows);
    const qsizetype countBefore = m_rows.size();

    QSet<QString> incoming;
    for (const Row& row : target)
        incoming.insert(row.key);
    removeMissing(incoming);
    moveIntoOrder(target);
    insertNew(target);
    updateValues(target);

    if (m_rows.size() != countBefore)
        emit countChanged();
}

void KeyedListModel::removeMissing(const QSet<QString>& incoming) {
    // From the back, one signal per run of neighbouring rows.
    qsizetype end = m_rows.size();
    while (end > 0) {
        if (incoming.contains(m_rows[end - 1].key)) {
            --end;
            continue;
        }
        qsizetype first = end - 1;
        while (first > 0 && !incoming.contains(m_rows[first - 1].key))
            --first;
        beginRemoveRows({}, int(first), int(end - 1));
        m_rows.remove(first, end - first);
        endRemoveRows();
        end = first;
    }
}

void KeyedListModel::moveIntoOrder(const QList<Row>& target) {
    // Every remaining row is in the target. Rows on a longest run already in target order stay
    // put; each other row moves to just behind the row that precedes it in the target.
    QHash<QString, qsizetype> targetPosition;
    for (qsizetype i = 0; i < target.size(); ++i)
        targetPosition.insert(target[i].key, i);

    QList<qsizetype> order;
    order.reserve(m_rows.size());
    for (const Row& row : std::as_const(m_rows))
        order.append(targetPosition.value(row.key));
    QSet<QString> placed;
    for (qsizetype position : longestIncreasingRun(order))
        placed.insert(m_rows[position].key);
    if (placed.size() == m_rows.size())
        return;

    const Row* previous = nullptr;
    for (const Row& row : target) {
        const qsizetype from = indexOf(row.key);
        if (from < 0)
            continue; // arrives later as an insertion
        if (!placed.contains(row.key)) {
            const qsizetype destination = previous ? indexOf(previous->key) + 1 : 0;
            if (destination != from) {
                beginMoveRows({}, int(from), int(from), {}, int(destination));
                m_rows.move(from, from < destination ? destination - 1 : destination);
                endMoveRows();
            }
            placed.insert(row.key);
        }
        previous = &row;
    }
}

void KeyedListModel::insertNew(const QList<Row>& target) {
    // Kept rows are now in target order, so each run of new keys goes in at its target position.
    qsizetype i = 0;
    while (i < target.size()) {
        if (i < m_rows.size() && m_rows[i].key == target[i].key) {
            ++i;
            continue;
        }
        // The row now at i is kept and so comes later in the target; everything before it is new.
        qsizetype end = i + 1;
        if (i >= m_rows.size())
            end = target.size();
        else
            while (target[end].key != m_rows[i].key)
                ++end;
        beginInsertRows({}, int(i), int(end - 1));
        m_rows.insert(i, end - i, Row{});
        for (qsizetype k = i; k < end; ++k)
            m_rows[k] = target[k];
        endInsertRows();
        i = end;
    }
}

void KeyedListModel::updateValues(const QList<Row>& target) {
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        Row& row = m_rows[i];
        if (row.values == target[i].values)
            continue;
        QList<int> changedRoles;
        for (qsizetype r = 0; r < m_roleNames.size(); ++r) {
            const QString name = QString::fromUtf8(m_roleNames[r]);
            if (Qt::UserRole + int(r) != m_keyRole && row.values.value(name) != target[i].values.value(name))
                changedRoles.append(Qt::UserRole + int(r));
        }
        row.values = target[i].values;
        // Values no role reads are kept for get() but change nothing a view shows.
        if (!changedRoles.isEmpty())
            emit dataChanged(index(int(i)), index(int(i)), changedRoles);
    }
}

qsizetype KeyedListModel::indexOf(const QString& key) const {
    const auto it = std::ranges::find(m_rows, key, &Row::key);
    return it == m_rows.end() ? -1 : it - m_rows.begin();
}

QVariantMap KeyedListModel::get(int row) const {
    if (row < 0 || row >= m_rows.size())
        return {};
    QVariantMap values = m_rows[row].values;
    values.insert(QStringLiteral("key"), m_rows[row].key);
    return values;
}

int KeyedListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant KeyedListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row& row = m_rows[index.row()];
    if (role == m_keyRole)
        return row.key;
    const int r = role - Qt::UserRole;
    if (r < 0 || r >= m_roleNames.size())
        return {};
    return row.values.value(QString::fromUtf8(m_roleNames[r]));
}

QHash<int, QByteArray> KeyedListModel::roleNames() const {
    QHash<int, QByteArray> names;
    for (qsizetype r = 0; r < m_roleNames.size(); ++r)
        names.insert(Qt::UserRole + int(r), m_roleNames[r]);
    return names;
}

} // namespace quelvio
