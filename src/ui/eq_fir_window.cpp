#include "ui/eq_fir_window.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "app/editor_actions.h"
#include "app/editor_session.h"
#include "app/output_eq_actions.h"
#include "dsp/groups.h"
#include "model/memory_map.h"
#include "ui/eq_band_panel.h"
#include "ui/response_graph.h"

namespace zef {

OutputEqWindow::OutputEqWindow(EditorSession& session, DeviceSlot slot, int output, int& firFilterIndex, QWidget* parent)
    : QWidget(parent),
      session_(session),
      slot_(slot),
      output_(output == 1 ? 1 : 0),
      firFilterIndex_(firFilterIndex),
      coalescer_(session.link(), [this](int ms, std::function<void()> flush) {
          QTimer::singleShot(ms, this, std::move(flush));
      }) {
    setObjectName("FrmEQFIR");
    session_.responses().Keep(slot_);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    outer->setSpacing(4);
    outer->addWidget(BuildHeader(this));
    auto* middle = new QHBoxLayout;
    auto* graphHost = new QWidget(this);
    BuildGraph(graphHost);
    middle->addWidget(graphHost, 1);
    // The column beside the graph: zoom and shift, analyser and AutoEQ, the FIR frame.
    auto* side = new QWidget(this);
    side->setFixedWidth(190);
    auto* column = new QVBoxLayout(side);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(zoomFrame_);
    BuildAnalyserButtons(side, column);
    column->addWidget(BuildFirFrame(side));
    column->addStretch(1);
    middle->addWidget(side);
    outer->addLayout(middle, 1);

    bandPanel_ = new EqBandPanel(*this, this);
    bandPanel_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    outer->addWidget(bandPanel_);

    bandPanel_->flatRequested = [this] { ClickFlat(); };
    bandPanel_->typeMenuRequested = [this](QPoint at) { typeMenu_->popup(at); };
    bandPanel_->bandSelected = [this](int) { UpdateMarkers(); };

    subscriptions_.push_back(session_.responses().groupChanged.Connect([this](DeviceSlot s, int group) {
        if (s == slot_ && group == Group()) CopyCurve();
    }));
    subscriptions_.push_back(session_.graphView().changed.Connect([this] { PlotMainPage(); }));
    RefreshEvents& events = session_.events();
    const auto refreshMine = [this](DeviceSlot s) {
        if (s == slot_) RefreshWindowEqFIR();
    };
    subscriptions_.push_back(events.outputEditorRefreshed.Connect(refreshMine));
    subscriptions_.push_back(events.deviceLevelRefreshed.Connect(refreshMine));
    subscriptions_.push_back(events.channelLevelRefreshed.Connect(refreshMine));
    subscriptions_.push_back(events.groupRefreshed.Connect([this](DeviceSlot s, ParamGroup) {
        if (s == slot_) RefreshWindowEqFIR();
    }));
    subscriptions_.push_back(events.firReread.Connect([this](DeviceSlot s, int o) {
        if (s == slot_ && o == output_) RefreshNameTapsFir();
    }));
    subscriptions_.push_back(events.listEntryChanged.Connect([this](DeviceSlot s) {
        if (s == slot_)
            setWindowTitle(QString::fromStdString(OutputEditorTitle(session_.model().entry(slot_))));
    }));

    // Opening: the FIR's response (SetPageTabChn), every control and the graph.
    setWindowTitle(QString::fromStdString(OutputEditorTitle(session_.model().entry(slot_))));
    SetPageTabChn(output_);
    HooksChanged();
    filling_ = false;
}

OutputEqWindow::~OutputEqWindow() { subscriptions_.clear(); }

bool OutputEqWindow::firMode() const { return device().preset[pi::kEqMode] != 0; }

int OutputEqWindow::visibleBands() const {
    return firMode() ? dsp::kFirModeOutputBands
                     : dsp::kGroupInfo[static_cast<std::size_t>(Group())].bandCount;
}

int OutputEqWindow::Group() const { return dsp::kGroupOutput1 + output_; }
int OutputEqWindow::FirstBand() const { return dsp::kGroupInfo[static_cast<std::size_t>(Group())].firstBand; }

bool OutputEqWindow::controlsQuiet() const {
    return filling_ || device().values.lock == 1 || session_.reader().busy();
}
bool OutputEqWindow::refusesEdits() const { return !filling_ && device().values.lock == 1; }
bool OutputEqWindow::decimalComma() const { return session_.decimalComma(); }
const DeviceModel& OutputEqWindow::device() const { return session_.model().device(slot_); }

void OutputEqWindow::Warn(const std::string& title, const std::string& text) {
    session_.dialogs().Message(title, text, Icon::Exclamation);
}

void OutputEqWindow::Commit(const Parameter& p, double value, bool dragging) {
    if (controlsQuiet()) return;
    session_.model().setSelectedOutput(slot_, static_cast<ChannelCode>(kOutput1 + output_));
    if (dragging) {
        // The curve follows at once; the device gets the latest position.
        if (p.description->id == ParamId::BandGain) {
            const int band = FirstBand() + p.target.band - 1;
            session_.model().device(slot_).values.bandGain[static_cast<std::size_t>(band)] = value;
            session_.responses().BandChanged(slot_, band);
            UpdateMarkers();
        }
        coalescer_.Post([this, p, value] {
            session_.writer().Set(slot_, p, value);
            RefreshControls();
        });
        return;
    }
    coalescer_.Cancel();
    session_.writer().Set(slot_, p, value);
    RefreshControls();
    UpdateMarkers();
}

void OutputEqWindow::DragEnded() { coalescer_.Flush(); }

void OutputEqWindow::RefreshControls() {
    const bool was = filling_;
    filling_ = true;
    bandPanel_->Refresh();
    firBypass_->Refresh();
    filling_ = was;
}

void OutputEqWindow::RefreshWindowEqFIR() {
    if (output_ == 1 && Bridged()) return SetPageTabChn(0);  // bridged while output 2 was on show
    const bool was = filling_;
    filling_ = true;
    for (int o = 0; o < 2; ++o) tabs_[static_cast<std::size_t>(o)]->setChecked(o == output_);
    // Bridged, output 1 drives both sides: there is no output 2 to edit.
    tabs_[1]->setVisible(!Bridged());
    const int band = std::clamp(bandPanel_->selectedBand(), FirstBand(), FirstBand() + visibleBands() - 1);
    bandPanel_->setGroup(Group(), visibleBands(), band);
    firBypass_->Rebind(ParameterOf(ParamId::FirBypass, {ChannelOfGroup(Group()), 0}));
    firFrame_->setVisible(firMode());
    mode_->setText(QString("EQ Mode: ") + kEqModeNames[firMode() ? 1 : 0]);
    RefreshNameTapsFir();
    RefreshControls();
    filling_ = was;
    PlotMainPage();
}

void OutputEqWindow::SetPageTabChn(int output) {
    coalescer_.Flush();
    output_ = output == 1 && !Bridged() ? 1 : 0;
    session_.model().setSelectedOutput(slot_, static_cast<ChannelCode>(kOutput1 + output_));
    session_.responses().FirChanged(slot_, output_);
    const bool was = filling_;
    filling_ = true;
    bandPanel_->setGroup(Group(), visibleBands(), FirstBand());
    filling_ = was;
    RefreshWindowEqFIR();
}

bool OutputEqWindow::Bridged() const { return session_.model().device(slot_).settings[ds::kBridge] != 0; }

void OutputEqWindow::RefreshNameTapsFir() {
    firName_->setText(QString::fromStdString(FirNameCaption(device(), output_)));
    firTaps_->setText(QString::fromStdString(FirTapsCaption(device(), output_)));
}

void OutputEqWindow::ClickFlat() {
    if (controlsQuiet()) return;
    if (FlattenEq(session_.writer(), slot_, session_.dialogs(), Group(), visibleBands())) {
        RefreshControls();
        PlotMainPage();
    }
}

void OutputEqWindow::ClickEqMode() {
    if (eqModeHandler && !controlsQuiet()) eqModeHandler();
}

void OutputEqWindow::closeEvent(QCloseEvent* event) {
    coalescer_.Flush();
    ShowAnalyser(false);
    event->accept();
    // The channel editor shows what was changed here (EQ and FIR bypass, mode).
    subscriptions_.clear();
    session_.events().channelLevelRefreshed.Emit(slot_);
}

}  // namespace zef
