#include "ui/link_diagnostics_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/link_diagnostics.h"

namespace zef {
namespace {

QTableWidget* MakeTable(const std::vector<std::string>& headers, const char* name, QWidget* parent) {
    auto* t = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    t->setObjectName(name);
    for (std::size_t c = 0; c < headers.size(); ++c)
        t->setHorizontalHeaderItem(static_cast<int>(c), new QTableWidgetItem(QString::fromStdString(headers[c])));
    t->verticalHeader()->setVisible(false);
    t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 6);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setAlternatingRowColors(true);
    t->horizontalHeader()->setStretchLastSection(true);
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    return t;
}

// Sets the row's texts, reusing the items (the table keeps its selection and scroll position).
void SetRow(QTableWidget* t, int row, const std::vector<std::string>& cells) {
    for (std::size_t c = 0; c < cells.size(); ++c) {
        const QString text = QString::fromStdString(cells[c]);
        QTableWidgetItem* item = t->item(row, static_cast<int>(c));
        if (!item) {
            item = new QTableWidgetItem(text);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            t->setItem(row, static_cast<int>(c), item);
            item->setToolTip(text);  // the whole text where the cell cuts it
        } else if (item->text() != text) {
            item->setText(text);
            item->setToolTip(text);
        }
    }
}

}  // namespace

LinkDiagnosticsWindow::LinkDiagnosticsWindow(const Model& model, const LinkMonitor& monitor, Dialogs& dialogs,
                                             std::string folder, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(model), monitor_(monitor), dialogs_(dialogs), folder_(std::move(folder)) {
    setObjectName("FrmLinkDiagnostics");
    setWindowTitle("Link Diagnostics");
    auto* layout = new QVBoxLayout(this);

    layout->addWidget(new QLabel("Link figures of every device (select a row to see its frames):", this));
    figures_ = MakeTable(FigureHeaders(), "GridFigures", this);
    figures_->setSelectionBehavior(QAbstractItemView::SelectRows);
    figures_->setSelectionMode(QAbstractItemView::SingleSelection);
    const int w = fontMetrics().horizontalAdvance('0');
    layout->addWidget(figures_, 1);

    auto* bar = new QHBoxLayout;
    trafficTitle_ = new QLabel(this);
    trafficTitle_->setObjectName("LabelTraffic");
    bar->addWidget(trafficTitle_, 1);
    save_ = new QPushButton("Save...", this);
    save_->setObjectName("ButtonSave");
    save_->setToolTip("Save the frames shown as a text file");
    bar->addWidget(save_);
    layout->addLayout(bar);

    traffic_ = MakeTable(TrafficHeaders(), "GridTraffic", this);
    traffic_->setSelectionMode(QAbstractItemView::NoSelection);
    traffic_->setColumnWidth(0, w * 13);
    traffic_->setColumnWidth(1, w * 4);
    traffic_->setColumnWidth(2, w * 24);
    traffic_->setColumnWidth(3, w * 26);
    traffic_->setColumnWidth(4, w * 7);
    layout->addWidget(traffic_, 4);

    connect(save_, &QPushButton::clicked, this, &LinkDiagnosticsWindow::ClickSave);
    connect(figures_, &QTableWidget::currentCellChanged, this, [this](int row, int, int, int) {
        if (row >= 0 && row < static_cast<int>(rowSlots_.size())) Select(rowSlots_[static_cast<std::size_t>(row)]);
    });
    connect(&timer_, &QTimer::timeout, this, &LinkDiagnosticsWindow::Refresh);
    timer_.setInterval(kRefreshMs);
    resize(1100, 600);
    Refresh();
}

void LinkDiagnosticsWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Refresh();
    timer_.start();
}

void LinkDiagnosticsWindow::hideEvent(QHideEvent* event) {
    timer_.stop();
    QWidget::hideEvent(event);
}

int LinkDiagnosticsWindow::rowOf(DeviceSlot slot) const {
    const auto it = std::find(rowSlots_.begin(), rowSlots_.end(), slot);
    return it == rowSlots_.end() ? -1 : static_cast<int>(it - rowSlots_.begin());
}

void LinkDiagnosticsWindow::Refresh() {
    FillFigures();
    FillTraffic();
}

void LinkDiagnosticsWindow::Select(DeviceSlot slot) {
    if (slot == selected_) return;
    selected_ = slot;
    const int row = rowOf(slot);
    if (row >= 0 && figures_->currentRow() != row) figures_->selectRow(row);
    FillTraffic();
}

void LinkDiagnosticsWindow::FillFigures() {
    rowSlots_ = DiagnosedSlots(model_, monitor_);
    const QSignalBlocker quiet(figures_);
    figures_->setRowCount(static_cast<int>(rowSlots_.size()));
    for (std::size_t i = 0; i < rowSlots_.size(); ++i) {
        const DeviceSlot s = rowSlots_[i];
        SetRow(figures_, static_cast<int>(i), FigureCells(s, model_.entry(s), monitor_.Figures(s)));
    }
    // Every column as wide as its widest text, the last error taking what is left.
    for (int c = 0; c + 1 < figures_->columnCount(); ++c) figures_->resizeColumnToContents(c);
    if (rowOf(selected_) < 0) selected_ = rowSlots_.empty() ? 0 : rowSlots_.front();
    if (selected_ != 0 && figures_->currentRow() != rowOf(selected_)) figures_->selectRow(rowOf(selected_));
}

void LinkDiagnosticsWindow::FillTraffic() {
    const std::vector<TrafficRecord> records = selected_ ? monitor_.Traffic(selected_) : std::vector<TrafficRecord>{};
    const std::string who = selected_ ? FigureCells(selected_, model_.entry(selected_), {})[0] : std::string("-");
    trafficTitle_->setText(QString::fromStdString("Recent frames of " + who + " (" + std::to_string(records.size()) +
                                                  ", newest last):"));
    save_->setEnabled(!records.empty());
    const bool atBottom = traffic_->verticalScrollBar() == nullptr ||
                          traffic_->verticalScrollBar()->value() == traffic_->verticalScrollBar()->maximum();
    traffic_->setRowCount(static_cast<int>(records.size()));
    for (std::size_t i = 0; i < records.size(); ++i) SetRow(traffic_, static_cast<int>(i), TrafficCells(records[i]));
    if (atBottom) traffic_->scrollToBottom();
}

void LinkDiagnosticsWindow::ClickSave() {
    if (selected_ != 0) SaveTrafficLogAs(dialogs_, monitor_, selected_, folder_);
}

}  // namespace zef
