#pragma once

#include "Models/AccountRecords.h"
#include "PanelText.h"

#include <QString>
#include <QTimeZone>
#include <optional>

// The texts of the settings, account and administration views.
namespace quelvio::AccountText {

// "超管", "会员" or "普通", from the role word alone.
QString roleLabel(const QString& role);
// The capsule next to the signed-in user's name, and its colour.
QString memberBadge(bool isMember);
PanelText::ColorRole memberBadgeColor(bool isMember);
// Only non-administrators can be moved between the ordinary and member roles.
bool offersRoleButtons(const User& user);

// "code  ·  used/max  ·  note", the note reading "无备注" when there is none.
QString codeLine(const RedeemCode& code);

QString reportKind(const QString& kind);
// A report's badge is drawn in danger, a thumbs-down's in warning (from the wire kind).
PanelText::ColorRole reportKindColor(const QString& kind);
QString reportTarget(const QString& targetType);
QString reportNote(const std::optional<QString>& note);
// "subject  ·  note", or the note alone when the reported item has no name.
QString reportLine(const QString& subject, const QString& note);
QString reportTime(const std::optional<QString>& createdAt, const QTimeZone& timeZone);

// The key as stored: surrounding whitespace and newlines dropped; nothing left stores no key.
std::optional<QString> storedAPIKey(const QString& fieldText);
QString apiKeySavedBanner(const std::optional<QString>& stored);
QString baseURLSavedBanner();

// The full-scrape button while a scrape of any kind runs, and otherwise.
QString scrapeAllTitle(bool busy);

} // namespace quelvio::AccountText
