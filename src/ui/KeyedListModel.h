#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QVariantMap>

namespace quelvio {

// A list of keyed rows that takes each new list as the smallest change it can find: rows whose
// key left are removed, new keys inserted, kept keys moved (never removed and inserted again) and
// only rows whose values differ report a change. A refresh that brings the same rows emits
// nothing, so the view keeps its scroll position and hover.
class KeyedListModel : public QAbstractListModel {
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    struct Row {
        QString key;
        QVariantMap values;

        bool operator==(const Row&) const = default;
    };

    // Role Qt::UserRole + i reads values[roleNames[i]]. A role "key" reading the row's key is
    // added after them; a "key" among roleNames is that role instead, not a value.
    explicit KeyedListModel(QList<QByteArray> roleNames, QObject* parent = nullptr);

    // Of rows sharing a key only the first is kept.
    void setRows(const QList<Row>& rows);
    const QList<Row>& rows() const { return m_rows; }
    int count() const { return int(m_rows.size()); }
    int keyRole() const { return m_keyRole; }

    // The row's values with its key under "key"; empty for a row that does not exist.
    Q_INVOKABLE QVariantMap get(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

signals:
    void countChanged();

private:
    void removeMissing(const QSet<QString>& incoming);
    void moveIntoOrder(const QList<Row>& target);
    void insertNew(const QList<Row>& target);
    void updateValues(const QList<Row>& target);
    qsizetype indexOf(const QString& key) const;

    QList<QByteArray> m_roleNames;
    int m_keyRole = Qt::UserRole;
    QList<Row> m_rows;
};

} // namespace quelvio
