#pragma once
// SearchDialog ("Search Device"): finds amplifiers on the USB serial ports or in
// an IPv4 range and, when the window closes, merges them into the list. The
// eight range boxes obey the range rules on every change.

#include <QDialog>
#include <array>
#include <memory>

#include "app/search.h"
#include "ui/dialog_parts.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QGroupBox;
class QLayout;
class QVBoxLayout;

namespace zef {

class SearchDialog final : public QDialog {
    Q_OBJECT
public:
    SearchDialog(DeviceList& list, DeviceExchange& exchange, Dialogs& dialogs, SearchSettings settings,
                 QWidget* parent = nullptr);
    ~SearchDialog() override;

    // Creates the search's own TCP client and fills the boxes from init.cfg;
    // false after "Wrong TCP initialization!" (the window must not open).
    bool Open();

    QLineEdit* rangeBox(int i) const { return boxes_[static_cast<std::size_t>(i)]; }
    QRadioButton* usbMode() const { return usb_; }
    QRadioButton* tcpMode() const { return tcp_; }
    QPushButton* startButton() const { return start_; }
    QLabel* caption() const { return feedback_.caption; }
    QProgressBar* progress() const { return feedback_.progress; }
    DeviceSearch& search() { return *search_; }
    // The merge made when the window closed.
    const MergeOutcome& merged() const { return merged_; }

    void ClickStart();
    void done(int result) override;

private:
    // The window's parts, top to bottom.
    void BuildModeRows(QVBoxLayout* layout);
    QGroupBox* BuildRange();
    void BuildProgress(QVBoxLayout* layout);
    QLayout* BuildButtons();
    void BoxEdited();
    void ModeChanged();
    void SetControlsEnabled(bool on);

    std::unique_ptr<DeviceSearch> search_;
    QRadioButton* usb_ = nullptr;
    QRadioButton* tcp_ = nullptr;
    QLabel* host_ = nullptr;
    QGroupBox* range_ = nullptr;
    std::array<QLineEdit*, 8> boxes_{};
    OperationProgress feedback_;
    QPushButton* start_ = nullptr;
    bool closed_ = false;
    MergeOutcome merged_;
};

}  // namespace zef
