#include "APIJSON.h"

#include "Presentation/ValueFormat.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QLocale>
#include <cmath>

namespace quelvio::APIJSON {

QString snakeCaseKey(QStringView key) {
    if (key.isEmpty())
        return {};
    const qsizetype end = key.size();
    auto find = [&](qsizetype from, bool (QChar::*test)() const) -> qsizetype {
        for (qsizetype i = from; i < end; ++i)
            if ((key[i].*test)())
                return i;
        return -1;
    };

    // Word boundaries: a capital after lower-case letters starts a word; in a run of capitals the
    // last one starts the next word when a lower-case letter follows it.
    QVarLengthArray<std::pair<qsizetype, qsizetype>, 8> words;
    qsizetype wordStart = 0;
    qsizetype searchFrom = 1;
    for (;;) {
        const qsizetype upper = find(searchFrom, &QChar::isUpper);
        if (upper < 0)
            break;
        words.append({wordStart, upper});
        const qsizetype lower = find(upper, &QChar::isLower);
        if (lower < 0) {
            wordStart = upper;
            break;
        }
        if (lower == upper + 1) {
            wordStart = upper;
        } else {
            words.append({upper, lower - 1});
            wordStart = lower - 1;
        }
        searchFrom = lower + 1;
    }
    words.append({wordStart, end});

    QString result;
    result.reserve(end + words.size());
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (i > 0)
            result += u'_';
        result += key.sliced(words[i].first, words[i].second - words[i].first).toString().toLower();
    }
    return result;
}

QString camelCaseKey(QStringView key) {
    qsizetype first = 0;
    while (first < key.size() && key[first] == u'_')
        ++first;
    if (first == key.size())
        return key.toString(); // only underscores
    qsizetype last = key.size() - 1;
    while (key[last] == u'_')
        --last;

    const QStringView core = key.sliced(first, last - first + 1);
    if (!core.contains(u'_'))
        return key.toString();

    QString result;
    result.reserve(key.size());
    result += key.first(first);
    bool firstPiece = true;
    for (QStringView piece : core.tokenize(u'_', Qt::SkipEmptyParts)) {
        if (firstPiece) {
            result += piece.toString().toLower();
            firstPiece = false;
        } else {
            result += piece.first(1).toString().toUpper();
            result += piece.sliced(1).toString().toLower();
        }
    }
    result += key.sliced(last + 1);
    return result;
}

namespace detail {

QString numberText(const QJsonValue& number) {
    // Whole numbers in the 64-bit range keep every digit; others take the shortest round trip.
    const qint64 whole = number.toInteger(0);
    if (whole == number.toInteger(1))
        return QString::number(whole);
    return QString::number(number.toDouble(), 'g', QLocale::FloatingPointShortest);
}

} // namespace detail

namespace {

QString typeName(const QJsonValue& v) {
    switch (v.type()) {
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Bool:
        return QStringLiteral("boolean");
    case QJsonValue::Double:
        return QStringLiteral("number ") + detail::numberText(v);
    case QJsonValue::String:
        return QStringLiteral("string");
    case QJsonValue::Array:
        return QStringLiteral("array");
    case QJsonValue::Object:
        return QStringLiteral("object");
    case QJsonValue::Undefined:
        break;
    }
    return QStringLiteral("nothing");
}

} // namespace

QJsonValue Decoder::parse(const QByteArray& bytes) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        throw DecodingError(
            QStringLiteral("invalid JSON at offset %1: %2").arg(error.offset).arg(error.errorString()));
    if (document.isArray())
        return document.array();
    return document.object();
}

QByteArray firstItems(const QByteArray& bytes, qsizetype limit) {
    if (limit <= 0)
        return bytes;
    // Hand-written: Qt's JSON reader has no streaming mode, and a whole parse is what this avoids.
    int depth = 0;
    qsizetype stringStart = -1;
    QByteArrayView lastString;
    bool afterItemsKey = false;
    qsizetype arrayStart = -1;
    qsizetype count = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if (stringStart >= 0) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                lastString = QByteArrayView(bytes).sliced(stringStart, i - stringStart);
                stringStart = -1;
            }
            continue;
        }
        switch (c) {
        case ' ':
        case '\t':
        case '\n':
        case '\r':
            break;
        case '"':
            stringStart = i + 1;
            break;
        case ':':
            afterItemsKey = depth == 1 && arrayStart < 0 && lastString == "items";
            break;
        case '[':
            if (afterItemsKey)
                arrayStart = i;
            afterItemsKey = false;
            ++depth;
            break;
        case '{':
            afterItemsKey = false;
            ++depth;
            break;
        case ']':
        case '}':
            --depth;
            if (arrayStart >= 0 && depth < 2)
                return bytes; // the list ended within the limit
            break;
        case ',':
            if (arrayStart >= 0 && depth == 2 && ++count == limit)
                return "{\"items\":" + bytes.mid(arrayStart, i - arrayStart) + "]}";
            break;
        default:
            afterItemsKey = false;
        }
    }
    return bytes;
}

QString Decoder::clippedText(QString text) {
    return TextLimit::clipped(std::move(text), maxTextChars);
}

void Decoder::fail(const QString& problem) const {
    QString path;
    for (const Step& step : m_path) {
        if (step.field) {
            if (!path.isEmpty())
                path += u'.';
            path += snakeCaseKey(QString::fromLatin1(step.field));
        } else {
            path += u'[' + QString::number(step.index) + u']';
        }
    }
    throw DecodingError(path.isEmpty() ? problem : path + QStringLiteral(": ") + problem);
}

void Decoder::failType(const char* expected, const QJsonValue& found) const {
    fail(QStringLiteral("expected %1, found %2").arg(QLatin1StringView(expected), typeName(found)));
}

void Decoder::read(const QJsonValue& v, qint64& out) const {
    if (!v.isDouble())
        failType("integer", v);
    // Two different fallbacks agree only when the number is whole and fits 64 bits; ids parsed
    // from the text as integers stay exact beyond 2^53.
    const qint64 value = v.toInteger(0);
    if (value != v.toInteger(1))
        failType("integer", v);
    out = value;
}

bool Decoder::mergeWireKeys(const QJsonObject& object, const WireKeys& keys, QJsonValue* values) {
    qsizetype k = 0;
    for (auto it = object.begin(), end = object.end(); it != end; ++it) {
        const QString key = it.key();
        while (k < keys.size() && keys[k].first < key)
            ++k;
        if (k == keys.size() || keys[k].first != key)
            return false;
        values[keys[k].second] = it.value();
        ++k;
    }
    return true;
}

QVarLengthArray<Decoder::Member, 32> Decoder::convertedMembers(const QJsonObject& object) const {
    QVarLengthArray<Member, 32> members;
    for (auto it = object.begin(), end = object.end(); it != end; ++it) {
        QString key = it.key();
        if (key.contains(u'_'))
            key = camelCaseKey(key);
        members.append(Member{std::move(key), it.value()});
    }
    return members;
}

const QJsonValue* Decoder::lookup(const QVarLengthArray<Member, 32>& members, const char* name) {
    // Keys that convert to the same name: the first in the object's (sorted) key order wins.
    const QLatin1StringView wanted(name);
    for (const Member& m : members)
        if (m.key == wanted)
            return &m.value;
    return nullptr;
}

} // namespace quelvio::APIJSON
