#pragma once
// The firmware update windows: frmFwBootLoader (a device found in boot-loader
// mode, opened from the device list) and FwUpdateDemo (the current device,
// opened from the settings menu or when a USB device's firmware is too old).
// Both show the device's name and unique ID, the chosen .sfu file, the status
// and the progress of the load; the work is the firmware update presenter's.

#include <QDialog>
#include <memory>

#include "app/firmware_update.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace zef {

class FwUpdateWindow final : public QDialog, public FirmwareUpdateView {
    Q_OBJECT
public:
    enum class Kind { BootLoader, Update };

    // `loader` = nullptr: the serial-port loader on the tools' port map.
    FwUpdateWindow(const FirmwareTools& tools, DeviceSlot slot, Kind kind, QWidget* parent = nullptr,
                   std::unique_ptr<FwLoader> loader = nullptr);
    ~FwUpdateWindow() override;

    QLabel* fileLabel() const { return file_; }
    QLabel* statusLabel() const { return status_; }
    QLabel* percentLabel() const { return percent_; }
    QProgressBar* progress() const { return progress_; }
    QPushButton* startButton() const { return start_; }
    FirmwareUpdate& presenter() { return *presenter_; }
    void ClickLoadFile();
    void ClickStart();

    void ShowDevice(const std::string& name, const std::string& uniqueId) override;
    void ShowFile(const std::string& label) override;
    void ShowStatus(const std::string& text) override;
    void ShowProgress(std::optional<int> percent) override;
    void CloseWindow() override;

private:
    FirmwareTools tools_;
    std::unique_ptr<FwLoader> loader_;
    std::unique_ptr<FirmwareUpdate> presenter_;
    Subscription offline_;
    QLabel* name_ = nullptr;
    QLabel* uid_ = nullptr;
    QLabel* file_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* percent_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* start_ = nullptr;
};

}  // namespace zef
