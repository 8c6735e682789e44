#pragma once
// NetworkSetupWindow ("Network Settings"): a device's own network interfaces
// on three pages, "ACCESS POINT", "WLAN" and "LAN", each with "Apply" and
// "Cancel". The values come from the device's settings image.

#include <QDialog>
#include <array>
#include <vector>

#include "app/network_setup.h"
#include "model/device_model.h"

class QTabWidget;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace zef {

class NetworkSetupWindow final : public QDialog {
    Q_OBJECT
public:
    enum Page { kPageAccessPoint, kPageWlan, kPageLan, kPageCount };

    NetworkSetupWindow(Model& model, Exchange& exchange, Dialogs& dialogs, DeviceSlot device,
                       QWidget* parent = nullptr);

    QTabWidget* pages() const { return tabs_; }
    // Fills every page from the current device's settings image.
    void InitSetupPar();

    struct PageControls {
        QPushButton* enable = nullptr;    // flips 0/1 (not on LAN)
        QPushButton* mode = nullptr;      // DHCP / STATIC IP (not on the access point)
        std::array<std::array<QLineEdit*, 4>, 3> octets{};  // address, subnet mask, gateway
        QLineEdit* ssid = nullptr;
        QPushButton* security = nullptr;  // OPEN / WPA2
        QLineEdit* key = nullptr;
        QSpinBox* channel = nullptr;      // access point only, shown "Channel " + n
        QPushButton* apply = nullptr;
        QPushButton* cancel = nullptr;
    };
    const PageControls& page(Page p) const { return controls_[p]; }
    // What the page's controls hold now.
    SetupPageValues PageValues(Page p) const;
    ApplyResult ClickApply(Page p);
    void ClickCancel(Page p);

private:
    QWidget* BuildPage(Page p);
    void ShowPage(Page p, const SetupPageValues& v);

    NetworkSetup setup_;
    SetupValues values_;
    QTabWidget* tabs_ = nullptr;
    std::array<PageControls, kPageCount> controls_{};
};

}  // namespace zef
