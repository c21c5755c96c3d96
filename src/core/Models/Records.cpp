#include "Models/AccountRecords.h"
#include "Models/CatalogRecords.h"
#include "Models/Vocabulary.h"

#include <QHash>

namespace quelvio {

namespace {

template <typename T>
size_t hashOptional(const std::optional<T>& value, size_t seed) {
    return value ? qHashMulti(seed, true, *value) : ::qHash(false, seed);
}

} // namespace

size_t qHash(const Source& s, size_t seed) noexcept {
    using ::qHash;
    size_t h = seed;
    json::forEachField<Source>([&](const auto& f) {
        const auto& value = s.*(f.member);
        if constexpr (requires { value.has_value(); })
            h = hashOptional(value, h);
        else
            h = qHash(value, h);
    });
    return h;
}

QString User::roleLabel() const {
    if (role == UserRole::admin)
        return QStringLiteral("超管");
    if (role == UserRole::member)
        return QStringLiteral("会员");
    return QStringLiteral("普通");
}

ReactionRequest ReactionRequest::forProduct(const QString& kind, qint64 id,
                                            const std::optional<QString>& note) {
    return {kind, TargetType::product, id, std::nullopt, note};
}

ReactionRequest ReactionRequest::forSource(const QString& kind, const QString& slug,
                                           const std::optional<QString>& note) {
    return {kind, TargetType::source, std::nullopt, slug, note};
}

} // namespace quelvio
