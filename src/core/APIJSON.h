#pragma once

#include "Models/FieldList.h"

#include <QByteArray>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QVarLengthArray>
#include <algorithm>
#include <array>
#include <exception>
#include <optional>
#include <type_traits>
#include <typeinfo>

// The JSON coders of every wire record. Field names map to snake-case wire keys by one rule and
// back; types are strict (a string is never a number, a fraction never an integer) except where a
// field is declared lenient.
namespace quelvio::APIJSON {

// "productId" -> "product_id"; a run of capitals is one word ("myURLValue" -> "my_url_value").
QString snakeCaseKey(QStringView fieldName);
// "product_id", "Product_ID" -> "productId"; a key without an inner underscore is kept as it is.
QString camelCaseKey(QStringView wireKey);

// A reply that does not fit its record. The message says where and what, e.g.
// "items[2].source.slug: missing"; it is shown to the user.
class DecodingError : public std::exception {
public:
    explicit DecodingError(QString message)
        : m_message(std::move(message))
        , m_utf8(m_message.toUtf8()) {}
    const QString& message() const { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

namespace detail {

template <typename T>
struct IsOptional : std::false_type {};
template <typename T>
struct IsOptional<std::optional<T>> : std::true_type {};

template <typename T>
struct IsList : std::false_type {};
template <typename T>
struct IsList<QList<T>> : std::true_type {};

// The shortest decimal text that reads back as the same double; whole numbers without a fraction.
QString numberText(const QJsonValue& number);

} // namespace detail

// The top-level object's "items" cut to their first `limit` elements, found by scanning the bytes
// (strings and nesting tracked, nothing built), so that a page far larger than asked for is never
// parsed whole; the other keys go with the cut. Anything else comes back as it is.
QByteArray firstItems(const QByteArray& bytes, qsizetype limit);

class Encoder {
public:
    template <json::Record T>
    QByteArray encode(const T& value) const {
        return QJsonDocument(encodeObject(value)).toJson(QJsonDocument::Compact);
    }

    template <json::Record T>
    QJsonObject encodeObject(const T& value) const {
        QJsonObject object;
        json::forEachField<T>([&](const auto& f) {
            const auto& member = value.*(f.member);
            using M = std::remove_cvref_t<decltype(member)>;
            if constexpr (detail::IsOptional<M>::value) {
                if (member)
                    object.insert(snakeCaseKey(QString::fromLatin1(f.name)), encodeValue(*member));
            } else {
                object.insert(snakeCaseKey(QString::fromLatin1(f.name)), encodeValue(member));
            }
        });
        return object;
    }

private:
    static QJsonValue encodeValue(const QString& v) { return v; }
    static QJsonValue encodeValue(qint64 v) { return v; }
    static QJsonValue encodeValue(double v) { return v; }
    static QJsonValue encodeValue(bool v) { return v; }

    template <json::Record T>
    QJsonValue encodeValue(const T& v) const {
        return encodeObject(v);
    }

    template <typename T>
    QJsonValue encodeValue(const QList<T>& list) const {
        QJsonArray array;
        for (const T& element : list)
            array.append(encodeValue(element));
        return array;
    }
};

class Decoder {
public:
    // Throws DecodingError when the bytes are not JSON or do not fit T.
    template <json::Record T>
    T decode(const QByteArray& bytes) {
        return decode<T>(parse(bytes));
    }

    template <json::Record T>
    T decode(const QJsonValue& value) {
        m_path.clear();
        T result{};
        read(value, result);
        return result;
    }

    // The "items" of a list reply, at most `limit` of them, as T: what a server sends past the
    // page it was asked for is dropped before it is even parsed.
    template <json::Record T>
    QList<T> decodeItems(const QByteArray& bytes, qsizetype limit) {
        return decode<ListOf<T>>(parse(firstItems(bytes, limit))).items;
    }

    // Free texts longer than this are cut: a server's megabyte-long name must not reach the views.
    static constexpr qsizetype maxTextChars = 4096;

private:
    template <json::Record T>
    struct ListOf {
        QList<T> items;
        static constexpr auto fields() { return std::tuple{json::field("items", &ListOf::items)}; }
    };

    // One step of the path to the value being read: a wire key, or an index into an array.
    struct Step {
        const char* field = nullptr;
        qsizetype index = -1;
    };
    struct Member {
        QString key; // converted to camel case
        QJsonValue value;
    };

    static QJsonValue parse(const QByteArray& bytes);
    static QString clippedText(QString text); // to maxTextChars
    [[noreturn]] void fail(const QString& problem) const;
    [[noreturn]] void failType(const char* expected, const QJsonValue& found) const;

    void read(const QJsonValue& v, QString& out) const {
        if (!v.isString())
            failType("string", v);
        out = v.toString();
        if (out.size() > maxTextChars)
            out = clippedText(std::move(out));
    }
    void read(const QJsonValue& v, bool& out) const {
        if (!v.isBool())
            failType("boolean", v);
        out = v.toBool();
    }
    void read(const QJsonValue& v, double& out) const {
        if (!v.isDouble())
            failType("number", v);
        out = v.toDouble();
    }
    void read(const QJsonValue& v, qint64& out) const;

    template <typename T>
    void read(const QJsonValue& v, QList<T>& out) {
        if (!v.isArray())
            failType("array", v);
        const QJsonArray array = v.toArray();
        out.clear();
        out.reserve(array.size());
        for (qsizetype i = 0; i < array.size(); ++i) {
            m_path.append(Step{nullptr, i});
            read(array.at(i), out.emplace_back());
            m_path.removeLast();
        }
    }

    template <json::Record T>
    void read(const QJsonValue& v, T& out) {
        if (!v.isObject())
            failType("object", v);
        const QJsonObject object = v.toObject();

        // Fast path: the object's keys and the record's wire keys are both sorted, so one merge
        // pairs them up. Only when some key is left over (another spelling, or a member we do not
        // know) are all keys converted and matched one by one.
        constexpr std::size_t count = std::tuple_size_v<decltype(T::fields())>;
        std::array<QJsonValue, count> values;
        values.fill(QJsonValue(QJsonValue::Undefined)); // tells a missing key from a null
        std::size_t i = 0;
        if (!mergeWireKeys(object, wireKeys<T>(), values.data())) {
            const QVarLengthArray<Member, 32> members = convertedMembers(object);
            i = 0;
            json::forEachField<T>([&](const auto& f) {
                const QJsonValue* found = lookup(members, f.name);
                values[i++] = found ? *found : QJsonValue(QJsonValue::Undefined);
            });
        }

        i = 0;
        json::forEachField<T>([&](const auto& f) {
            auto& member = out.*(f.member);
            using M = std::remove_cvref_t<decltype(member)>;
            const QJsonValue& found = values[i++];
            const bool absent = found.isUndefined() || found.isNull();
            m_path.append(Step{f.name, -1});
            if constexpr (detail::IsOptional<M>::value) {
                if (absent) {
                    member.reset();
                } else if constexpr (std::remove_cvref_t<decltype(f)>::leniency ==
                                     json::Leniency::TextOrNumber) {
                    if (found.isString())
                        member = found.toString();
                    else if (found.isDouble())
                        member = detail::numberText(found);
                    else
                        member.reset();
                } else {
                    read(found, member.emplace());
                }
            } else {
                if (found.isUndefined())
                    fail(QStringLiteral("missing"));
                if (absent)
                    fail(QStringLiteral("null"));
                read(found, member);
            }
            m_path.removeLast();
        });
    }

    // The record's wire keys in ascending order, each with the index of its field.
    using WireKeys = QList<std::pair<QString, std::size_t>>;
    template <json::Record T>
    const WireKeys& wireKeys() {
        auto cached = m_wireKeys.constFind(&typeid(T));
        if (cached == m_wireKeys.cend()) {
            WireKeys keys;
            json::forEachField<T>([&](const auto& f) {
                keys.append({snakeCaseKey(QString::fromLatin1(f.name)), std::size_t(keys.size())});
            });
            std::sort(keys.begin(), keys.end());
            cached = m_wireKeys.insert(&typeid(T), keys);
        }
        return *cached;
    }
    // Fills values[field index] from the keys that are wire keys; false when any key is not one.
    static bool mergeWireKeys(const QJsonObject& object, const WireKeys& keys, QJsonValue* values);
    QVarLengthArray<Member, 32> convertedMembers(const QJsonObject& object) const;
    static const QJsonValue* lookup(const QVarLengthArray<Member, 32>& members, const char* name);

    QVarLengthArray<Step, 8> m_path;
    QHash<const std::type_info*, WireKeys> m_wireKeys;
};

// A new coder for every call: nothing is shared between callers.
inline Encoder encoder() {
    return Encoder{};
}
inline Decoder decoder() {
    return Decoder{};
}

// Shorthands for the common one-shot use.
template <json::Record T>
QByteArray encode(const T& value) {
    return encoder().encode(value);
}
template <json::Record T>
T decode(const QByteArray& bytes) {
    return decoder().decode<T>(bytes);
}

} // namespace quelvio::APIJSON
