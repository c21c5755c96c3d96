// The text rules that read what the server or the user wrote: dates, prices, credentials and
// the stored server address, fed arbitrary UTF-8; and the chart's axis over whatever prices that
// text (or the raw bytes as two doubles) gives.
#include "FuzzCheck.h"
#include "Presentation/PriceAxis.h"
#include "Presentation/PriceHistory.h"
#include "Presentation/ValueFormat.h"
#include "SessionStore.h"

#include <QByteArrayView>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

using namespace quelvio;

namespace {

// Any finite prices give a handful of finite ticks and finite positions.
void checkAxis(const QList<PriceHistorySample>& samples) {
    const PriceAxis::Scale scale(samples, QRectF(0, 0, 300, 100));
    FUZZ_CHECK(scale.ticks().size() <= 12);
    for (double tick : scale.ticks())
        FUZZ_CHECK(std::isfinite(tick));
    for (const PriceHistorySample& sample : samples)
        FUZZ_CHECK(std::isfinite(scale.y(sample.price)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        QString::fromUtf8(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    const std::optional<QString> input = text;
    static const QDateTime now(QDate(2025, 3, 20), QTime(12, 0), Qt::UTC);
    static const QTimeZone shanghai("Asia/Shanghai");

    if (const std::optional<QDateTime> instant = RFC3339Date::parse(input)) {
        FUZZ_CHECK(instant->isValid());
        FUZZ_CHECK(instant->timeSpec() == Qt::UTC);
        // The instant written back in the strict form reads as the same instant, where the form
        // can write it: an offset can move the instant out of the years 0001-9999.
        const int year = instant->date().year();
        if (year >= 1 && year <= 9999)
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

    PriceSnapshot other = snapshot;
    other.price = QStringLiteral("-") + text;
    other.capturedAt = QStringLiteral("2025-03-21T00:00:00Z");
    checkAxis(PriceHistorySeries::samples({snapshot, other}, 80));
    if (size >= 2 * sizeof(double)) {
        double prices[2];
        std::memcpy(prices, data, sizeof prices);
        if (std::isfinite(prices[0]) && std::isfinite(prices[1])) {
            const QDateTime start(QDate(2025, 3, 1), QTime(0, 0), Qt::UTC);
            checkAxis({{1, start, prices[0], {}, {}}, {2, start.addDays(1), prices[1], {}, {}}});
        }
    }
    return 0;
}
