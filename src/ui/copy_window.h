#pragma once
// ChannelCopyWindow: copies every parameter of one input to the other ("Input
// Copy") or of one output to the other ("Output Copy") on the current device.

#include <QDialog>

#include "app/edit_actions.h"

class QListWidget;

namespace zef {

class ChannelCopyWindow final : public QDialog {
    Q_OBJECT
public:
    // copyMode 0 = inputs, 1 = outputs.
    ChannelCopyWindow(ParameterWriter& writer, DeviceSlot device, Dialogs& dialogs, int copyMode,
                      QWidget* parent = nullptr);

    QListWidget* sources() const { return sources_; }
    QListWidget* destinations() const { return destinations_; }
    // The confirm button; a copy closes the window.
    CopyResult ClickCopy();

private:
    ParameterWriter& writer_;
    DeviceSlot device_;
    Dialogs& dialogs_;
    int mode_;
    QListWidget* sources_ = nullptr;
    QListWidget* destinations_ = nullptr;
};

}  // namespace zef
