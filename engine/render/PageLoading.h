#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace velmora {

// A page is printed once it has settled; these bring it to what a reader would see first.
inline constexpr int kMaxDelayMs = 10 * 60 * 1000;
// Content loaded as it scrolls into view: the page is brought into view a screen at a time, down to
// this height at most and for this long at most.
inline constexpr int kScrollMaxHeightPx = 100000;
inline constexpr int kScrollLimitMs = 15000;
// A page that sends the browser on (a script, a refresh) this soon after its load is followed.
inline constexpr int kLateRedirectMs = 1000;

// How a page is made ready before it is printed; part of the page setup.
struct PageLoading {
    bool scroll = true;       // bring every part of the page into view once, then back to the top
    bool openDetails = false; // open every <details>
    QString waitFor;          // a CSS selector: print once an element matches it
    QString waitUntil;        // a JavaScript expression: print once it is true
    int delayMs = 0;          // a fixed wait after the load
    QString styleFile;        // absolute path of a style sheet applied after the page's own
    QString hide;             // comma-separated CSS selectors whose elements are left out of the PDF

    // Whether the page's own script must run for these to work.
    bool NeedsScript() const { return openDetails || !waitFor.isEmpty() || !waitUntil.isEmpty(); }
    // Why these cannot be used (the style sheet cannot be read); empty when they can.
    QString Problem() const;
    friend bool operator==(const PageLoading&, const PageLoading&) = default;
};

// The selectors of a comma-separated list, each trimmed; commas inside brackets, parentheses or
// quotes stay with their selector (`a[title="x,y"]`, `:is(h1, h2)`).
QStringList SelectorList(const QString& selectors);

// The style applied after the page's own: the user's style sheet, then one rule per hidden selector (so a
// selector one engine does not know leaves the others working). Nothing when neither is set; `problem`
// says why the style sheet could not be read.
QString UserStyle(const PageLoading& loading, QString* problem);

// What a wait that never ended was waiting for, as the end of a sentence.
QString WaitForReason(const QString& selector);
QString WaitUntilReason(const QString& expression);

// `text` as a JavaScript string literal in ASCII alone (every other character as \uXXXX), safe on any
// command line and in any 8-bit console encoding.
QString JsString(const QString& text);

namespace page_text {
std::optional<int> ParseDelay(const QString& text);
inline const QString kDelayAccepts = QStringLiteral("a whole number of milliseconds from 0 to 600000");
} // namespace page_text

} // namespace velmora
