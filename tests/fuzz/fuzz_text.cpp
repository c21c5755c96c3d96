// The text rules that read what the server or the user wrote: dates, prices, credentials and
// the stored server address, fed arbitrary UTF-8.
#include "FuzzCheck.h"
#include "Presentation/PriceHistory.h"
#include "Presentation/ValueFormat.h"
#include "SessionStore.h"

#include <QByteArrayView>
#include <cmath>
#include <cstddef>
#include <cstdint>

using namespace quelvio;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        QString::fromUtf8(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    const std::optional<QString> input = text;
    static const QDateTime now(QDate(2025, 3, 20), QTime(12, 0), Qt::UTC);
    static const QTimeZone shanghai("Asia/Shanghai");

    if (const std::optional<QDateTime> instant = RFC3339Date::parse(input)) {
        FUZZ_CHECK(instant->isValid());
        FUZZ_CHECK(instant->timeSpec() == Qt::UTC);
        // The instant written back in the strict form reads as the same instant.
        FUZZ_CHECK(RFC3339Date::parse(instant->toString(Qt::ISODateWithMs)) == instant);
        FUZZ_CHECK(TimeFormat::utcCompact(input).size() == 11);
    }
    (void)TimeFormat::compact(input, shanghai);
    (void)TimeFormat::utcSlice(input);
    (void)CatalogAge::dayCount(input, now);

    if (const std::optional<double> price = PriceFormat::doubleValue(input))
        FUZZ_CHECK(std::isfinite(*price));
    (void)PriceFormat::display(input, input, input);

    (void)AuthValidation::isUsername(text);
    (void)AuthValidation::isPassword(text);

    const QString url = SessionSnapshot::normalized(text);
    FUZZ_CHECK(!url.isEmpty() && !url.front().isSpace());

    PriceSnapshot snapshot;
    snapshot.price = text;
    snapshot.capturedAt = text;
    (void)PeriodLow::fromHistory(now.addDays(-30).toString(Qt::ISODate), {snapshot, snapshot}, now);
    (void)PriceHistorySeries::samples({snapshot}, 1);
    return 0;
}
