#include "shell/single_instance.h"

#include <QDir>
#include <QLocalSocket>

#include "vexa_version.h"

namespace vexa {

namespace {
// One request per line: a code as a number, or a file as "file:" + its path in base64 (a
// path may hold any character, a line break included).
constexpr char kFilePrefix[] = "file:";
}  // namespace

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)) {
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::onConnection);
}

QString SingleInstance::defaultName() {
    QString user = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME", "user"));
    return QString("Vexa-%1-%2").arg(kProductVersion, user);
}

bool SingleInstance::send(const QString& name, int code, const QString& file) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(500)) return false;
    QByteArray message;
    if (!file.isEmpty()) message += kFilePrefix + file.toUtf8().toBase64() + "\n";
    message += QByteArray::number(code) + "\n";
    socket.write(message);
    socket.waitForBytesWritten(500);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(500);
    return true;
}

bool SingleInstance::claim(int handOverCode, const QString& file) {
    const QString absolute =
        file.isEmpty() ? file : QDir::cleanPath(QDir::current().absoluteFilePath(file));
    if (send(name_, handOverCode, absolute)) return false;
    // Nobody answered: a name left by a crashed run is stale.
    QLocalServer::removeServer(name_);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    // Failing to listen (no socket folder) still leaves a usable program.
    server_.listen(name_);
    return true;
}

void SingleInstance::onConnection() {
    while (QLocalSocket* s = server_.nextPendingConnection()) {
        auto read = [this, s] {
            while (s->canReadLine()) {
                QByteArray line = s->readLine().trimmed();
                if (line.startsWith(kFilePrefix)) {
                    QString f = QString::fromUtf8(
                        QByteArray::fromBase64(line.mid(int(sizeof kFilePrefix) - 1)));
                    if (!f.isEmpty()) emit fileReceived(f);
                    continue;
                }
                bool ok = false;
                int code = line.toInt(&ok);
                if (ok) emit requestReceived(code);
            }
        };
        connect(s, &QLocalSocket::readyRead, this, read);
        connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        read();  // what arrived with the connection
    }
}

}  // namespace vexa
