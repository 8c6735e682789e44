#include "ui/device_page.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

#include "model/memory_map.h"

namespace zef {

DevicePage::DevicePage(ControlHost& host, QWidget* parent) : BoundPage(host, parent) {
    auto* dg = new QGridLayout(this);
    dg->addWidget(Check(ParamId::Standby, ParamChannel::Device, "Standby", "ImageStandby", this), 0, 0);
    dg->addWidget(Check(ParamId::Sleep, ParamChannel::Device, "Sleep mode", "CheckSleepMode", this), 1, 0);
    dg->addWidget(Check(ParamId::Remote, ParamChannel::Device, "Remote control", "CheckControlEnable", this), 2, 0);
    auto* bridge = Options(ParamId::Bridge, ParamChannel::Device, {"Stereo", "Bridge"}, this);
    bridge->setObjectName("OptionBridge");
    dg->addWidget(new QLabel("Output mode:", this), 0, 1);
    dg->addWidget(bridge, 0, 2);
    auto* unit = Options(ParamId::DelayUnit, ParamChannel::Device, {"Time", "Distance"}, this);
    unit->setObjectName("Option1");
    dg->addWidget(new QLabel("Delay unit:", this), 1, 1);
    dg->addWidget(unit, 1, 2);
    std::vector<QString> voltages;
    for (int i = 0; i < 4; ++i) voltages.push_back(QString("Range %1").arg(i));
    dg->addWidget(new QLabel("Voltage:", this), 2, 1);
    dg->addWidget(Choice(ParamId::Voltage, ParamChannel::Device, "", voltages, "ComboVoltage", this), 2, 2);
    dg->addWidget(Check(ParamId::LinkInputs, ParamChannel::Device, "Link inputs", "CheckLinkIn", this), 3, 0);
    dg->addWidget(Check(ParamId::LinkOutputs, ParamChannel::Device, "Link outputs", "CheckLinkOut", this), 4, 0);
    dg->addWidget(new QLabel("Meter scale:", this), 3, 1);
    meterScale_ = new QComboBox(this);
    meterScale_->setObjectName("ComboSelVm");
    meterScale_->addItems({"Volt", "dBu"});
    dg->addWidget(meterScale_, 3, 2);
    eqMode_ = new QLabel(this);
    eqMode_->setObjectName("LblEqMode");
    dg->addWidget(new QLabel("Output EQ:", this), 4, 1);
    dg->addWidget(eqMode_, 4, 2);
    dg->setRowStretch(5, 1);
    dg->setColumnStretch(3, 1);
}

void DevicePage::RefreshOthers() { eqMode_->setText(host_.device().preset[pi::kEqMode] ? "10PEQ + FIR" : "30 PEQ"); }

}  // namespace zef
