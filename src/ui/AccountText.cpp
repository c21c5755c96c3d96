#include "AccountText.h"

#include "Models/Vocabulary.h"
#include "Presentation/ValueFormat.h"

namespace quelvio::AccountText {

QString roleLabel(const QString& role) {
    User user;
    user.role = role;
    return user.roleLabel();
}

QString memberBadge(bool isMember) {
    return isMember ? QStringLiteral("会员") : QStringLiteral("普通用户");
}

PanelText::ColorRole memberBadgeColor(bool isMember) {
    return isMember ? PanelText::ColorRole::success : PanelText::ColorRole::accent;
}

bool offersRoleButtons(const User& user) {
    return user.role != UserRole::admin && !user.isAdmin;
}

QString codeLine(const RedeemCode& code) {
    const QString uses =
        QString::number(code.usedCount.value_or(0)) + u'/' + QString::number(code.maxUses.value_or(0));
    const QString note = code.note && !code.note->isEmpty() ? *code.note : QStringLiteral("无备注");
    return QStringList{code.code, uses, note}.join(QStringLiteral("  ·  "));
}

QString reportKind(const QString& kind) {
    if (kind == ReactKind::report)
        return QStringLiteral("举报");
    if (kind == ReactKind::down)
        return QStringLiteral("踩");
    return kind;
}

PanelText::ColorRole reportKindColor(const QString& kind) {
    return kind == ReactKind::report ? PanelText::ColorRole::danger : PanelText::ColorRole::warning;
}

QString reportTarget(const QString& targetType) {
    if (targetType == TargetType::product)
        return QStringLiteral("商品");
    if (targetType == TargetType::source)
        return QStringLiteral("店铺");
    return targetType;
}

QString reportNote(const std::optional<QString>& note) {
    return note && !note->isEmpty() ? *note : QStringLiteral("—");
}

QString reportLine(const QString& subject, const QString& note) {
    return subject.isEmpty() ? note : subject + QStringLiteral("  ·  ") + note;
}

QString reportTime(const std::optional<QString>& createdAt, const QTimeZone& timeZone) {
    return TimeFormat::compact(createdAt, timeZone);
}

std::optional<QString> storedAPIKey(const QString& fieldText) {
    const QString trimmed = fieldText.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    return trimmed;
}

QString apiKeySavedBanner(const std::optional<QString>& stored) {
    return stored ? QStringLiteral("已保存 API Key") : QStringLiteral("已清除 API Key");
}

QString baseURLSavedBanner() {
    return QStringLiteral("已保存地址");
}

QString scrapeAllTitle(bool busy) {
    return busy ? QStringLiteral("更新中…") : QStringLiteral("全部更新");
}

} // namespace quelvio::AccountText
