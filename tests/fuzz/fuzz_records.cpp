// Every top-level reply record decoded from arbitrary bytes. Decoding either succeeds or throws
// DecodingError; whatever decodes must survive encoding and decoding again unchanged.
#include "APIJSON.h"
#include "FuzzCheck.h"
#include "Models.h"
#include "StreamEvents.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

using namespace quelvio;

namespace {

template <typename T>
void decodeAs(const QByteArray& bytes) {
    T value;
    try {
        value = APIJSON::decode<T>(bytes);
    } catch (const APIJSON::DecodingError& error) {
        FUZZ_CHECK(!error.message().isEmpty());
        return;
    }
    // Text the writer cannot carry (a lone surrogate) may change once; after that it is stable.
    const QByteArray encoded = APIJSON::encode(value);
    T again;
    try {
        again = APIJSON::decode<T>(encoded);
    } catch (const APIJSON::DecodingError&) {
        FUZZ_CHECK(!"an encoded record no longer decodes");
    }
    FUZZ_CHECK(APIJSON::encode(again) == encoded);
}

template <typename... T>
void decodeAll(const QByteArray& bytes) {
    (decodeAs<T>(bytes), ...);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    decodeAll<ItemList<Product>, ItemList<Source>, ItemList<ProductCategory>, ItemList<PriceSnapshot>,
              ItemList<PriceChange>, ItemList<ScrapeRun>, ItemList<Reaction>, ItemList<User>,
              ItemList<RedeemCode>, Product, Health, AuthSession, UserEnvelope, ReactionEnvelope,
              RedeemCodeEnvelope, SourceRequestEnvelope, SourceConflictBody, ScrapeResult, OkResponse,
              APIErrorBody, StreamMessage>(bytes);
    return 0;
}
