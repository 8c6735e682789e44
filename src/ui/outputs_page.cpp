#include "ui/outputs_page.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStackedWidget>
#include <algorithm>

#include "dsp/groups.h"
#include "model/encodings.h"
#include "model/memory_map.h"
#include "model/records.h"
#include "model/tables.h"

namespace zef {
namespace {

constexpr ParamChannel kOutputs[] = {ParamChannel::Out1, ParamChannel::Out2};

constexpr OutputsPage::CheckField kCompressorChecks[] = {{ParamId::CompEnable, "On", "CheckCmp"},
                                                         {ParamId::CompAuto, "Auto", "CheckCmpAutoMode"},
                                                         {ParamId::CompKnee, "Knee", "CheckCmpAutoKnee"}};
constexpr OutputsPage::NumberField kCompressorNumbers[] = {
    {ParamId::CompLevel, "Level dB", "CmpText"}, {ParamId::CompRatio, "Ratio", "CmpTextR"},
    {ParamId::CompValue, "Knee %", "CmpTextV"},  {ParamId::CompTimeA, "Attack ms", "CmpTextA"},
    {ParamId::CompTimeB, "Release ms", "CmpTextB"}, {ParamId::CompGain, "Make-up dB", "CmpTextG"}};
constexpr OutputsPage::CheckField kLimiterChecks[] = {{ParamId::LimEnable, "On", "CheckLimByp"}};
constexpr OutputsPage::NumberField kLimiterNumbers[] = {{ParamId::LimThreshold, "Threshold V", "LimText"},
                                                        {ParamId::LimTimeA, "Attack ms", "LimTextA"},
                                                        {ParamId::LimTimeB, "Release ms", "LimTextB"}};
constexpr OutputsPage::CheckField kDynamicFilterChecks[] = {{ParamId::DynEnable, "On", "CheckDynFilt"}};
constexpr OutputsPage::NumberField kDynamicFilterNumbers[] = {{ParamId::DynValue1, "Value 1", "TextDLF"},
                                                              {ParamId::DynValue2, "Value 2", "TextDLF2"}};

constexpr OutputsPage::DynamicsLayout kCompressor = {"Compressor", kCompressorChecks, kCompressorNumbers, true};
constexpr OutputsPage::DynamicsLayout kLimiter = {"Limiter", kLimiterChecks, kLimiterNumbers, true};
constexpr OutputsPage::DynamicsLayout kDynamicFilter = {"Dynamic filter", kDynamicFilterChecks, kDynamicFilterNumbers,
                                                        false};

std::vector<QString> Texts(std::span<const std::string_view> names) {
    std::vector<QString> out;
    for (auto n : names) out.push_back(QString::fromUtf8(n.data(), static_cast<int>(n.size())));
    return out;
}

}  // namespace

OutputsPage::OutputsPage(ControlHost& host, EditorSelection& selection, QWidget* parent)
    : ChannelsPage(host, parent), selection_(selection) {
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    frame_ = new QStackedWidget(this);
    v->addWidget(frame_);
}

bool OutputsPage::bridgeModeChanged() const { return (host_.device().settings[ds::kBridge] != 0) != bridged_; }

void OutputsPage::Rebuild(bool outputEditorAvailable) {
    ++builds_;
    while (frame_->count() > 0) {
        QWidget* w = frame_->widget(0);
        frame_->removeWidget(w);
        delete w;
    }
    controls_.clear();
    delays_.clear();
    bridged_ = host_.device().settings[ds::kBridge] != 0;

    auto* page = new QWidget(frame_);
    auto* v = new QVBoxLayout(page);
    v->setContentsMargins(4, 4, 4, 4);
    std::vector<std::pair<int, QString>> channels = {{2, bridged_ ? "Out 1+2 (bridged)" : "Out 1"}};
    if (!bridged_) channels.push_back({3, "Out 2"});
    QHBoxLayout* top = ChannelRow(page, channels, ParamId::LinkOutputs, "Link 1+2", "CheckLinkOut", !bridged_);
    auto* eqButton = new QPushButton("Output EQ...", page);
    eqButton->setObjectName("BtnOutputEq");
    eqButton->setEnabled(outputEditorAvailable);
    connect(eqButton, &QPushButton::clicked, this, [this] { emit outputEditorRequested(); });
    top->addWidget(eqButton);
    v->addLayout(top);

    stack_ = new QStackedWidget(page);
    for (int o = 0; o < (bridged_ ? 1 : 2); ++o) stack_->addWidget(OutputChannel(o, stack_));
    v->addWidget(stack_, 1);
    ShowChosenChannel(stack_, dsp::kGroupOutput1);
    frame_->addWidget(page);
    if (bridged_ && selection_.group == dsp::kGroupOutput2) selection_.group = dsp::kGroupOutput1;
}

void OutputsPage::RefreshOthers() {
    for (const DelaySteps& d : delays_) {
        const DelayCounts c = ReadDelay(host_.device().preset, d.output);
        const QSignalBlocker b1(d.coarse), b2(d.fine);
        d.coarse->setValue(c.coarse);
        d.fine->setValue(c.fine);
        d.frame->setTitle(QString::fromStdString(DelayFrameCaption(host_.device().settings[ds::kDelayUnit] == 1)));
    }
    const int g = selection_.group;
    if (dsp::IsOutputGroup(g)) stack_->setCurrentIndex(std::min(g - dsp::kGroupOutput1, stack_->count() - 1));
}

QWidget* OutputsPage::OutputChannel(int output, QWidget* parent) {
    const ParamChannel ch = kOutputs[output];
    auto* w = new QWidget(parent);
    auto* row = new QHBoxLayout(w);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(GainStrip(ch, w));

    auto* col1 = new QVBoxLayout;
    col1->addWidget(Crossover(ch, w));
    col1->addWidget(Delay(output, ch, w));
    col1->addWidget(Routing(ch, w));
    col1->addStretch(1);
    row->addLayout(col1, 3);

    auto* col2 = new QVBoxLayout;
    col2->addWidget(Dynamics(ch, kCompressor, w));
    row->addLayout(col2, 3);

    auto* col3 = new QVBoxLayout;
    col3->addWidget(Dynamics(ch, kLimiter, w));
    col3->addWidget(Dynamics(ch, kDynamicFilter, w));
    col3->addStretch(1);
    row->addLayout(col3, 3);
    return w;
}

QWidget* OutputsPage::Crossover(ParamChannel ch, QWidget* parent) {
    auto* xo = Frame("Crossover", parent);
    auto* xg = new QGridLayout(xo);
    const auto slopes = Texts(kCrossoverSlopeNames);
    xg->addWidget(Number(ParamId::HpFreq, ch, "HP Hz", {false, false, {}, "TextHpLpF", 52}, xo), 0, 0);
    xg->addWidget(Choice(ParamId::HpSlope, ch, "", slopes, "ComboHpLpS", xo), 0, 1);
    xg->addWidget(Number(ParamId::LpFreq, ch, "LP Hz", {false, false, {}, "TextHpLpF", 52}, xo), 1, 0);
    xg->addWidget(Choice(ParamId::LpSlope, ch, "", slopes, "ComboHpLpS", xo), 1, 1);
    return xo;
}

QWidget* OutputsPage::Delay(int output, ParamChannel ch, QWidget* parent) {
    auto* delay = Frame(QString::fromStdString(DelayFrameCaption(host_.device().settings[ds::kDelayUnit] == 1)), parent);
    delay->setObjectName("FrameDelay");
    auto* dg = new QGridLayout(delay);
    dg->addWidget(Number(ParamId::Delay, ch, "Delay", {false, false, {}, "TextDelay", 64}, delay), 0, 0, 1, 2);
    dg->addWidget(Check(ParamId::DelayBypass, ch, "Bypass", "CheckDelayBypass", delay), 0, 2);
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
    const auto sendCounts = [this, ch, coarse, fine] {
        if (host_.controlsQuiet()) return;
        const double ms = coarse->value() + fine->value() * kDelayFineStepMs;
        host_.Commit(ParameterOf(ParamId::Delay, {ch, 0}), DelayMs(DelayCountsFromMs(ms)), false);
    };
    connect(coarse, &QSpinBox::valueChanged, this, sendCounts);
    connect(fine, &QSpinBox::valueChanged, this, sendCounts);
    delays_.push_back({output, coarse, fine, delay});
    return delay;
}

QWidget* OutputsPage::Routing(ParamChannel ch, QWidget* parent) {
    auto* misc = Frame("Routing / Load", parent);
    auto* mg = new QGridLayout(misc);
    mg->addWidget(Check(ParamId::RouteL, ch, "from L", "CheckRouting", misc), 0, 0);
    mg->addWidget(Check(ParamId::RouteR, ch, "from R", "CheckRouting", misc), 0, 1);
    mg->addWidget(Check(ParamId::EqBypass, ch, "EQ bypass", "CheckEqByp", misc), 1, 0);
    mg->addWidget(Check(ParamId::FirBypass, ch, "FIR bypass", "CheckFirByp", misc), 1, 1);
    mg->addWidget(Choice(ParamId::Impedance, ch, "Load", {"Z 0", "Z 1", "Z 2", "Z 3"}, "ComboImpedence", misc), 2, 0,
                  1, 2);
    return misc;
}

QWidget* OutputsPage::Dynamics(ParamChannel ch, const DynamicsLayout& layout, QWidget* parent) {
    auto* frame = Frame(layout.title, parent);
    auto* v = new QVBoxLayout(frame);
    v->setSpacing(1);
    if (layout.checks.size() == 1) {
        v->addWidget(Check(layout.checks[0].id, ch, layout.checks[0].caption, layout.checks[0].name, frame));
    } else {
        auto* flags = new QHBoxLayout;
        for (const CheckField& c : layout.checks) flags->addWidget(Check(c.id, ch, c.caption, c.name, frame));
        v->addLayout(flags);
    }
    for (const NumberField& n : layout.numbers)
        // Values without a fader (the dynamic filter's) step with up/down arrows.
        v->addWidget(Number(n.id, ch, n.caption, {layout.sliders, false, {}, n.box, 40, !layout.sliders}, frame));
    return frame;
}

}  // namespace zef
