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

#include "ui/dialog_parts.h"

namespace zef {
namespace {

struct PageLayout {
    const char* title;
    const char* addressGroup;
    bool enable, mode, wifi, channel;
};

constexpr std::array<PageLayout, NetworkSetupWindow::kPageCount> kPages = {{
    {"ACCESS POINT", "Access Point Address", true, false, true, true},
    {"WLAN", "WLAN Address", true, true, true, false},
    {"LAN", "LAN Address", false, true, false, false},
}};

SetupPage ToSetupPage(NetworkSetupWindow::Page p) {
    return p == NetworkSetupWindow::kPageAccessPoint ? SetupPage::AccessPoint
           : p == NetworkSetupWindow::kPageWlan      ? SetupPage::Wlan
                                           : SetupPage::Lan;
}

constexpr const char* kOctetRows[] = {"IP Address", "Subnet Mask", "Gateway"};

void SetToggle(QPushButton* button, bool on, const char* onText, const char* offText) {
    button->setChecked(on);
    button->setText(on ? onText : offText);
}


}  // namespace

NetworkSetupWindow::NetworkSetupWindow(Model& model, Exchange& exchange, Dialogs& dialogs, DeviceSlot device,
                                       QWidget* parent)
    : QDialog(parent), setup_(model, exchange, dialogs, device) {
    setObjectName("FrmSetup");
    setWindowTitle("Network Settings");
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    for (int p = 0; p < kPageCount; ++p) tabs_->addTab(BuildPage(Page(p)), kPages[p].title);
    layout->addWidget(tabs_);
    InitSetupPar();
}

QWidget* NetworkSetupWindow::BuildPage(Page p) {
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
    if (def.enable) {
        c.enable = toggle(("Label" + prefix + "Enable").toLatin1().constData(), "ENABLED", "DISABLED");
        top->addRow("Interface:", c.enable);
    }
    if (def.mode) {
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

    if (def.wifi) {
        auto* wifi = new QGroupBox("Wi-Fi", page);
        auto* wifiForm = new QFormLayout(wifi);
        c.ssid = new QLineEdit(wifi);
        c.ssid->setMaxLength(int(kNetworkTextMax));
        wifiForm->addRow("SSID:", c.ssid);
        c.security = toggle(("Label" + prefix + "Security").toLatin1().constData(), "WPA2", "OPEN");
        wifiForm->addRow("Security:", c.security);
        c.key = new QLineEdit(wifi);
        c.key->setMaxLength(int(kNetworkTextMax));
        wifiForm->addRow("Key:", c.key);
        if (def.channel) {
            c.channel = new QSpinBox(wifi);
            c.channel->setObjectName("UpDownAPChannel");
            c.channel->setPrefix("Channel ");
            c.channel->setRange(kApChannelMin, kApChannelMax);
            wifiForm->addRow("", c.channel);
        }
        layout->addWidget(wifi);
    }
    layout->addStretch();

    const ButtonRow buttons = MakeButtonRow(page, {"Apply", "Label" + prefix + "Btn"});
    c.apply = buttons.action;
    c.cancel = buttons.leave;
    layout->addLayout(buttons.layout);
    connect(c.apply, &QPushButton::clicked, this, [this, p] { ClickApply(p); });
    connect(c.cancel, &QPushButton::clicked, this, [this, p] { ClickCancel(p); });
    return page;
}

void NetworkSetupWindow::InitSetupPar() {
    values_ = setup_.InitSetupPar();
    for (int p = 0; p < kPageCount; ++p) ShowPage(Page(p), values_.page(ToSetupPage(Page(p))));
}

void NetworkSetupWindow::ShowPage(Page p, const SetupPageValues& v) {
    PageControls& c = controls_[p];
    if (c.enable) SetToggle(c.enable, v.enable != 0, "ENABLED", "DISABLED");
    if (c.mode) SetToggle(c.mode, v.mode == kModeStaticIp, "STATIC IP", "DHCP");
    for (std::size_t row = 0; row < 3; ++row)
        for (std::size_t k = 0; k < 4; ++k) c.octets[row][k]->setText(QString::fromStdString(v.octets[row][k]));
    if (c.ssid) c.ssid->setText(QString::fromLatin1(v.ssid.data(), qsizetype(v.ssid.size())));
    if (c.security) SetToggle(c.security, v.security != kSecurityOpen, "WPA2", "OPEN");
    if (c.key) c.key->setText(QString::fromLatin1(v.key.data(), qsizetype(v.key.size())));
    if (c.channel) c.channel->setValue(v.channel);
}

SetupPageValues NetworkSetupWindow::PageValues(Page p) const {
    const PageControls& c = controls_[p];
    SetupPageValues v = values_.page(ToSetupPage(p));
    if (c.enable) v.enable = c.enable->isChecked() ? 1 : 0;
    if (c.mode) v.mode = c.mode->isChecked() ? kModeStaticIp : kModeDhcp;
    for (std::size_t row = 0; row < 3; ++row)
        for (std::size_t k = 0; k < 4; ++k) v.octets[row][k] = c.octets[row][k]->text().toStdString();
    if (c.ssid) v.ssid = c.ssid->text().toLatin1().toStdString();
    if (c.security) v.security = c.security->isChecked() ? kSecurityWpa2 : kSecurityOpen;
    if (c.key) v.key = c.key->text().toLatin1().toStdString();
    if (c.channel) v.channel = c.channel->value();
    return v;
}

ApplyResult NetworkSetupWindow::ClickApply(Page p) {
    const SetupPageValues v = PageValues(p);
    const ApplyResult result = setup_.Apply(ToSetupPage(p), v);
    if (result == ApplyResult::Written || result == ApplyResult::WriteFailed) values_.page(ToSetupPage(p)) = v;
    return result;
}

void NetworkSetupWindow::ClickCancel(Page p) {
    SetupPageValues v = PageValues(p);
    if (setup_.Cancel(ToSetupPage(p), v)) {
        values_.page(ToSetupPage(p)) = v;
        ShowPage(p, v);
    }
}

}  // namespace zef
