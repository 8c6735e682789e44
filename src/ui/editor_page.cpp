#include "ui/editor_page.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStackedWidget>

namespace zef {
namespace {

constexpr int kGainReset = 25;  // position of 0 dB on the channel gain fader

}  // namespace

BoundPage::BoundPage(ControlHost& host, QWidget* parent) : QWidget(parent), host_(host) {}

void BoundPage::Refresh() {
    for (BoundControl* c : controls_) c->Refresh();
    RefreshOthers();
}

BoundControl* BoundPage::control(const std::string& name) const {
    for (BoundControl* c : controls_)
        if (c->parameter().name == name) return c;
    return nullptr;
}

NumberControl* BoundPage::Number(ParamId id, ParamChannel ch, const QString& caption, NumberLayout layout,
                                 QWidget* parent) {
    auto* c = new NumberControl(host_, ParameterOf(id, {ch, 0}), caption, std::move(layout), parent);
    controls_.push_back(c);
    return c;
}

CheckControl* BoundPage::Check(ParamId id, ParamChannel ch, const QString& caption, const char* name,
                               QWidget* parent) {
    auto* c = new CheckControl(host_, ParameterOf(id, {ch, 0}), caption, parent);
    c->check()->setObjectName(name);
    controls_.push_back(c);
    return c;
}

ChoiceControl* BoundPage::Choice(ParamId id, ParamChannel ch, const QString& caption, std::vector<QString> items,
                                 const char* name, QWidget* parent) {
    auto* c = new ChoiceControl(host_, ParameterOf(id, {ch, 0}), caption, items, parent);
    c->combo()->setObjectName(name);
    controls_.push_back(c);
    return c;
}

OptionControl* BoundPage::Options(ParamId id, ParamChannel ch, std::vector<QString> items, QWidget* parent) {
    auto* c = new OptionControl(host_, ParameterOf(id, {ch, 0}), items, parent);
    controls_.push_back(c);
    return c;
}

QWidget* BoundPage::GainStrip(ParamChannel ch, QWidget* parent) {
    auto* w = Frame("Gain", parent);
    auto* v = new QVBoxLayout(w);
    auto* gain = Number(ParamId::Gain, ch, "dB", {true, true, kGainReset, "GainText", 52}, w);
    gain->fader()->setObjectName("GainSl");
    v->addWidget(gain, 1);
    v->addWidget(Check(ParamId::Mute, ch, "Mute", "ImgMute", w));
    v->addWidget(Check(ParamId::Polarity, ch, "Polarity", "CheckPolarity", w));
    return w;
}

QGroupBox* Frame(const QString& title, QWidget* parent) { return new QGroupBox(title, parent); }

void ChannelsPage::MarkChannel(int group) {
    if (!selector_) return;
    if (QAbstractButton* b = selector_->button(group)) {
        const QSignalBlocker block(selector_);
        b->setChecked(true);
    }
}

QHBoxLayout* ChannelsPage::ChannelRow(QWidget* parent, const std::vector<std::pair<int, QString>>& channels,
                                      ParamId link, const QString& linkCaption, const char* linkName,
                                      bool copyEnabled) {
    auto* row = new QHBoxLayout;
    selector_ = new QButtonGroup(parent);
    row->addWidget(new QLabel("Channel:", parent));
    for (const auto& [id, text] : channels) {
        auto* b = new QRadioButton(text, parent);
        b->setObjectName(QString("LblChannel%1").arg(id));
        selector_->addButton(b, id);
        row->addWidget(b);
    }
    row->addStretch(1);
    row->addWidget(Check(link, ParamChannel::Device, linkCaption, linkName, parent));
    auto* copy = new QPushButton("Copy...", parent);
    copy->setEnabled(copyEnabled);
    connect(copy, &QPushButton::clicked, this, [this] { emit copyRequested(); });
    row->addWidget(copy);
    return row;
}

void ChannelsPage::ShowChosenChannel(QStackedWidget* stack, int firstGroup) {
    connect(selector_, &QButtonGroup::idClicked, this, [this, stack, firstGroup](int id) {
        stack->setCurrentIndex(id - firstGroup);
        emit channelChosen(id);
    });
}

}  // namespace zef
