#pragma once

#include "APIJSON.h"
#include "Models.h"

#include <QTest>

// Records with every field set, each field to a value of its own, so that a field read under
// another field's key shows up as a wrong value.
namespace quelvio::samples {

using namespace Qt::StringLiterals;

inline Source fullSource() {
    return Source{7,
                  u"hub"_s,
                  u"Hub Store"_s,
                  u"hub.example"_s,
                  u"hub.example/home"_s,
                  u"hub.example/p"_s,
                  u"shopify"_s,
                  true,
                  false,
                  u"alice"_s,
                  3600,
                  0.5,
                  u"generic"_s};
}

inline Product fullProduct() {
    Product p;
    p.id = 9007199254740993; // 2^53 + 1: not representable as a double
    p.externalKey = u"ext-1"_s;
    p.name = u"ChatGPT Plus 月卡"_s;
    p.category = u"codex"_s;
    p.productUrl = u"hub.example/p/1"_s;
    p.currency = u"CNY"_s;
    p.unit = u"month"_s;
    p.isActive = true;
    p.price = u"12.50"_s;
    p.outputPrice = u"30"_s;
    p.compareAtPrice = u"15"_s;
    p.capturedAt = u"2025-03-04T05:06:07Z"_s;
    p.firstSeenAt = u"2025-03-01T00:00:00Z"_s;
    p.lastSeenAt = u"2025-03-04T05:06:07.123Z"_s;
    p.source = fullSource();
    p.metadata = ProductMetadata{u"12"_s, u"AI 账号"_s, u"plus"_s};
    p.my = ReactionFlags{true, false, true};
    p.changePct = -3.25;
    p.oldPrice = u"13"_s;
    p.periodLowPrice = u"11.9"_s;
    p.periodLowDays = 7;
    p.inStock = false;
    p.isNew = true;
    p.isMoved = false;
    p.atPeriodLow = true;
    p.favoriteScore = 4;
    p.downScore = 1;
    p.goodwill = -2;
    return p;
}

// The wire form of a record, both ways: the text decodes to the value, and the value encodes to
// the same JSON object (same keys, same values).
template <typename T>
void verifyWireForm(const QByteArray& json, const T& value) {
    try {
        QCOMPARE(APIJSON::decode<T>(json), value);
    } catch (const APIJSON::DecodingError& e) {
        QFAIL(qPrintable(e.message()));
    }
    QCOMPARE(QJsonDocument::fromJson(APIJSON::encode(value)), QJsonDocument::fromJson(json));
}

// Decodes text that must fail and returns the failure's message.
template <typename T>
QString decodingFailure(const QByteArray& json) {
    try {
        APIJSON::decode<T>(json);
    } catch (const APIJSON::DecodingError& e) {
        return e.message();
    }
    return {};
}

} // namespace quelvio::samples
