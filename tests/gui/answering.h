#pragma once
// Answers every modal dialog of type D that comes up while the guard lives, with `answer`
// given the dialog (and, in the second form, how many came before it).
#include <QApplication>
#include <QTimer>
#include <functional>

namespace vexa::test {

template <typename D>
class Answering {
public:
    explicit Answering(std::function<void(D*, int)> answer) : answer_(std::move(answer)) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
            if (!d || d == last_) return;
            last_ = d;
            const int before = count++;
            answer_(d, before);
        });
        timer_.start();
    }
    explicit Answering(std::function<void(D*)> answer)
        : Answering(std::function<void(D*, int)>([a = std::move(answer)](D* d, int) { a(d); })) {}
    int count = 0;

private:
    std::function<void(D*, int)> answer_;
    QTimer timer_;
    D* last_ = nullptr;
};

}  // namespace vexa::test
