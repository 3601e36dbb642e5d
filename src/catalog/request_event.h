#pragma once
// Posted request events between windows, numbered as the messages they stand for.
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QPointer>

#include "catalog/requests.h"

namespace vexa {

constexpr QEvent::Type kAppCmdEvent = static_cast<QEvent::Type>(4037);
constexpr QEvent::Type kForCmdEvent = static_cast<QEvent::Type>(4038);
constexpr QEvent::Type kChildCmdEvent = static_cast<QEvent::Type>(4040);

class RequestEvent : public QEvent {
public:
    RequestEvent(QEvent::Type type, int code, qint64 arg) : QEvent(type), code_(code), arg_(arg) {}
    int code() const { return code_; }
    qint64 arg() const { return arg_; }

private:
    int code_;
    qint64 arg_;
};

inline void postRequest(QObject* target, QEvent::Type type, int code, qint64 arg = 0) {
    if (target) QCoreApplication::postEvent(target, new RequestEvent(type, code, arg));
}

// Posts app requests to the main window, whichever object that is at the moment.
class QtRequestSink : public RequestSink {
public:
    void setTarget(QObject* target) { target_ = target; }
    QObject* target() const { return target_; }
    void postApp(int code, std::int64_t arg) override {
        postRequest(target_.data(), kAppCmdEvent, code, arg);
    }

private:
    QPointer<QObject> target_;
};

}  // namespace vexa
