#include "ui/setup_window.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "model/memory_map.h"
#include "ui/editor_session.h"

namespace zef {
namespace {

// Where each page keeps its values in the settings image; -1 = the page has no such field.
struct PageLayout {
    const char* title;
    const char* addressGroup;
    int enable, mode, address, subnet, gateway, ssidLength, ssid, security, keyLength, key, channel;
};

constexpr std::array<PageLayout, FrmSetup::kPageCount> kPages = {{
    {"ACCESS POINT", "Access Point Address", int(ds::kApEnable), -1, int(ds::kApAddress), int(ds::kApSubnet),
     int(ds::kApGateway), int(ds::kApSsidLength), int(ds::kApSsid), int(ds::kApSecurity), int(ds::kApKeyLength),
     int(ds::kApKey), int(ds::kApChannel)},
    {"WLAN", "WLAN Address", int(ds::kWlanEnable), int(ds::kWlanMode), int(ds::kWlanAddress), int(ds::kWlanSubnet),
     int(ds::kWlanGateway), int(ds::kWlanSsidLength), int(ds::kWlanSsid), int(ds::kWlanSecurity),
     int(ds::kWlanKeyLength), int(ds::kWlanKey), -1},
    {"LAN", "LAN Address", -1, int(ds::kLanMode), int(ds::kLanAddress), int(ds::kLanSubnet), int(ds::kLanGateway), -1,
     -1, -1, -1, -1, -1},
}};

constexpr const char* kOctetRows[] = {"IP Address", "Subnet Mask", "Gateway"};

void SetToggle(QPushButton* button, bool on, const char* onText, const char* offText) {
    button->setChecked(on);
    button->setText(on ? onText : offText);
}

QString TextField(const DeviceSettings& s, int lengthAt, int textAt) {
    const int length = std::min<int>(s[static_cast<std::size_t>(lengthAt)], int(ds::kNetworkTextSize));
    QString out;
    for (int i = 0; i < length; ++i) out += QChar::fromLatin1(char(s[static_cast<std::size_t>(textAt + i)]));
    return out;
}

}  // namespace

FrmSetup::FrmSetup(EditorSession& session, QWidget* parent) : QDialog(parent), session_(session) {
    setObjectName("FrmSetup");
    setWindowTitle("Network Settings");
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    for (int p = 0; p < kPageCount; ++p) tabs_->addTab(BuildPage(Page(p)), kPages[p].title);
    layout->addWidget(tabs_);
    InitSetupPar();
}

QWidget* FrmSetup::BuildPage(Page p) {
    const PageLayout& def = kPages[p];
    PageControls& c = controls_[p];
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* top = new QFormLayout;
    const auto toggle = [&](const char* name, const char* onText, const char* offText) {
        auto* b = new QPushButton(page);
        b->setObjectName(name);
        b->setCheckable(true);
        b->setMinimumWidth(110);
        connect(b, &QPushButton::toggled, b, [b, onText, offText](bool on) { b->setText(on ? onText : offText); });
        return b;
    };
    const QString prefix = p == kPageAccessPoint ? "AP" : p == kPageWlan ? "WLAN" : "LAN";
    if (def.enable >= 0) {
        c.enable = toggle(("Label" + prefix + "Enable").toLatin1().constData(), "ENABLED", "DISABLED");
        top->addRow("Interface:", c.enable);
    }
    if (def.mode >= 0) {
        c.mode = toggle(("Label" + prefix + "Mode").toLatin1().constData(), "STATIC IP", "DHCP");
        top->addRow("Mode:", c.mode);
    }
    layout->addLayout(top);

    auto* addresses = new QGroupBox(def.addressGroup, page);
    auto* form = new QFormLayout(addresses);
    const int boxWidth = fontMetrics().horizontalAdvance("0000") + 12;
    for (int row = 0; row < 3; ++row) {
        auto* line = new QHBoxLayout;
        for (int k = 0; k < 4; ++k) {
            auto* box = new QLineEdit(addresses);
            box->setMaxLength(3);
            box->setFixedWidth(boxWidth);
            box->setAlignment(Qt::AlignCenter);
            c.octets[std::size_t(row)][std::size_t(k)] = box;
            line->addWidget(box);
            if (k < 3) line->addWidget(new QLabel(".", addresses));
        }
        line->addStretch();
        form->addRow(QString(kOctetRows[row]) + ":", line);
    }
    layout->addWidget(addresses);

    if (def.ssid >= 0) {
        auto* wifi = new QGroupBox("Wi-Fi", page);
        auto* wifiForm = new QFormLayout(wifi);
        c.ssid = new QLineEdit(wifi);
        c.ssid->setMaxLength(int(ds::kNetworkTextSize));
        wifiForm->addRow("SSID:", c.ssid);
        c.security = toggle(("Label" + prefix + "Security").toLatin1().constData(), "WPA2", "OPEN");
        wifiForm->addRow("Security:", c.security);
        c.key = new QLineEdit(wifi);
        c.key->setMaxLength(int(ds::kNetworkTextSize));
        wifiForm->addRow("Key:", c.key);
        if (def.channel >= 0) {
            c.channel = new QSpinBox(wifi);
            c.channel->setObjectName("UpDownAPChannel");
            c.channel->setPrefix("Channel ");
            c.channel->setRange(1, 13);
            wifiForm->addRow("", c.channel);
        }
        layout->addWidget(wifi);
    }
    layout->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    c.apply = new QPushButton("Apply", page);
    c.apply->setObjectName("Label" + prefix + "Btn");
    c.cancel = new QPushButton("Cancel", page);
    buttons->addWidget(c.apply);
    buttons->addWidget(c.cancel);
    layout->addLayout(buttons);
    // Writing the pages to the device is not available in this build.
    c.apply->setEnabled(false);
    c.apply->setToolTip("Not available in this version");
    connect(c.cancel, &QPushButton::clicked, this, [this, p] { ClickCancel(p); });
    return page;
}

void FrmSetup::InitSetupPar() {
    for (int p = 0; p < kPageCount; ++p) InitPage(Page(p));
}

void FrmSetup::InitPage(Page p) {
    const PageLayout& def = kPages[p];
    PageControls& c = controls_[p];
    const DeviceSettings& s = session_.model().device(session_.model().currentDevice()).settings;
    const auto byte = [&](int at) { return s[static_cast<std::size_t>(at)]; };
    if (c.enable) SetToggle(c.enable, byte(def.enable) != 0, "ENABLED", "DISABLED");
    if (c.mode) SetToggle(c.mode, byte(def.mode) != 0, "STATIC IP", "DHCP");
    const int starts[3] = {def.address, def.subnet, def.gateway};
    for (int row = 0; row < 3; ++row)
        for (int k = 0; k < 4; ++k)
            c.octets[std::size_t(row)][std::size_t(k)]->setText(QString::number(byte(starts[row] + k)));
    if (c.ssid) c.ssid->setText(TextField(s, def.ssidLength, def.ssid));
    if (c.security) SetToggle(c.security, byte(def.security) != 0, "WPA2", "OPEN");
    if (c.key) c.key->setText(TextField(s, def.keyLength, def.key));
    if (c.channel) c.channel->setValue(byte(def.channel));
}

void FrmSetup::ClickCancel(Page p) {
    if (session_.dialogs().Ask("Cancel", "Are you sure?", Buttons::YesNo) == Answer::Yes) InitPage(p);
}

}  // namespace zef
