#pragma once
// A grid whose columns fit their contents measures them again at every cell set: refilling
// a grid of a few hundred rows that way took most of a run's time. While one of these lives
// the fitted columns keep their widths; they are fitted once when it ends.
#include <QHeaderView>
#include <QTableWidget>

#include <vector>

namespace vexa {

class GridRefill {
public:
    explicit GridRefill(QTableWidget* grid) : header_(grid->horizontalHeader()) {
        for (int c = 0; c < header_->count(); ++c) {
            if (header_->sectionResizeMode(c) != QHeaderView::ResizeToContents) continue;
            fitted_.push_back(c);
            header_->setSectionResizeMode(c, QHeaderView::Interactive);
        }
    }
    ~GridRefill() {
        for (int c : fitted_) header_->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    }
    GridRefill(const GridRefill&) = delete;
    GridRefill& operator=(const GridRefill&) = delete;

private:
    QHeaderView* header_;
    std::vector<int> fitted_;
};

}  // namespace vexa
