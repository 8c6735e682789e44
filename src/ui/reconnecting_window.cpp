#include "ui/reconnecting_window.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

namespace zef {

ReconnectingWindow::ReconnectingWindow(QWidget* parent) : QWidget(parent, Qt::Dialog | Qt::WindowTitleHint) {
    setObjectName("frmReconnecting");
    setWindowTitle(kReconnectingCaption);
    setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(kReconnectingCaption, this);
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 1.3);
    font.setBold(true);
    label->setFont(font);
    layout->addWidget(label);
    setMinimumSize(260, 90);
}

void ReconnectingWindow::Show() {
    ++shown_;
    show();
    raise();
    // Paint at once: the link's wait that follows excludes user input only.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void ReconnectingWindow::Close() { hide(); }

}  // namespace zef
