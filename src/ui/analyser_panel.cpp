#include "ui/analyser_panel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/measure_rules.h"
#include "app/measuring_link.h"
#include "app/texts.h"
#include "audio/audio_system.h"
#include "ui/analyser_frames.h"
#include "ui/analyser_view.h"
#include "ui/card_chooser.h"
#include "ui/rta_settings_window.h"

namespace zef {
namespace {

int OutputGroup(ChannelCode output) { return output == kOutput2 ? 3 : 2; }

const QColor kEqColour(250, 200, 60);

}  // namespace

AnalyserPanel::AnalyserPanel(const MeasureContext& context, DeviceSlot slot, ChannelCode output,
                             QWidget* parent)
    : QWidget(parent), context_(context), slot_(slot), output_(output), rta_(context, slot, output) {
    setObjectName("AnalyserPanel");
    auto* v = new QVBoxLayout(this);
    view_ = new AnalyserView(context_.grid, this);
    view_->setObjectName("GraphRta");
    view_->setMinimumHeight(240);
    v->addWidget(view_, 1);
    auto* row = new QHBoxLayout;
    enable_ = new QPushButton(kRtaStartCaption, this);
    enable_->setObjectName("ImageRTA");
    enable_->setCheckable(true);
    connect(enable_, &QPushButton::clicked, this, [this] { ClickRtaEnable(); });
    row->addWidget(enable_);
    noise_ = new NoiseGenFrame(this);
    noise_->setLevel(context_.measure.settings().noiseLevel);
    noise_->levelChanged = [this](int level) { rta_.SetNoiseLevel(level); };
    row->addWidget(noise_, 1);
    mic_ = new MicLevelFrame(this);
    row->addWidget(mic_, 1);
    auto* scale = new QVBoxLayout;
    zoom_ = new QSpinBox(this);
    zoom_->setObjectName("UpDownZoomRta");
    zoom_->setRange(0, kRtaZoomLevels - 1);
    shift_ = new QSpinBox(this);
    shift_->setObjectName("UpDownShiftRta");
    shift_->setRange(0, kRtaShiftSteps - 1);
    MeasureSettings& kept = context_.measure.settings();
    zoom_->setValue(kept.rtaZoom);
    shift_->setValue(kept.rtaShift);
    view_->setRtaScale({zoom_->value(), shift_->value()});
    auto rescale = [this] {
        MeasureSettings& s = context_.measure.settings();
        s.rtaZoom = zoom_->value();
        s.rtaShift = shift_->value();
        view_->setRtaScale({s.rtaZoom, s.rtaShift});
    };
    connect(zoom_, &QSpinBox::valueChanged, this, rescale);
    connect(shift_, &QSpinBox::valueChanged, this, rescale);
    auto* zoomRow = new QHBoxLayout;
    zoomRow->addWidget(new QLabel(kZoomAxisCaption, this));
    zoomRow->addWidget(zoom_);
    auto* shiftRow = new QHBoxLayout;
    shiftRow->addWidget(new QLabel(kShiftAxisCaption, this));
    shiftRow->addWidget(shift_);
    scale->addLayout(zoomRow);
    scale->addLayout(shiftRow);
    row->addLayout(scale);
    v->addLayout(row);

    subscriptions_.push_back(rta_.spectrum.Connect([this](const BandSpectrum& levels) {
        view_->setLevels(levels);
        mic_->setLevel(rta_.running() ? rta_.micLevelDb() : kSilentBandDb);
    }));
    subscriptions_.push_back(ConnectWhere(context_.responses.groupChanged, slot_, [this](int group) {
        if (group == OutputGroup(output_)) ShowCurve();
    }));
    context_.responses.Keep(slot_);
    view_->setTraceCount(1);
    ShowCurve();
    ShowState();
}

AnalyserPanel::~AnalyserPanel() {
    subscriptions_.clear();
    rta_.Stop();
}

void AnalyserPanel::ShowCurve() {
    const dsp::DeviceResponses* r = context_.curves.find(slot_);
    if (r) view_->setTrace(0, r->group(OutputGroup(output_)), kEqColour);
}

void AnalyserPanel::ShowState() {
    enable_->setChecked(rta_.running());
    enable_->setText(rta_.running() ? kRtaStopCaption : kRtaStartCaption);
    view_->setBarsVisible(rta_.running());
    if (!rta_.running()) mic_->setLevel(kSilentBandDb);
}

void AnalyserPanel::ClickRtaEnable() {
    if (rta_.running()) return DisableRta();
    std::string error;
    audio::System* system = context_.audio(error);
    if (!system) {
        context_.dialogs.Message(kRtaSettingsTitle, error, Icon::Exclamation);
        ShowState();
        return;
    }
    std::unique_ptr<AudioDeviceManager> manager = audio::MakeInputDeviceManager(*system);
    AnalyserSettingsWindow settings(*manager, context_.measure.settings(), this);
    settings.chooser()->EnableCalibration(context_.dataFolder, context_.dialogs);
    settings.enable = [this] { EnableRta(); };
    if (settingsShown)
        settingsShown(settings);
    else
        settings.exec();
    ShowState();
}

void AnalyserPanel::EnableRta() {
    if (std::string error = rta_.Start(); !error.empty()) {
        context_.measure.settings().rtaEnabled = false;
        context_.dialogs.Message(kRtaSettingsTitle, error, Icon::Exclamation);
    }
    ShowState();
}

void AnalyserPanel::DisableRta() {
    rta_.Stop();
    context_.measure.settings().rtaEnabled = false;
    ShowState();
}

}  // namespace zef
