#pragma once
// One running program per user: the first start listens on a local socket named after
// product, version and user; a later start sends it code 3 and ends. A later start with a
// workspace file (`vexa other.vxf`, a double-click in the file manager) hands that file over
// too, and the running program opens it. The data converter reaches the running program
// through the same socket with code 4.
#include <QLocalServer>
#include <QObject>
#include <QString>

namespace vexa {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString name, QObject* parent = nullptr);
    static QString defaultName();
    // True when this process is the first; otherwise the request (and the file, when one is
    // given; made absolute here, where it was named) was handed over.
    bool claim(int handOverCode = 3, const QString& file = {});
    static bool send(const QString& name, int code, const QString& file = {});
    const QString& name() const { return name_; }

signals:
    void requestReceived(int code);
    // A later start named this workspace file (an absolute path).
    void fileReceived(const QString& file);

private:
    void onConnection();
    QString name_;
    QLocalServer server_;
};

}  // namespace vexa
