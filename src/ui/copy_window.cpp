#include "ui/copy_window.h"

#include <QBoxLayout>
#include <QLabel>
#include <QListWidget>

#include "ui/dialog_parts.h"

namespace zef {

ChannelCopyWindow::ChannelCopyWindow(ParameterWriter& writer, DeviceSlot device, Dialogs& dialogs, int copyMode,
                                     QWidget* parent)
    : QDialog(parent), writer_(writer), device_(device), dialogs_(dialogs), mode_(copyMode) {
    setObjectName("FrmCopyOut");
    const bool outputs = copyMode == 1;
    setWindowTitle(outputs ? kOutputCopyCaption : kInputCopyCaption);
    const auto& items = outputs ? kOutputCopyItems : kInputCopyItems;
    auto* v = new QVBoxLayout(this);
    auto* lists = new QHBoxLayout;
    const auto column = [&](const char* caption, QListWidget*& list, const char* name) {
        auto* c = new QVBoxLayout;
        c->addWidget(new QLabel(caption, this));
        list = new QListWidget(this);
        list->setObjectName(name);
        for (const char* item : items) list->addItem(item);
        list->setCurrentRow(0);
        list->setFixedHeight(56);
        list->setMinimumWidth(130);
        c->addWidget(list);
        lists->addLayout(c);
    };
    column(outputs ? kOutputSourceLabel : kInputSourceLabel, sources_, "ListSource");
    column(outputs ? kOutputDestinationLabel : kInputDestinationLabel, destinations_, "ListDestination");
    destinations_->setCurrentRow(1);
    v->addLayout(lists);
    AddDialogButtons(this, v, {"Copy", "BtnCopy"}, [this] { ClickCopy(); });
}

CopyResult ChannelCopyWindow::ClickCopy() {
    const int base = mode_ == 1 ? kOutput1 : kInputL;
    const auto source = static_cast<ChannelCode>(base + std::max(0, sources_->currentRow()));
    const auto destination = static_cast<ChannelCode>(base + std::max(0, destinations_->currentRow()));
    const CopyResult r = ConfirmCopy(writer_, device_, dialogs_, source, destination);
    if (r == CopyResult::Copied || r == CopyResult::Failed) accept();
    return r;
}

}  // namespace zef
