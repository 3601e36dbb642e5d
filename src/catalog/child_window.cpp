#include "catalog/child_window.h"

#include <QMdiSubWindow>
#include <QPainter>

#include "catalog/request_event.h"

namespace vexa {

namespace {

// The window's title strip: a title longer than the window (windows tiled side by side) ends
// in "…" and shows whole as a tip, instead of being cut mid-word.
class HeaderStrip : public QLabel {
public:
    using QLabel::QLabel;
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QRect r = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, r.width());
        setToolTip(shown == text() ? QString() : text());
        p.setPen(palette().color(foregroundRole()));
        p.drawText(r, int(alignment()), shown);
    }
};

}  // namespace

ChildWindow::ChildWindow(const QString& caption, const QString& header, QWidget* parent)
    : QWidget(parent) {
    setWindowTitle(caption);
    setAttribute(Qt::WA_DeleteOnClose);
    body_ = new QVBoxLayout(this);
    body_->setContentsMargins(0, 0, 0, 0);
    body_->setSpacing(0);
    header_ = new HeaderStrip(header, this);
    header_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header_->setObjectName("headerStrip");
    QFont f = header_->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.4);
    header_->setFont(f);
    header_->setMargin(6);
    header_->setAutoFillBackground(true);
    header_->setStyleSheet("QLabel#headerStrip { background: #1f4e79; color: white; }");
    body_->addWidget(header_);
}

void ChildWindow::closeWindow() {
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
        frame->close();
    else
        close();
}

bool ChildWindow::event(QEvent* e) {
    if (e->type() == kChildCmdEvent) {
        auto* r = static_cast<RequestEvent*>(e);
        childRequest(r->code(), r->arg());
        return true;
    }
    return QWidget::event(e);
}

}  // namespace vexa
