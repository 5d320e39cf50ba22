#include "setup/SetupFields.h"

#include "core/io/TextFile.h"

namespace zep {

std::optional<QString> referenceFileNameRefusal(const QString &number) {
    const QString n = number.trimmed();
    // The log file is the number followed by ".txt": "." or ".." would name the directory
    // itself or its parent, and these characters a folder, a drive or a device.
    if (n == QLatin1String(".") || n == QLatin1String(".."))
        return setupMessages::invalidNumber;
    for (const QChar c : n) {
        if (c.unicode() < 32 || c.unicode() == 127)
            return setupMessages::invalidNumber;
        if (QStringView(u"/\\:*?\"<>|").contains(c))
            return setupMessages::forbiddenCharacters;
    }
    return std::nullopt;
}

std::optional<QString> setupFieldRefusal(const SetupFieldRule &rule, const QString &text) {
    if (text.trimmed().size() > rule.maximum)
        return rule.lengthMessage;
    if (!rule.emptyMessage.isEmpty() && text.isEmpty())
        return rule.emptyMessage;
    if (rule.referenceNumber) {
        const QString number = text.trimmed();
        // A number of blanks alone would be kept as nothing at all: no reference, and a log
        // file called ".txt".
        if (number.isEmpty())
            return setupMessages::numberMandatory;
        if (number.front() >= QLatin1Char('0') && number.front() <= QLatin1Char('9'))
            return setupMessages::digitFirst;
        if (auto refusal = referenceFileNameRefusal(number))
            return refusal;
    }
    if (!cp1252::canEncode(text))
        return unencodableMessage(text);
    return std::nullopt;
}

} // namespace zep
