#include "ui/readout_plot.h"

#include <QLabel>
#include <QMouseEvent>

#include "ui/response_graph.h"

namespace zef {

ReadoutPlot::ReadoutPlot(QSize minimum, QWidget* parent) : QWidget(parent) {
    setMinimumSize(minimum);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMouseTracking(true);
    readout_ = MakePointerReadout(this, "LblReadout");
}

QString ReadoutPlot::readoutText() const { return readout_->text(); }
bool ReadoutPlot::readoutVisible() const { return readout_->isVisible(); }
void ReadoutPlot::hideReadout() { readout_->hide(); }

void ReadoutPlot::mouseMoveEvent(QMouseEvent* event) {
    const QString text = ReadoutUnder(event->position());
    if (text.isEmpty()) return readout_->hide();
    ShowPointerReadout(readout_, text, event->position().toPoint());
}

void ReadoutPlot::leaveEvent(QEvent*) { readout_->hide(); }

}  // namespace zef
