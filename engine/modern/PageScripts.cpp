#include "modern/PageScripts.h"

namespace velmora::page_scripts {

namespace {

const QString kWatchKey = QStringLiteral("Symbol.for('velmora.pageWatch')");

} // namespace

// A string handler (setTimeout("code", ms)) stays noted until it is due.
QString PageWatch() {
    return QStringLiteral(R"((() => {
  const key = %1;
  if (window[key]) return;
  const watch = {timers: new Map(), watchesScrolling: false};
  Object.defineProperty(window, key, {value: watch});
  const set = window.setTimeout, clear = window.clearTimeout;
  window.setTimeout = function (handler, ms, ...rest) {
    const delay = Number(ms) || 0;
    let id;
    const run = typeof handler === 'function'
      ? function (...args) { watch.timers.delete(id); return handler.apply(this, args); } : handler;
    id = set.call(window, run, ms, ...rest);
    if (delay <= %2) watch.timers.set(id, performance.now() + delay);
    return id;
  };
  window.clearTimeout = function (id) { watch.timers.delete(id); return clear.call(window, id); };
  if (window.IntersectionObserver) {
    const Observer = window.IntersectionObserver;
    window.IntersectionObserver = class extends Observer {
      constructor(...args) { super(...args); watch.watchesScrolling = true; }
    };
  }
  const listen = EventTarget.prototype.addEventListener;
  EventTarget.prototype.addEventListener = function (type, ...rest) {
    if (type === 'scroll' || type === 'wheel') watch.watchesScrolling = true;
    return listen.call(this, type, ...rest);
  };
})())")
        .arg(kWatchKey)
        .arg(kLateRedirectMs);
}

QJsonObject Evaluation(const QString& expression) {
    return {{QStringLiteral("expression"), expression},
            {QStringLiteral("returnByValue"), true},
            {QStringLiteral("awaitPromise"), true}};
}

QString PendingRedirectMs() {
    return QStringLiteral(R"((() => {
  const watch = window[%1];
  const now = performance.now();
  const entry = performance.getEntriesByType('navigation')[0];
  const loaded = entry && entry.loadEventEnd ? entry.loadEventEnd : now;
  const limit = loaded + %2;
  let due = 0;
  if (watch)
    for (const at of watch.timers.values())
      if (at > now && at <= limit) due = Math.max(due, at);
  const refresh = document.querySelector('meta[http-equiv="refresh" i]');
  const seconds = refresh ? parseFloat(refresh.content) : NaN;
  if (seconds >= 0 && seconds * 1000 <= %2) due = Math.max(due, Math.min(limit, loaded + seconds * 1000));
  return Math.max(0, Math.ceil(due - now));
})())")
        .arg(kWatchKey)
        .arg(kLateRedirectMs);
}

QString ElementExists(const QString& selector) {
    return QStringLiteral(
               "(() => { try { return !!document.querySelector(%1); } catch (e) { return 'invalid'; } })()")
        .arg(JsString(selector));
}

// The expression is read on its own first, so that one the browser cannot read fails at once, while
// one that throws (a name the page defines later) only counts as not yet true.
QString ExpressionTrue(const QString& expression) {
    return QStringLiteral(R"((() => {
  let test;
  try { test = new Function('return !!(' + %1 + '\n);'); } catch (e) { return 'invalid'; }
  try { return test(); } catch (e) { return false; }
})())")
        .arg(JsString(expression));
}

QString AddStyle(const QString& css) {
    return QStringLiteral(R"((() => {
  const style = document.createElement('style');
  style.textContent = %1;
  document.documentElement.appendChild(style);
})())")
        .arg(JsString(css));
}

QString OpenDetails() {
    return QStringLiteral(
        "document.querySelectorAll('details:not([open])').forEach(d => { d.open = true; })");
}

QString WatchesScrolling() {
    return QStringLiteral(
               "(() => { const watch = window[%1]; return !watch || watch.watchesScrolling || "
               "!!(window.onscroll || document.onscroll || (document.body && document.body.onscroll)); "
               "})()")
        .arg(kWatchKey);
}

// Two frames let intersection observers and scroll handlers see the new place: they hear of it as the
// first is drawn.
QString ScrollStep() {
    return QStringLiteral(R"(new Promise(resolve => {
  const root = document.scrollingElement || document.documentElement;
  const from = window.scrollY;
  window.scrollBy(0, Math.max(100, window.innerHeight));
  const answer = () => resolve({height: root.scrollHeight, y: window.scrollY,
    end: window.scrollY <= from || window.scrollY + window.innerHeight >= root.scrollHeight - 1});
  requestAnimationFrame(() => requestAnimationFrame(answer));
  setTimeout(answer, 300);
}))");
}

QString ScrollToTop() {
    return QStringLiteral("window.scrollTo(0, 0)");
}

} // namespace velmora::page_scripts
