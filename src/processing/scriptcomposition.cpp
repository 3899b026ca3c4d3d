#include "processing/scriptcomposition.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<const char*, 7> FieldTokens = {":c", ":d", ":t", ":m", ":u", ":s", ":a"};

QString separatorText(int item)
{
    switch (item) {
    case 1:
        return QStringLiteral(";");
    case 2:
        return QStringLiteral(":#09");
    case 3:
        return QStringLiteral(":#0D:#0A");
    default:
        return QString();
    }
}

} // namespace

QString composeScript(const QString& sendFields, int betweenFields, int afterFields)
{
    const QString between = separatorText(betweenFields);
    const int count = int(std::min<qsizetype>(sendFields.size(), qsizetype(FieldTokens.size())));
    QString script;
    for (int i = 0; i < count; ++i) {
        const bool last = i == count - 1;
        if (sendFields.at(i) == u'1') {
            script += QLatin1String(FieldTokens[std::size_t(i)]);
            if (!last)
                script += between;
        }
    }
    // With no fields listed at all nothing closes the script either.
    if (count > 0)
        script += separatorText(afterFields);
    return script;
}
