#pragma once

#include "Models/CatalogRecords.h"
#include "Models/FieldList.h"

#include <QString>
#include <optional>
#include <tuple>

// Everything on the wire that is not catalogue: health, errors, accounts, reactions, redeem codes,
// shop requests, and the request bodies the client sends.
namespace quelvio {

struct Health {
    QString status{};
    std::optional<QString> service{};
    std::optional<QString> time{};

    bool operator==(const Health&) const = default;
    static constexpr auto fields() {
        using json::field;
        return std::tuple{field("status", &Health::status), field("service", &Health::service),
                          field("time", &Health::time)};
    }
};

// The body of a failed reply; its text is shown to the user.
struct APIErrorBody {
    QString error{};

    bool operator==(const APIErrorBody&) const = default;
    static constexpr auto fields() { return std::tuple{json::field("error", &APIErrorBody::error)}; }
};

// An acknowledgement. Nobody reads ok, so an empty object is a valid reply.
struct OkResponse {
    std::optional<bool> ok{};

    bool operator==(const OkResponse&) const = default;
    static constexpr auto fields() { return std::tuple{json::field("ok", &OkResponse::ok)}; }
};

struct User {
    qint64 id = 0;
    QString username{};
    QString role{};
    bool isMember = false;
    bool isAdmin = false;
    std::optional<QString> createdAt{};

    // Chosen from role alone and case-sensitively: the flags do not decide the label.
    QString roleLabel() const;

    bool operator==(const User&) const = default;
    static constexpr auto fields() {
        using json::field;
        return std::tuple{field("id", &User::id),           field("username", &User::username),
                          field("role", &User::role),       field("isMember", &User::isMember),
                          field("isAdmin", &User::isAdmin), field("createdAt", &User::createdAt)};
    }
};

// The reply of registration and login.
struct AuthSession {
    User user{};
    QString token{};
    std::optional<QString> redeemWarning{};

    bool operator==(const AuthSession&) const = default;
    static constexpr auto fields() {
        using json::field;
        return std::tuple{field("user", &AuthSession::user), field("token", &AuthSession::token),
                          field("redeemWarning", &AuthSession::redeemWarning)};
    }
};

struct UserEnvelope {
    User user{};

    bool operator==(const UserEnvelope&) const = default;
    static constexpr auto fields() { return std::tuple{json::field("user", &UserEnvelope::user)}; }
};

struct AuthCredentials {
    QString username{};
    QString password{};
    std::optional<QString> redeemCode{};

    bool operator==(const AuthCredentials&) const = default;
    static constexpr auto fields() {
        using json::field;
        return std::tuple{field("username", &AuthCredentials::username),
                          field("password", &AuthCredentials::password),
                          field("redeemCode", &AuthCredentials::redeemCode)};
    }
};

struct RedeemRequest {
    QString code{};

    bool operator==(const RedeemRequest&) const = default;
    static constexpr auto fields() { return std::tuple{json::field("code", &RedeemRequest::code)}; }
};

// One mark of a user on a product or a shop.
struct Reaction {
    qint64 id = 0;
    QString kind{};
    QString targetType{};
    std::optional<QString> note{};
    std::optional<QString> createdAt{};
    std::optional<Source> source{};
    std::optional<Product> product{};
    std::optional<qint64> productId{};

    bool operator==(const Reaction&) const = default;
    static constexpr auto fields() {
        using json::field;
        return std::tuple{field("id", &Reaction::id),
                          field("kind", &Reaction::kind),
                          field("targetType", &Reaction::targetType),
                          field("note", &Reaction::note),
                          field("createdAt", &Reaction::createdAt),
                          field("source", &Reaction::source),
                          field("product", &Reaction::product),
                          field("productId", &Reaction::productId)};
    }
};

struct ReactionEnvelope {
    Reaction item{};

    bool operator==(const ReactionEnvelope&) const = default;
    static constexpr auto fields() { return std::tuple{json::field("item", &ReactionEnvelope::item)}; }
};

struct ReactionRequest {
    QString kind{};
    QString targetType{};
    std::optional<qint64> productId{};
    std::optional<QString> source{};
    std::optional<QString> note{};

    // A mark on a product: no shop slug is sent.
    static ReactionRequest forProduct(const QString& kind, qint64 id,
                                      const std::optional<QString>& note = {});
    // A mark on a shop, named by its slug: no product id is sent.
    // (Named apart from the source field, which C++ cannot share a name with.)
    static ReactionRequest forSource(const QString& kind, const QString& slug,
                                     const std::optional<QString>& note = {});

    bool operator==(const ReactionRequest&) const = default;
    static constexpr auto fields() {
        using json::field;
        return std::tuple{field("kind", &ReactionRequest::kind),
                          field("targetType", &ReactionRequest::targetType),
                          field("productId", &ReactionRequest::productId),
                          field("source", &ReactionRequest::source), field("note", &ReactionRequest::note)};
    }
};

// A membership code as the administrator sees it.
struct RedeemCode {
    qint64 id = 0;
    QString code{};
    std::optional<QString> role{};
    std::optional<qint64> maxUses{};
    std::optional<qint64> usedCount{};
    std::optional<QString> note{};
    std::optional<QString> createdAt{};
    std::optional<QString> expiresAt{};

    bool operator==(const RedeemCode&) const = default;
    static constexpr auto fields() {
        using json::field;
        return std::tuple{field("id", &RedeemCode::id),
                          field("code", &RedeemCode::code),
                          field("role", &RedeemCode::role),
                          field("maxUses", &RedeemCode::maxUses),
                          field("usedCount", &RedeemCode::usedCount),
                          field("note", &RedeemCode::note),
                          field("createdAt", &RedeemCode::createdAt),
                          field("expiresAt", &RedeemCode::expiresAt)};
    }
};

struct RedeemCodeEnvelope {
    RedeemCode item{};

    bool operator==(const RedeemCodeEnvelope&) const = default;
    static constexpr auto fields() { return std::tuple{json::field("item", &RedeemCodeEnvelope::item)}; }
};

// Every field is optional, so an empty object asks the server to choose everything.
struct CreateCodeRequest {
    std::optional<QString> code{};
    std::optional<qint64> maxUses{};
    std::optional<QString> expiresAt{};
    std::optional<QString> note{};

    bool operator==(const CreateCodeRequest&) const = default;
    static constexpr auto fields() {
        using json::field;
        return std::tuple{
            field("code", &CreateCodeRequest::code), field("maxUses", &CreateCodeRequest::maxUses),
            field("expiresAt", &CreateCodeRequest::expiresAt), field("note", &CreateCodeRequest::note)};
    }
};

struct SetRoleRequest {
    QString role{};

    bool operator==(const SetRoleRequest&) const = default;
    static constexpr auto fields() { return std::tuple{json::field("role", &SetRoleRequest::role)}; }
};

// A request that the server start tracking a shop.
struct SourceRequest {
    QString url{};
    std::optional<QString> name{};

    bool operator==(const SourceRequest&) const = default;
    static constexpr auto fields() {
        using json::field;
        return std::tuple{field("url", &SourceRequest::url), field("name", &SourceRequest::name)};
    }
};

struct SourceRequestEnvelope {
    Source item{};

    bool operator==(const SourceRequestEnvelope&) const = default;
    static constexpr auto fields() { return std::tuple{json::field("item", &SourceRequestEnvelope::item)}; }
};

// The 409 body when the requested shop is already known.
struct SourceConflictBody {
    QString error{};
    std::optional<Source> item{};

    bool operator==(const SourceConflictBody&) const = default;
    static constexpr auto fields() {
        using json::field;
        return std::tuple{field("error", &SourceConflictBody::error),
                          field("item", &SourceConflictBody::item)};
    }
};

} // namespace quelvio
