#pragma once

#include <QStringView>
#include <optional>

namespace quelvio {

// Parses the raw value of an enumeration, case-sensitively; anything else gives no value. Each
// enumeration with raw values specialises it next to its rawValue().
template <typename Enum>
std::optional<Enum> fromRawValue(QStringView raw);

} // namespace quelvio
