#pragma once

#include <QBuffer>
#include <QHash>
#include <QImage>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

namespace velmora::test {

// Answers GETs on one loopback address from a table of paths and keeps the head of every request it
// got. A route with `needs` is answered only to requests whose head holds that text (a cookie, a
// header, a sign-in; letter case aside); others get its refusal.
class SignInServer final : public QObject {
public:
    struct Answer {
        QByteArray status;  // "200 OK"
        QByteArray headers; // header lines, each ending "\r\n"
        QByteArray body;
    };
    struct Route {
        Answer answer;
        QByteArray needs;
        Answer refused;
    };
    QHash<QString, Route> routes;
    QList<QByteArray> heads; // in the order they came

    SignInServer() { connect(&m_server, &QTcpServer::newConnection, this, &SignInServer::Accept); }
    bool Listen(const QHostAddress& address) { return m_server.listen(address); }
    QString Url(const QString& path) const {
        return QStringLiteral("http://%1:%2%3").arg(m_server.serverAddress().toString()).arg(m_server.serverPort()).arg(path);
    }
    // Whether any request this server got carried the text, letter case aside.
    bool AnyHeadHolds(const QByteArray& text) const {
        for (const QByteArray& head : heads)
            if (head.toLower().contains(text.toLower()))
                return true;
        return false;
    }
    static Answer Page(const QByteArray& body) { return {"200 OK", "Content-Type: text/html\r\n", body}; }

private:
    void Accept() {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Respond(socket); });
        }
    }
    void Respond(QTcpSocket* socket) {
        QByteArray& request = m_pending[socket];
        request += socket->readAll();
        const qsizetype end = request.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QByteArray head = request.left(end);
        m_pending.remove(socket);
        heads.append(head);
        const QString path = QString::fromLatin1(head.split(' ').value(1));
        const auto route = routes.constFind(path);
        const Answer answer = route == routes.cend() ? Answer{"404 Not Found", "Content-Type: text/html\r\n", "none"}
                              : route->needs.isEmpty() || head.toLower().contains(route->needs.toLower())
                                  ? route->answer
                                  : route->refused;
        socket->write("HTTP/1.1 " + answer.status + "\r\n" + answer.headers +
                      "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\nConnection: close\r\n\r\n" +
                      answer.body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_pending;
};

// A page for members on 127.0.0.1 that draws a picture from a second host, 127.0.0.2, and frames an
// address of its own that redirects there; the second host also asks for a sign-in for another
// picture. Neither the cookie, the header nor the credentials the page needs may reach that host.
struct MembersSite {
    SignInServer first;  // 127.0.0.1
    SignInServer second; // 127.0.0.2
    static constexpr const char* kText = "Members only harbour timetable";

    // needs: what the page's request must carry; basic: a request without it is asked for HTTP
    // credentials (401), else refused (403).
    bool Start(const QByteArray& needs, bool basic) {
        if (!first.Listen(QHostAddress::LocalHost) || !second.Listen(QHostAddress(QStringLiteral("127.0.0.2"))))
            return false;
        QImage image(3, 3, QImage::Format_RGB32);
        image.fill(Qt::darkBlue);
        QBuffer png;
        png.open(QIODevice::WriteOnly);
        image.save(&png, "PNG");
        const QByteArray challenge = "WWW-Authenticate: Basic realm=\"members\"\r\nContent-Type: text/html\r\n";
        second.routes.insert("/pixel.png", {{"200 OK", "Content-Type: image/png\r\n", png.data()}, {}, {}});
        second.routes.insert("/ask.png", {{"401 Unauthorized", challenge, "sign in"}, {}, {}});
        second.routes.insert("/landing", {SignInServer::Page("<p>landing</p>"), {}, {}});
        first.routes.insert("/hop", {{"302 Found", "Location: " + second.Url("/landing").toUtf8() + "\r\n", {}}, {}, {}});
        const QByteArray page = "<html><body><p>" + QByteArray(kText) + "</p><img src='" +
                                second.Url("/pixel.png").toUtf8() + "'><img src='" + second.Url("/ask.png").toUtf8() +
                                "'><iframe src='/hop'></iframe></body></html>";
        first.routes.insert("/members",
                            {SignInServer::Page(page), needs,
                             basic ? SignInServer::Answer{"401 Unauthorized", challenge, "sign in first"}
                                   : SignInServer::Answer{"403 Forbidden", "Content-Type: text/html\r\n", "members only"}});
        return true;
    }
    QString MembersUrl() const { return first.Url(QStringLiteral("/members")); }
    // Why the second host saw what it should not have, or did not get the page's picture when the page
    // was shown; empty when all is well.
    QString SecondHostProblem(const QList<QByteArray>& secrets, bool pageShown) const {
        if (pageShown && !second.AnyHeadHolds("GET /pixel.png"))
            return QStringLiteral("the second host was never asked for the picture");
        for (const QByteArray& secret : secrets)
            if (second.AnyHeadHolds(secret))
                return QStringLiteral("the second host got \"%1\"").arg(QString::fromLatin1(secret));
        return {};
    }
};

} // namespace velmora::test
