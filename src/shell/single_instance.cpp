#include "shell/single_instance.h"

#include <QLocalSocket>

namespace vexa {

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)) {
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::onConnection);
}

QString SingleInstance::defaultName() {
    QString user = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME", "user"));
    return QString("Vexa-3.1-%1").arg(user);
}

bool SingleInstance::send(const QString& name, int code) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(500)) return false;
    socket.write(QByteArray::number(code) + "\n");
    socket.waitForBytesWritten(500);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::claim(int handOverCode) {
    if (send(name_, handOverCode)) return false;
    // Nobody answered: a name left by a crashed run is stale.
    QLocalServer::removeServer(name_);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    // Failing to listen (no socket folder) still leaves a usable program.
    server_.listen(name_);
    return true;
}

void SingleInstance::onConnection() {
    while (QLocalSocket* s = server_.nextPendingConnection()) {
        connect(s, &QLocalSocket::readyRead, this, [this, s] {
            while (s->canReadLine()) {
                bool ok = false;
                int code = s->readLine().trimmed().toInt(&ok);
                if (ok) emit requestReceived(code);
            }
        });
        connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
    }
}

}  // namespace vexa
