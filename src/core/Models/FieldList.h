#pragma once

#include <QString>
#include <optional>
#include <tuple>

// Every wire record lists its fields exactly once, as a static fields() tuple of these
// descriptors; the generic coders in APIJSON walk that list. The name is the field's own
// camel-case name: the wire key is always derived from it, never written by hand.
namespace quelvio::json {

enum class Leniency {
    Strict,
    // Accepts a string or any number (written as decimal text); anything else reads as absent.
    TextOrNumber,
};

template <typename Record, typename Member, Leniency L = Leniency::Strict>
struct Field {
    static constexpr Leniency leniency = L;
    const char* name;
    Member Record::*member;
};

template <typename Record, typename Member>
constexpr Field<Record, Member> field(const char* name, Member Record::*member) {
    return {name, member};
}

template <typename Record>
constexpr Field<Record, std::optional<QString>, Leniency::TextOrNumber>
lenientText(const char* name, std::optional<QString> Record::*member) {
    return {name, member};
}

template <typename T>
concept Record = requires {
    T::fields();
};

// Calls fn(descriptor) for every field of the record, in declaration order.
template <Record T, typename Fn>
constexpr void forEachField(Fn&& fn) {
    std::apply([&](const auto&... f) { (fn(f), ...); }, T::fields());
}

} // namespace quelvio::json
