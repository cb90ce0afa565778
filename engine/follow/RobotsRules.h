#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace velmora {

// What a site's robots.txt lets this program read: the group for its own name ("velmora") where the
// file has one, else the group for every robot ("*"). The longest matching rule decides, Allow on a
// tie; "*" in a rule matches any run of characters and a final "$" the end of the address.
class RobotsRules {
public:
    static RobotsRules Parse(const QByteArray& text);
    static RobotsRules AllowAll() { return {}; }
    static RobotsRules DisallowAll();

    // `pathAndQuery` as the address has it, starting with "/".
    bool Allows(const QString& pathAndQuery) const;

private:
    struct Rule {
        QString pattern;
        bool allow = false;
    };
    QList<Rule> m_rules;
};

} // namespace velmora
