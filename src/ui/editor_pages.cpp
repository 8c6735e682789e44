// The pages of the channel editor: inputs, outputs (rebuilt when the bridge
// mode changes), "SM" and device settings. Each page lays out controls bound
// to the parameter descriptions.
#include <QBoxLayout>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>

#include "app/editor_session.h"
#include "app/texts.h"
#include "dsp/groups.h"
#include "model/encodings.h"
#include "model/memory_map.h"
#include "model/records.h"
#include "model/tables.h"
#include "ui/channel_editor.h"
#include "ui/eq_band_panel.h"

namespace zef {

// Makes bound controls of the editor and files them for its refresh.
class EditorPageBuilder {
public:
    EditorPageBuilder(ChannelEditorWindow& editor, std::vector<BoundControl*>& into) : e_(editor), into_(into) {}

    NumberControl* Number(ParamId id, ParamChannel ch, const QString& caption, NumberLayout layout, QWidget* parent) {
        auto* c = new NumberControl(e_, ParameterOf(id, {ch, 0}), caption, std::move(layout), parent);
        into_.push_back(c);
        return c;
    }
    CheckControl* Check(ParamId id, ParamChannel ch, const QString& caption, const char* name, QWidget* parent) {
        auto* c = new CheckControl(e_, ParameterOf(id, {ch, 0}), caption, parent);
        c->check()->setObjectName(name);
        into_.push_back(c);
        return c;
    }
    ChoiceControl* Choice(ParamId id, ParamChannel ch, const QString& caption, std::vector<QString> items,
                          const char* name, QWidget* parent) {
        auto* c = new ChoiceControl(e_, ParameterOf(id, {ch, 0}), caption, items, parent);
        c->combo()->setObjectName(name);
        into_.push_back(c);
        return c;
    }
    OptionControl* Options(ParamId id, ParamChannel ch, std::vector<QString> items, QWidget* parent) {
        auto* c = new OptionControl(e_, ParameterOf(id, {ch, 0}), items, parent);
        into_.push_back(c);
        return c;
    }

private:
    ChannelEditorWindow& e_;
    std::vector<BoundControl*>& into_;
};

namespace {

std::vector<QString> Texts(std::span<const std::string_view> names) {
    std::vector<QString> out;
    for (auto n : names) out.push_back(QString::fromUtf8(n.data(), static_cast<int>(n.size())));
    return out;
}

QGroupBox* Frame(const QString& title, QWidget* parent) {
    auto* box = new QGroupBox(title, parent);
    return box;
}

QButtonGroup* ChannelSelector(QWidget* parent, QBoxLayout* into, const std::vector<std::pair<int, QString>>& items) {
    auto* group = new QButtonGroup(parent);
    into->addWidget(new QLabel("Channel:", parent));
    for (const auto& [id, text] : items) {
        auto* b = new QRadioButton(text, parent);
        b->setObjectName(QString("LblChannel%1").arg(id));
        group->addButton(b, id);
        into->addWidget(b);
    }
    into->addStretch(1);
    return group;
}

constexpr int kGainReset = 25;  // position of 0 dB on the channel gain fader

// Gain, mute, polarity of one channel.
QWidget* GainStrip(EditorPageBuilder& b, ParamChannel ch, QWidget* parent) {
    auto* w = Frame("Gain", parent);
    auto* v = new QVBoxLayout(w);
    auto* gain = b.Number(ParamId::Gain, ch, "dB", {true, true, kGainReset, "GainText", 52}, w);
    gain->fader()->setObjectName("GainSl");
    v->addWidget(gain, 1);
    v->addWidget(b.Check(ParamId::Mute, ch, "Mute", "ImgMute", w));
    v->addWidget(b.Check(ParamId::Polarity, ch, "Polarity", "CheckPolarity", w));
    return w;
}

QWidget* InputChannel(EditorPageBuilder& b, ParamChannel ch, QWidget* parent) {
    auto* page = new QWidget(parent);
    auto* row = new QHBoxLayout(page);
    row->setContentsMargins(2, 2, 2, 2);
    row->addWidget(GainStrip(b, ch, page));
    auto* gate = Frame("Noise Gate", page);
    auto* g = new QVBoxLayout(gate);
    g->addWidget(b.Check(ParamId::GateEnable, ch, "Enable", "CheckNGByp", gate));
    g->addWidget(b.Number(ParamId::GateThreshold, ch, "Threshold dB", {true, false, {}, "NGText", 44}, gate));
    g->addWidget(b.Number(ParamId::GateTimeA, ch, "Attack ms", {true, false, {}, "NGTextA", 44}, gate));
    g->addWidget(b.Number(ParamId::GateTimeB, ch, "Release ms", {true, false, {}, "NGTextB", 44}, gate));
    g->addStretch(1);
    row->addWidget(gate, 2);
    auto* eq = Frame("EQ", page);
    auto* e = new QVBoxLayout(eq);
    e->addWidget(b.Check(ParamId::InputBlockB, ch, "3-band block", "CheckMidMorph", eq));
    e->addWidget(b.Check(ParamId::EqBypass, ch, "EQ bypass", "CheckEqByp", eq));
    e->addStretch(1);
    row->addWidget(eq, 1);
    return page;
}

}  // namespace

void ChannelEditorWindow::BuildPages() {
    pages_ = new QTabWidget(this);
    pages_->setObjectName("PageTab");
    EditorPageBuilder b(*this, controls_);

    // Inputs.
    auto* inputs = new QWidget(pages_);
    auto* iv = new QVBoxLayout(inputs);
    iv->setContentsMargins(4, 4, 4, 4);
    auto* iSel = new QHBoxLayout;
    channelSelectors_[0] = ChannelSelector(inputs, iSel, {{0, "Input L"}, {1, "Input R"}});
    iSel->addWidget(b.Check(ParamId::LinkInputs, ParamChannel::Device, "Link L+R", "CheckLinkIn", inputs));
    iSel->addWidget(new QPushButton("Copy...", inputs));
    connect(static_cast<QPushButton*>(iSel->itemAt(iSel->count() - 1)->widget()), &QPushButton::clicked, this,
            [this] { ClickCopy(0); });
    iv->addLayout(iSel);
    auto* iStack = new QStackedWidget(inputs);
    iStack->addWidget(InputChannel(b, ParamChannel::InL, iStack));
    iStack->addWidget(InputChannel(b, ParamChannel::InR, iStack));
    iv->addWidget(iStack, 1);
    connect(channelSelectors_[0], &QButtonGroup::idClicked, this, [this, iStack](int id) {
        iStack->setCurrentIndex(id);
        SetPageChannel(id);
    });
    extraRefresh_.push_back([this, iStack] {
        const int g = session_.selection(slot_).group;
        if (dsp::IsInputGroup(g)) iStack->setCurrentIndex(g);
    });
    pages_->addTab(inputs, "Inputs");

    // Outputs (rebuilt on a bridge change).
    outputPage_ = new QWidget(pages_);
    auto* ov = new QVBoxLayout(outputPage_);
    ov->setContentsMargins(0, 0, 0, 0);
    outputHost_ = new QStackedWidget(outputPage_);
    ov->addWidget(outputHost_);
    pages_->addTab(outputPage_, "Outputs");
    RebuildOutputPage();

    // "SM".
    auto* sm = new QWidget(pages_);
    auto* sv = new QHBoxLayout(sm);
    auto* masking = Frame("Masking", sm);
    auto* mv = new QVBoxLayout(masking);
    mv->addWidget(b.Check(ParamId::MaskEnable, ParamChannel::Sm, "Masking on", "CheckMasking", masking));
    auto* type = b.Options(ParamId::MaskType, ParamChannel::Sm, {"Type A", "Type B"}, masking);
    type->setObjectName("OptionMaskingType");
    mv->addWidget(type);
    auto* channels = new QHBoxLayout;
    channels->addWidget(b.Check(ParamId::MaskInL, ParamChannel::Sm, "L", "CheckLinkSM0", masking));
    channels->addWidget(b.Check(ParamId::MaskInR, ParamChannel::Sm, "R", "CheckLinkSM1", masking));
    channels->addWidget(b.Check(ParamId::MaskOut1, ParamChannel::Sm, "1", "CheckLinkSM2", masking));
    channels->addWidget(b.Check(ParamId::MaskOut2, ParamChannel::Sm, "2", "CheckLinkSM3", masking));
    mv->addWidget(new QLabel("Masked channels:", masking));
    mv->addLayout(channels);
    mv->addStretch(1);
    sv->addWidget(masking, 1);
    auto* level = b.Number(ParamId::MaskLevel, ParamChannel::Sm, "Level dB", {true, true, {}, "TextMasking", 44}, sm);
    level->fader()->setObjectName("ImageMaskingSl");
    sv->addWidget(level);
    auto* gen = Frame("Noise generator", sm);
    auto* gv = new QVBoxLayout(gen);
    auto* option = b.Options(ParamId::NoiseOption, ParamChannel::Device, {"Pink", "White", "On"}, gen);
    option->setObjectName("OptionNoiseLev");
    gv->addWidget(option);
    auto* noise = b.Number(ParamId::NoiseLevel, ParamChannel::Device, "Level dB", {true, false, {}, "TextNoiseLev", 44}, gen);
    noise->fader()->setObjectName("SlNoiseLev");
    gv->addWidget(noise);
    gv->addStretch(1);
    sv->addWidget(gen, 1);
    pages_->addTab(sm, "SM");

    // Device.
    auto* dev = new QWidget(pages_);
    auto* dg = new QGridLayout(dev);
    dg->addWidget(b.Check(ParamId::Standby, ParamChannel::Device, "Standby", "ImageStandby", dev), 0, 0);
    dg->addWidget(b.Check(ParamId::Sleep, ParamChannel::Device, "Sleep mode", "CheckSleepMode", dev), 1, 0);
    dg->addWidget(b.Check(ParamId::Remote, ParamChannel::Device, "Remote control", "CheckControlEnable", dev), 2, 0);
    auto* bridge = b.Options(ParamId::Bridge, ParamChannel::Device, {"Stereo", "Bridge"}, dev);
    bridge->setObjectName("OptionBridge");
    dg->addWidget(new QLabel("Output mode:", dev), 0, 1);
    dg->addWidget(bridge, 0, 2);
    auto* unit = b.Options(ParamId::DelayUnit, ParamChannel::Device, {"Time", "Distance"}, dev);
    unit->setObjectName("Option1");
    dg->addWidget(new QLabel("Delay unit:", dev), 1, 1);
    dg->addWidget(unit, 1, 2);
    std::vector<QString> voltages;
    for (int i = 0; i < 4; ++i) voltages.push_back(QString("Range %1").arg(i));
    dg->addWidget(new QLabel("Voltage:", dev), 2, 1);
    dg->addWidget(b.Choice(ParamId::Voltage, ParamChannel::Device, "", voltages, "ComboVoltage", dev), 2, 2);
    dg->addWidget(b.Check(ParamId::LinkInputs, ParamChannel::Device, "Link inputs", "CheckLinkIn", dev), 3, 0);
    dg->addWidget(b.Check(ParamId::LinkOutputs, ParamChannel::Device, "Link outputs", "CheckLinkOut", dev), 4, 0);
    dg->addWidget(new QLabel("Meter scale:", dev), 3, 1);
    meterUnit_ = new QComboBox(dev);
    meterUnit_->setObjectName("ComboSelVm");
    meterUnit_->addItems({"Volt", "dBu"});
    dg->addWidget(meterUnit_, 3, 2);
    auto* eqMode = new QLabel(dev);
    eqMode->setObjectName("LblEqMode");
    dg->addWidget(new QLabel("Output EQ:", dev), 4, 1);
    dg->addWidget(eqMode, 4, 2);
    extraRefresh_.push_back([this, eqMode] {
        eqMode->setText(device().preset[pi::kEqMode] ? "10PEQ + FIR" : "30 PEQ");
    });
    dg->setRowStretch(5, 1);
    dg->setColumnStretch(3, 1);
    pages_->addTab(dev, "Device");

    connect(pages_, &QTabWidget::currentChanged, this, [this](int index) {
        if (!filling_) SetPageTab(static_cast<EditorPage>(index));
    });
}

void ChannelEditorWindow::RebuildOutputPage() {
    ++outputBuilds_;
    const bool was = filling_;
    filling_ = true;
    while (outputHost_->count() > 0) {
        QWidget* w = outputHost_->widget(0);
        outputHost_->removeWidget(w);
        delete w;
    }
    outputControls_.clear();
    outputExtraRefresh_.clear();
    const bool bridged = device().settings[ds::kBridge] != 0;
    outputHost_->setProperty("bridged", bridged);

    auto* page = new QWidget(outputHost_);
    auto* v = new QVBoxLayout(page);
    v->setContentsMargins(4, 4, 4, 4);
    EditorPageBuilder b(*this, outputControls_);
    auto* top = new QHBoxLayout;
    std::vector<std::pair<int, QString>> items = {{2, bridged ? "Out 1+2 (bridged)" : "Out 1"}};
    if (!bridged) items.push_back({3, "Out 2"});
    channelSelectors_[1] = ChannelSelector(page, top, items);
    top->addWidget(b.Check(ParamId::LinkOutputs, ParamChannel::Device, "Link 1+2", "CheckLinkOut", page));
    auto* copy = new QPushButton("Copy...", page);
    copy->setEnabled(!bridged);
    connect(copy, &QPushButton::clicked, this, [this] { ClickCopy(1); });
    top->addWidget(copy);
    auto* eqButton = new QPushButton("Output EQ...", page);
    eqButton->setObjectName("BtnOutputEq");
    eqButton->setEnabled(static_cast<bool>(outputEditorHandler));
    connect(eqButton, &QPushButton::clicked, this, [this] {
        if (outputEditorHandler) outputEditorHandler(slot_);
    });
    top->addWidget(eqButton);
    v->addLayout(top);

    auto* stack = new QStackedWidget(page);
    const ParamChannel outs[] = {ParamChannel::Out1, ParamChannel::Out2};
    for (int o = 0; o < (bridged ? 1 : 2); ++o) {
        const ParamChannel ch = outs[o];
        auto* w = new QWidget(stack);
        auto* row = new QHBoxLayout(w);
        row->setContentsMargins(0, 0, 0, 0);
        row->addWidget(GainStrip(b, ch, w));

        auto* col1 = new QVBoxLayout;
        auto* xo = Frame("Crossover", w);
        auto* xg = new QGridLayout(xo);
        const auto slopes = Texts(kCrossoverSlopeNames);
        xg->addWidget(b.Number(ParamId::HpFreq, ch, "HP Hz", {false, false, {}, "TextHpLpF", 52}, xo), 0, 0);
        xg->addWidget(b.Choice(ParamId::HpSlope, ch, "", slopes, "ComboHpLpS", xo), 0, 1);
        xg->addWidget(b.Number(ParamId::LpFreq, ch, "LP Hz", {false, false, {}, "TextHpLpF", 52}, xo), 1, 0);
        xg->addWidget(b.Choice(ParamId::LpSlope, ch, "", slopes, "ComboHpLpS", xo), 1, 1);
        col1->addWidget(xo);

        auto* delay = Frame(QString::fromStdString(DelayFrameCaption(device().settings[ds::kDelayUnit] == 1)), w);
        delay->setObjectName("FrameDelay");
        auto* dg = new QGridLayout(delay);
        dg->addWidget(b.Number(ParamId::Delay, ch, "Delay", {false, false, {}, "TextDelay", 64}, delay), 0, 0, 1, 2);
        dg->addWidget(b.Check(ParamId::DelayBypass, ch, "Bypass", "CheckDelayBypass", delay), 0, 2);
        auto* coarse = new QSpinBox(delay);
        coarse->setObjectName("UpDownDelayA");
        coarse->setRange(0, kDelayMaxCoarse);
        coarse->setSuffix(" ms");
        auto* fine = new QSpinBox(delay);
        fine->setObjectName("UpDownDelayF");
        fine->setRange(0, kDelayMaxFine);
        fine->setPrefix("+");
        fine->setToolTip("steps of 0.0208 ms");
        dg->addWidget(coarse, 1, 0);
        dg->addWidget(fine, 1, 1);
        const int out = o;
        const auto sendCounts = [this, ch, coarse, fine] {
            if (controlsQuiet()) return;
            const double ms = coarse->value() + fine->value() * kDelayFineStepMs;
            Commit(ParameterOf(ParamId::Delay, {ch, 0}), DelayMs(DelayCountsFromMs(ms)), false);
        };
        connect(coarse, &QSpinBox::valueChanged, this, sendCounts);
        connect(fine, &QSpinBox::valueChanged, this, sendCounts);
        outputExtraRefresh_.push_back([this, out, coarse, fine, delay] {
            const DelayCounts c = ReadDelay(device().preset, out);
            const QSignalBlocker b1(coarse), b2(fine);
            coarse->setValue(c.coarse);
            fine->setValue(c.fine);
            delay->setTitle(QString::fromStdString(DelayFrameCaption(device().settings[ds::kDelayUnit] == 1)));
        });
        col1->addWidget(delay);

        auto* misc = Frame("Routing / Load", w);
        auto* mg = new QGridLayout(misc);
        mg->addWidget(b.Check(ParamId::RouteL, ch, "from L", "CheckRouting", misc), 0, 0);
        mg->addWidget(b.Check(ParamId::RouteR, ch, "from R", "CheckRouting", misc), 0, 1);
        mg->addWidget(b.Check(ParamId::EqBypass, ch, "EQ bypass", "CheckEqByp", misc), 1, 0);
        mg->addWidget(b.Check(ParamId::FirBypass, ch, "FIR bypass", "CheckFirByp", misc), 1, 1);
        mg->addWidget(b.Choice(ParamId::Impedance, ch, "Load", {"Z 0", "Z 1", "Z 2", "Z 3"}, "ComboImpedence", misc), 2,
                      0, 1, 2);
        col1->addWidget(misc);
        col1->addStretch(1);
        row->addLayout(col1, 3);

        auto* col2 = new QVBoxLayout;
        auto* comp = Frame("Compressor", w);
        auto* cv = new QVBoxLayout(comp);
        cv->setSpacing(1);
        auto* flags = new QHBoxLayout;
        flags->addWidget(b.Check(ParamId::CompEnable, ch, "On", "CheckCmp", comp));
        flags->addWidget(b.Check(ParamId::CompAuto, ch, "Auto", "CheckCmpAutoMode", comp));
        flags->addWidget(b.Check(ParamId::CompKnee, ch, "Knee", "CheckCmpAutoKnee", comp));
        cv->addLayout(flags);
        cv->addWidget(b.Number(ParamId::CompLevel, ch, "Level dB", {true, false, {}, "CmpText", 40}, comp));
        cv->addWidget(b.Number(ParamId::CompRatio, ch, "Ratio", {true, false, {}, "CmpTextR", 40}, comp));
        cv->addWidget(b.Number(ParamId::CompValue, ch, "Knee %", {true, false, {}, "CmpTextV", 40}, comp));
        cv->addWidget(b.Number(ParamId::CompTimeA, ch, "Attack", {true, false, {}, "CmpTextA", 40}, comp));
        cv->addWidget(b.Number(ParamId::CompTimeB, ch, "Release", {true, false, {}, "CmpTextB", 40}, comp));
        cv->addWidget(b.Number(ParamId::CompGain, ch, "Make-up", {true, false, {}, "CmpTextG", 40}, comp));
        col2->addWidget(comp);
        row->addLayout(col2, 3);

        auto* col3 = new QVBoxLayout;
        auto* lim = Frame("Limiter", w);
        auto* lv = new QVBoxLayout(lim);
        lv->setSpacing(1);
        lv->addWidget(b.Check(ParamId::LimEnable, ch, "On", "CheckLimByp", lim));
        lv->addWidget(b.Number(ParamId::LimThreshold, ch, "Threshold", {true, false, {}, "LimText", 40}, lim));
        lv->addWidget(b.Number(ParamId::LimTimeA, ch, "Attack", {true, false, {}, "LimTextA", 40}, lim));
        lv->addWidget(b.Number(ParamId::LimTimeB, ch, "Release", {true, false, {}, "LimTextB", 40}, lim));
        col3->addWidget(lim);
        auto* dyn = Frame("Dynamic filter", w);
        auto* dv = new QVBoxLayout(dyn);
        dv->setSpacing(1);
        dv->addWidget(b.Check(ParamId::DynEnable, ch, "On", "CheckDynFilt", dyn));
        dv->addWidget(b.Number(ParamId::DynValue1, ch, "Value 1", {false, false, {}, "TextDLF", 40}, dyn));
        dv->addWidget(b.Number(ParamId::DynValue2, ch, "Value 2", {false, false, {}, "TextDLF2", 40}, dyn));
        col3->addWidget(dyn);
        col3->addStretch(1);
        row->addLayout(col3, 3);
        stack->addWidget(w);
    }
    v->addWidget(stack, 1);
    connect(channelSelectors_[1], &QButtonGroup::idClicked, this, [this, stack](int id) {
        stack->setCurrentIndex(id - dsp::kGroupOutput1);
        SetPageChannel(id);
    });
    outputExtraRefresh_.push_back([this, stack] {
        const int g = session_.selection(slot_).group;
        if (dsp::IsOutputGroup(g)) stack->setCurrentIndex(std::min(g - dsp::kGroupOutput1, stack->count() - 1));
    });
    outputHost_->addWidget(page);
    filling_ = was;
    if (bridged && session_.selection(slot_).group == dsp::kGroupOutput2) session_.selection(slot_).group = dsp::kGroupOutput1;
    RefreshControls();
}

}  // namespace zef
