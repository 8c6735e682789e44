#pragma once
// The firmware update windows: frmFwBootLoader (a device found in boot-loader
// mode, opened from the device list) and FwUpdateDemo (the current device,
// opened from the settings menu or when a USB device's firmware is too old).
// Both show the device's name and unique ID, the chosen .sfu file, the status
// and the progress of the load.

#include <QDialog>

#include "model/device_model.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace zef {

class EditorSession;

inline constexpr const char* kNoFirmwareFileText = "Search .sfu file";
inline constexpr const char* kFirmwareStatusText = "Status:";
inline constexpr const char* kFirmwareFilter = "Fw Update(*.Sfu)|*.sfu";

class FwUpdateWindow final : public QDialog {
    Q_OBJECT
public:
    enum class Kind { BootLoader, Update };

    FwUpdateWindow(EditorSession& session, DeviceSlot slot, Kind kind, QWidget* parent = nullptr);

    QLabel* fileLabel() const { return file_; }
    QLabel* statusLabel() const { return status_; }
    QLabel* percentLabel() const { return percent_; }
    QProgressBar* progress() const { return progress_; }
    QPushButton* startButton() const { return start_; }
    void ClickLoadFile();

private:
    EditorSession& session_;
    DeviceSlot slot_;
    QLabel* file_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* percent_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* start_ = nullptr;
};

}  // namespace zef
