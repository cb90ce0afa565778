#pragma once

#include "RouteServer.h"

#include <QByteArray>

namespace velmora::test {

// Text each page shows only once it is ready as a reader would see it.
inline constexpr char kLastSectionText[] = "Section six THE LAST SECTION";
inline constexpr char kAnswerText[] = "HIDDEN ANSWER TEXT";
inline constexpr char kFinishedText[] = "REPORT FINISHED LATE";
inline constexpr char kArrivedText[] = "Arrived after the redirect";

// Pages for what is done to a page before it is printed, for both engines (the Classic engine's WebKit
// knows neither arrow functions nor intersection observers):
// "/endless" adds a section fetched from "/section?n=N" each time its end comes into view, six in all
// (with an intersection observer where there is one, else on scroll events);
// "/details" has a closed <details>; "/late" shows kFinishedText and sets window.reportReady after 1.5 s;
// "/styled" has a cookie banner, a chat bubble and a note; "/soon" sends the browser on to "/arrived"
// 500 ms after its load, "/refresh-soon" by a refresh after half a second.
inline void AddLoadingPages(RouteServer& server) {
    server.routes["/endless"] = {
        "200 OK", "text/html",
        "<html><head><title>Endless</title><style>section { height: 900px; }</style></head><body>"
        "<p>Top of the list</p><div id=list></div><div id=more>Loading more</div><script>"
        "var count = 0, loading = false, more = document.getElementById('more');"
        "function next() {"
        "  if (loading || count >= 6) return;"
        "  loading = true;"
        "  var request = new XMLHttpRequest();"
        "  request.open('GET', '/section?n=' + (count + 1));"
        "  request.onload = function () {"
        "    var section = document.createElement('section');"
        "    section.textContent = request.responseText;"
        "    document.getElementById('list').appendChild(section);"
        "    loading = false;"
        "    if (++count >= 6) more.textContent = 'End of the list';"
        "  };"
        "  request.send();"
        "}"
        "if (window.IntersectionObserver)"
        "  new IntersectionObserver(function (seen) { if (seen[0].isIntersecting) next(); }).observe(more);"
        "else window.addEventListener('scroll', next);"
        "</script></body></html>"};
    const char* const numbers[] = {"one", "two", "three", "four", "five"};
    for (int n = 1; n <= 5; ++n)
        server.routes[QStringLiteral("/section?n=%1").arg(n)] = {
            "200 OK", "text/plain", QByteArray("Section ") + numbers[n - 1] + " of the list"};
    server.routes["/section?n=6"] = {"200 OK", "text/plain", kLastSectionText};
    server.routes["/details"] = {"200 OK", "text/html",
                                 QByteArray("<html><body><p>Questions</p><details><summary>Show the answer"
                                            "</summary><p>") +
                                     kAnswerText + "</p></details></body></html>"};
    server.routes["/late"] = {"200 OK", "text/html",
                              QByteArray("<html><body><p>Report page</p><script>setTimeout(function () {"
                                         "  var done = document.createElement('div');"
                                         "  done.id = 'done';"
                                         "  done.textContent = '") +
                                  kFinishedText +
                                  "';"
                                  "  document.body.appendChild(done);"
                                  "  window.reportReady = true;"
                                  "}, 1500);</script></body></html>"};
    server.routes["/styled"] = {"200 OK", "text/html",
                                "<html><body><div id=cookie-banner>COOKIE BANNER</div><p class=note>Body "
                                "text</p><div class='chat-widget'>CHAT BUBBLE</div></body></html>"};
    server.routes["/soon"] = {"200 OK", "text/html",
                              "<html><body><p>Leaving soon</p><script>setTimeout(function () {"
                              " location.href = '/arrived'; }, 500);</script></body></html>"};
    server.routes["/refresh-soon"] = {
        "200 OK", "text/html",
        "<html><head><meta http-equiv=refresh content='0.5;url=/arrived'></head><body><p>Leaving soon</p>"
        "</body></html>"};
    server.routes["/arrived"] = {"200 OK", "text/html",
                                 QByteArray("<html><body><p>") + kArrivedText + "</p></body></html>"};
}

} // namespace velmora::test
