#include "PageLoadingOptions.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace velmora {

namespace {

const QString kScroll = QStringLiteral("scroll");
const QString kNoScroll = QStringLiteral("no-scroll");
const QString kOpenDetails = QStringLiteral("open-details");
const QString kNoOpenDetails = QStringLiteral("no-open-details");
const QString kWaitFor = QStringLiteral("wait-for");
const QString kWaitUntil = QStringLiteral("wait-until");
const QString kDelay = QStringLiteral("delay");
const QString kStyle = QStringLiteral("style");
const QString kHide = QStringLiteral("hide");

using Change = std::function<void(PageSetup&)>;

QString Last(const QCommandLineParser& parser, const QString& option) {
    return parser.values(option).constLast();
}

// An on/off pair: the change, or the error for both given.
QString ReadSwitch(const QCommandLineParser& parser, const QString& on, const QString& off,
                   bool PageLoading::*member, QList<Change>& changes) {
    if (parser.isSet(on) && parser.isSet(off))
        return QStringLiteral("--%1 and --%2 cannot both be given.").arg(on, off);
    if (parser.isSet(on) || parser.isSet(off)) {
        const bool value = parser.isSet(on);
        changes.append([member, value](PageSetup& page) { page.loading.*member = value; });
    }
    return {};
}

} // namespace

void AddPageLoadingOptions(QCommandLineParser& parser) {
    parser.addOptions({
        {kScroll, {}},
        {kNoScroll, {}},
        {kOpenDetails, {}},
        {kNoOpenDetails, {}},
        {kWaitFor, {}, QStringLiteral("SELECTOR")},
        {kWaitUntil, {}, QStringLiteral("EXPRESSION")},
        {kDelay, {}, QStringLiteral("MS")},
        {kStyle, {}, QStringLiteral("FILE")},
        {kHide, {}, QStringLiteral("SELECTORS")},
    });
}

QString ReadPageLoadingOptions(const QCommandLineParser& parser, QList<Change>& changes) {
    for (const QString& error :
         {ReadSwitch(parser, kScroll, kNoScroll, &PageLoading::scroll, changes),
          ReadSwitch(parser, kOpenDetails, kNoOpenDetails, &PageLoading::openDetails, changes)})
        if (!error.isEmpty())
            return error;
    // An empty text turns a stored wait, style or hidden list off for the run.
    for (const auto& [option, member] :
         {std::pair{kWaitFor, &PageLoading::waitFor}, std::pair{kWaitUntil, &PageLoading::waitUntil},
          std::pair{kHide, &PageLoading::hide}}) {
        if (parser.isSet(option))
            changes.append([member, text = Last(parser, option).trimmed()](PageSetup& page) {
                page.loading.*member = text;
            });
    }
    if (parser.isSet(kDelay)) {
        const std::optional<int> delay = page_text::ParseDelay(Last(parser, kDelay));
        if (!delay)
            return QStringLiteral("--delay takes %1, not \"%2\".")
                .arg(page_text::kDelayAccepts, Last(parser, kDelay));
        changes.append([ms = *delay](PageSetup& page) { page.loading.delayMs = ms; });
    }
    if (parser.isSet(kStyle)) {
        const QString file = Last(parser, kStyle);
        const QFileInfo info(file);
        if (!file.isEmpty() && !(info.isFile() && info.isReadable()))
            return QStringLiteral("--style takes a readable style sheet file, not \"%1\".").arg(file);
        changes.append([path = file.isEmpty() ? QString() : info.absoluteFilePath()](PageSetup& page) {
            page.loading.styleFile = path;
        });
    }
    return {};
}

QString PageLoadingHelp() {
    return QStringLiteral(
        "  --scroll, --no-scroll\n"
        "                     bring every part of the page into view once before printing, so that\n"
        "                     content loaded as it scrolls into view is there (on by default)\n"
        "  --open-details, --no-open-details\n"
        "                     open every collapsed section (<details>) before printing\n"
        "  --wait-for SELECTOR\n"
        "                     print once an element matching the CSS selector exists\n"
        "  --wait-until EXPRESSION\n"
        "                     print once the JavaScript expression is true\n"
        "  --delay MS         wait this many milliseconds after the page's load\n"
        "                     (each wait ends with the row's time limit, which then fails the row)\n"
        "  --style FILE       a style sheet of your own, applied after the page's own (\"\" for none)\n"
        "  --hide SELECTORS   comma-separated CSS selectors whose elements are left out, e.g.\n"
        "                     \"#cookie-banner, .chat-widget\" (\"\" for none)\n");
}

} // namespace velmora
