// The plain Qt alternative to the app's epoll server, for comparison: `qtcpserver_pong PORT` answers every
// connection's request, once its head has ended, with the app's exact "pong" answer and closes it, as the app does
// for GET /ping. One QTcpServer and one QTcpSocket per connection on one event loop.

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, quint16(QByteArray(argv[1]).toUInt())))
        return 1;
    static const QByteArray pong
        = "HTTP/1.1 200 OK\r\nContent-Length: 4\r\nConnection: close\r\nContent-Type: text/plain\r\n\r\npong";
    QObject::connect(&server, &QTcpServer::newConnection, [&server] {
        while (QTcpSocket* socket = server.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                if (!socket->peek(65536).contains("\r\n\r\n"))
                    return;
                socket->readAll();
                socket->write(pong);
                socket->disconnectFromHost();
            });
        }
    });
    return app.exec();
}
