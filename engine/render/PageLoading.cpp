#include "render/PageLoading.h"

#include <QFile>

namespace velmora {

namespace {

// A style sheet is text a person wrote; anything this large is not one.
constexpr qint64 kMaxStyleBytes = 1024 * 1024;

} // namespace

QString PageLoading::Problem() const {
    QString problem;
    UserStyle(*this, &problem);
    return problem;
}

QStringList SelectorList(const QString& selectors) {
    QStringList list;
    QString current;
    int depth = 0;
    QChar quote;
    for (qsizetype i = 0; i < selectors.size(); ++i) {
        const QChar c = selectors.at(i);
        if (!quote.isNull()) {
            if (c == u'\\' && i + 1 < selectors.size())
                current += selectors.at(i++);
            else if (c == quote)
                quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u'(' || c == u'[') {
            ++depth;
        } else if ((c == u')' || c == u']') && depth > 0) {
            --depth;
        } else if (c == u',' && depth == 0) {
            if (!current.trimmed().isEmpty())
                list.append(current.trimmed());
            current.clear();
            continue;
        }
        current += c;
    }
    if (!current.trimmed().isEmpty())
        list.append(current.trimmed());
    return list;
}

QString UserStyle(const PageLoading& loading, QString* problem) {
    QString style;
    if (!loading.styleFile.isEmpty()) {
        QFile file(loading.styleFile);
        if (!file.open(QIODevice::ReadOnly)) {
            if (problem)
                *problem = QStringLiteral("The style sheet \"%1\" cannot be read: %2.")
                               .arg(loading.styleFile, file.errorString());
            return {};
        }
        if (file.size() > kMaxStyleBytes) {
            if (problem)
                *problem =
                    QStringLiteral("The style sheet \"%1\" is larger than 1 MB.").arg(loading.styleFile);
            return {};
        }
        style = QString::fromUtf8(file.readAll()) + u'\n';
    }
    for (const QString& selector : SelectorList(loading.hide))
        style += selector + QStringLiteral(" { display: none !important; }\n");
    return style;
}

QString WaitForReason(const QString& selector) {
    return QStringLiteral("The page never showed an element matching \"%1\".").arg(selector);
}

QString WaitUntilReason(const QString& expression) {
    return QStringLiteral("The page never made \"%1\" true.").arg(expression);
}

QString JsString(const QString& text) {
    QString literal = QStringLiteral("\"");
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'"' || u == u'\\')
            literal += QLatin1Char('\\') + QString(c);
        else if (u < 0x20 || u > 0x7e)
            literal += QStringLiteral("\\u%1").arg(uint(u), 4, 16, QLatin1Char('0'));
        else
            literal += c;
    }
    return literal + u'"';
}

namespace page_text {

std::optional<int> ParseDelay(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < 0 || value > kMaxDelayMs)
        return std::nullopt;
    return value;
}

} // namespace page_text

} // namespace velmora
