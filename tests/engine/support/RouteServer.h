#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

namespace velmora::test {

// Answers GETs on 127.0.0.1 from a table of paths; a path it does not know is left unanswered, and one
// whose answer has no status is closed without one.
class RouteServer final : public QObject {
public:
    struct Answer {
        QByteArray status; // "200 OK"
        QByteArray type;
        QByteArray body;
    };
    QHash<QString, Answer> routes;
    QHash<QString, QByteArray> headers; // more header lines by path, each ending in \r\n
    QHash<QString, int> hits; // requests by path
    QSet<QString> held;       // routes answered only once released
    int mostHeldAtOnce = 0;   // requests waiting for a release at the same time

    RouteServer() { connect(&m_server, &QTcpServer::newConnection, this, &RouteServer::Accept); }
    bool Listen() { return m_server.listen(QHostAddress::LocalHost); }
    QString Url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }
    // Answers the requests held for the path so far, and from now on at once.
    void Release(const QString& path) {
        held.remove(path);
        for (const QPointer<QTcpSocket>& socket : m_waiting.take(path))
            if (socket)
                Send(socket, routes[path], headers.value(path));
    }

    int HeldNow() const {
        int count = 0;
        for (const auto& sockets : m_waiting)
            count += int(sockets.size());
        return count;
    }

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
        if (!request.contains("\r\n\r\n"))
            return;
        const QString path = QString::fromLatin1(request.split(' ').value(1));
        m_pending.remove(socket);
        ++hits[path];
        if (!routes.contains(path))
            return; // never answered: the page never finishes loading
        if (held.contains(path)) {
            m_waiting[path].append(socket);
            mostHeldAtOnce = qMax(mostHeldAtOnce, HeldNow());
            return;
        }
        Send(socket, routes[path], headers.value(path));
    }
    static void Send(QTcpSocket* socket, const Answer& answer, const QByteArray& moreHeaders) {
        if (answer.status.isEmpty()) {
            socket->disconnectFromHost();
            return;
        }
        socket->write("HTTP/1.1 " + answer.status + "\r\nContent-Type: " + answer.type +
                      "\r\nContent-Length: " + QByteArray::number(answer.body.size()) + "\r\n" +
                      moreHeaders + "Connection: close\r\n\r\n" + answer.body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_pending;
    QHash<QString, QList<QPointer<QTcpSocket>>> m_waiting; // held requests by path
};

} // namespace velmora::test
