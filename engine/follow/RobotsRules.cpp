#include "follow/RobotsRules.h"

#include <QRegularExpression>
#include <QStringList>

namespace velmora {

namespace {

const QString kOwnAgent = QStringLiteral("velmora");

bool Matches(const QString& pattern, const QString& path) {
    const bool anchored = pattern.endsWith(QLatin1Char('$'));
    QString expression = QRegularExpression::escape(anchored ? pattern.chopped(1) : pattern);
    expression.replace(QStringLiteral("\\*"), QStringLiteral(".*"));
    const QRegularExpression rule(QLatin1Char('^') + expression +
                                  (anchored ? QStringLiteral("$") : QString()));
    return rule.match(path).hasMatch();
}

} // namespace

RobotsRules RobotsRules::Parse(const QByteArray& text) {
    // Groups as (agents, rules); consecutive User-agent lines share the rules that follow them.
    struct Group {
        QStringList agents;
        QList<Rule> rules;
    };
    QList<Group> groups;
    bool inAgents = false;
    for (const QByteArray& rawLine : text.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).section(QLatin1Char('#'), 0, 0).trimmed();
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0)
            continue;
        const QString field = line.left(colon).trimmed().toLower();
        const QString value = line.mid(colon + 1).trimmed();
        if (field == QLatin1String("user-agent")) {
            if (!inAgents)
                groups.append(Group());
            groups.last().agents.append(value.toLower());
            inAgents = true;
        } else if (field == QLatin1String("allow") || field == QLatin1String("disallow")) {
            inAgents = false;
            // An empty Disallow allows everything, so it adds no rule.
            if (!groups.isEmpty() && !value.isEmpty())
                groups.last().rules.append({value, field == QLatin1String("allow")});
        }
    }
    RobotsRules own, everyone;
    bool haveOwn = false;
    for (const Group& group : groups) {
        for (const QString& agent : group.agents) {
            if (agent == QLatin1String("*")) {
                everyone.m_rules += group.rules;
            } else if (agent.startsWith(kOwnAgent)) {
                own.m_rules += group.rules;
                haveOwn = true;
            }
        }
    }
    return haveOwn ? own : everyone;
}

RobotsRules RobotsRules::DisallowAll() {
    RobotsRules rules;
    rules.m_rules.append({QStringLiteral("/"), false});
    return rules;
}

bool RobotsRules::Allows(const QString& pathAndQuery) const {
    qsizetype longest = -1;
    bool allowed = true;
    for (const Rule& rule : m_rules) {
        if (!Matches(rule.pattern, pathAndQuery))
            continue;
        if (rule.pattern.size() > longest || (rule.pattern.size() == longest && rule.allow)) {
            longest = rule.pattern.size();
            allowed = rule.allow;
        }
    }
    return allowed;
}

} // namespace velmora
