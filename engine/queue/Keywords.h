#pragma once

#include <QLatin1String>
#include <QString>

#include <cstddef>
#include <optional>

namespace velmora {

// One word that names a value, as typed on the command line or stored in the settings.
template <typename Value> struct Keyword {
    Value value;
    QLatin1String text;
};

// Exact: the word as the table has it. Loose: in any case, with spaces around it.
enum class KeywordMatch { Exact, Loose };

// The value whose word `text` is; none for any other text.
template <typename Value, std::size_t N>
std::optional<Value> ParseKeyword(const QString& text, const Keyword<Value> (&keywords)[N],
                                  KeywordMatch match = KeywordMatch::Loose) {
    const bool loose = match == KeywordMatch::Loose;
    const QString word = loose ? text.trimmed() : text;
    for (const Keyword<Value>& keyword : keywords)
        if (word.compare(keyword.text, loose ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0)
            return keyword.value;
    return std::nullopt;
}

// The word for `value`; empty when the table has none.
template <typename Value, std::size_t N>
QString KeywordText(Value value, const Keyword<Value> (&keywords)[N]) {
    for (const Keyword<Value>& keyword : keywords)
        if (keyword.value == value)
            return QString(keyword.text);
    return {};
}

} // namespace velmora
