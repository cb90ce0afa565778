#include "classic/ReadyScript.h"

#include "classic/WkhtmltopdfReport.h"
#include "render/PageLoading.h"

#include <algorithm>

namespace velmora {

namespace {

// The converter waits this long after a document's load before it runs the script, unless told otherwise.
constexpr int kConverterDelayMs = 200;
// A screen: the converter's window is as high as the whole page, which it still scrolls; as the page then
// never moves near its end, each step also tells it that it scrolled. At the end the page is given half a
// second to grow (content it fetched on the way).
constexpr int kScrollStepPx = 600;

// The converter's WebKit predates arrow functions, promises and intersection observers. Every step ends
// in ready(), also after an error, since the converter waits for the status for good.
const char* const kScript = R"((function () {
  var begun = new Date().getTime();
  var selector = %1, expression = %2, openDetails = %3, scroll = %4, notBefore = begun + %5;
  function tell(what) { console.log('%6' + what); }
  function ready() { try { %7 } finally { window.status = '%8'; } }
  function found() {
    if (selector) { try { if (!document.querySelector(selector)) return 'element'; } catch (e) { return 'element'; } }
    if (expression) { try { if (!(0, eval)('!!(' + expression + '\n)')) return 'expression'; } catch (e) { return 'expression'; } }
    return '';
  }
  function scrolled() {
    var event = document.createEvent('UIEvents');
    event.initEvent('scroll', false, false);
    window.dispatchEvent(event);
  }
  function prepare() {
    var details = document.getElementsByTagName('details');
    for (var i = 0; openDetails && i < details.length; ++i) details[i].setAttribute('open', '');
    if (!scroll) return finish();
    var y = 0, lastHeight = -1, still = 0;
    (function step() { try {
      var height = Math.max(document.documentElement.scrollHeight, document.body ? document.body.scrollHeight : 0);
      if (y >= %9 || new Date().getTime() - begun >= %10) { window.scrollTo(0, 0); return finish(); }
      if (y + %11 >= height) {
        if (height === lastHeight && ++still >= 5) { window.scrollTo(0, 0); return finish(); }
        if (height !== lastHeight) still = 0;
        lastHeight = height;
        scrolled();
        return setTimeout(step, 100);
      }
      y += %11;
      window.scrollTo(0, y);
      scrolled();
      setTimeout(step, 20);
    } catch (e) { ready(); } })();
  }
  function finish() { setTimeout(ready, Math.max(0, notBefore - new Date().getTime())); }
  var waitingFor = null;
  (function wait() {
    try {
      var missing = found();
      if (missing !== waitingFor) tell(missing);
      waitingFor = missing;
      if (missing) return setTimeout(wait, 50);
      prepare();
    } catch (e) { ready(); }
  })();
})();)";

} // namespace

QStringList ReadyArguments(const RenderRequest& request, const QString& shownScript) {
    const PageLoading& loading = request.page.loading;
    QStringList arguments;
    if (loading.delayMs > 0)
        arguments << QStringLiteral("--javascript-delay") << QString::number(loading.delayMs);
    // As data, the style reaches the converter without naming a file the page could then read.
    if (const QString style = UserStyle(loading, nullptr); !style.isEmpty())
        arguments << QStringLiteral("--user-style-sheet")
                  << QStringLiteral("data:text/css;charset=utf-8;base64,") +
                         QString::fromLatin1(style.toUtf8().toBase64());
    if (!request.localRoot.isEmpty())
        return arguments;
    const int delay = loading.delayMs > 0 ? loading.delayMs : kConverterDelayMs;
    const auto number = [](int value) { return QString::number(value); };
    const auto flag = [](bool on) { return on ? QStringLiteral("true") : QStringLiteral("false"); };
    // One pass, so that nothing the user typed is read as a placeholder.
    const QString script = QString::fromLatin1(kScript).arg(
        loading.waitFor.isEmpty() ? QStringLiteral("''") : JsString(loading.waitFor),
        loading.waitUntil.isEmpty() ? QStringLiteral("''") : JsString(loading.waitUntil),
        flag(loading.openDetails), flag(loading.scroll), number(std::max(0, kLateRedirectMs - delay)),
        kWaitingMarker, shownScript, kReadyStatus, number(kScrollMaxHeightPx), number(kScrollLimitMs),
        number(kScrollStepPx));
    arguments << QStringLiteral("--debug-javascript") << QStringLiteral("--window-status") << kReadyStatus
              << QStringLiteral("--run-script") << shownScript + script;
    return arguments;
}

QString LocalDocumentProblem(const PageLoading& loading) {
    QStringList what;
    if (loading.openDetails)
        what << QStringLiteral("open collapsed sections");
    if (!loading.waitFor.isEmpty())
        what << QStringLiteral("wait for an element");
    if (!loading.waitUntil.isEmpty())
        what << QStringLiteral("wait for an expression");
    if (what.isEmpty())
        return {};
    return QStringLiteral(
               "The Classic engine runs no script in local documents, so it cannot %1 in one; choose "
               "the Modern engine for it.")
        .arg(what.join(QStringLiteral(" or ")));
}

} // namespace velmora
