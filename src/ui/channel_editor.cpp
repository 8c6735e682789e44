#include "ui/channel_editor.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolBar>

#include "app/edit_actions.h"
#include "app/editor_actions.h"
#include "app/editor_session.h"
#include "dsp/groups.h"
#include "model/records.h"
#include "model/status_text.h"
#include "ui/eq_band_panel.h"
#include "ui/response_graph.h"

namespace zef {

ChannelEditorWindow::ChannelEditorWindow(EditorSession& session, DeviceSlot slot, EditorTimings timings, QWidget* parent)
    : QWidget(parent),
      session_(session),
      slot_(slot),
      timings_(timings),
      coalescer_(session.link(), [this](int ms, std::function<void()> flush) {
          QTimer::singleShot(ms, this, std::move(flush));
      }) {
    setObjectName("FrmVLDxxxA");
    setAttribute(Qt::WA_DeleteOnClose, false);
    filling_ = true;
    session_.responses().Keep(slot_);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->setSpacing(4);
    BuildHeader();
    outer->addWidget(bar_);
    auto* statusRow = new QHBoxLayout;
    statusRow->addWidget(status_, 1);
    statusRow->addWidget(standby_);
    statusRow->addWidget(sleep_);
    statusRow->addWidget(online_);
    outer->addLayout(statusRow);

    auto* body = new QHBoxLayout;
    auto* left = new QWidget(this);
    BuildGraphArea(left);
    auto* split = new QVBoxLayout;
    split->addWidget(left, 3);
    BuildPages();
    split->addWidget(pages_, 4);
    body->addLayout(split, 1);
    auto* meterBox = new QWidget(this);
    BuildMeters(meterBox);
    body->addWidget(meterBox, 0);
    outer->addLayout(body, 1);

    subscriptions_.push_back(session_.responses().groupChanged.Connect([this](DeviceSlot s, int group) {
        if (s == slot_) CopyGroupCurves(group);
    }));
    subscriptions_.push_back(session_.graphView().changed.Connect([this] { RedrawGraph(); }));
    RefreshEvents& events = session_.events();
    const auto refreshMine = [this](DeviceSlot s) {
        if (s == slot_) RefreshAll();
    };
    subscriptions_.push_back(events.deviceLevelRefreshed.Connect(refreshMine));
    subscriptions_.push_back(events.channelLevelRefreshed.Connect(refreshMine));
    subscriptions_.push_back(events.groupRefreshed.Connect([this](DeviceSlot s, ParamGroup group) {
        if (s != slot_) return;
        if (group == ParamGroup::BridgePower && (device().settings[213] != 0) != (outputHost_->property("bridged").toBool()))
            RebuildOutputPage();
        RefreshAll();
    }));
    subscriptions_.push_back(events.statusText.Connect([this](DeviceSlot s, const std::string& text) {
        if (s == slot_) SetStatusText(text);
    }));
    subscriptions_.push_back(events.listEntryChanged.Connect([this](DeviceSlot s) {
        if (s == slot_) RefreshHeader();
    }));

    connect(&statusTimer_, &QTimer::timeout, this, &ChannelEditorWindow::StatusTick);
    connect(&updateTimer_, &QTimer::timeout, this, &ChannelEditorWindow::UpdateTick);
    statusTimer_.start(timings_.statusMs);
    updateTimer_.start(timings_.updateMs);

    session_.model().entry(slot_).editorOpen = true;
    const EditorSelection sel = session_.selection(slot_);
    RefreshAll();
    SetPageTab(sel.page);
    SetStatusText(ProgramLoadedStatus(session_.model().entry(slot_), device().settings[204] & 0x7F,
                                      PresetName(device().preset)));
    filling_ = false;
}

ChannelEditorWindow::~ChannelEditorWindow() {
    subscriptions_.clear();
    if (session_.model().entry(slot_).inList) session_.model().entry(slot_).editorOpen = false;
    session_.responses().Drop(slot_);
}

bool ChannelEditorWindow::locked() const { return device().values.lock == 1; }

bool ChannelEditorWindow::controlsQuiet() const { return filling_ || locked() || session_.reader().busy(); }

bool ChannelEditorWindow::decimalComma() const { return session_.decimalComma(); }

const DeviceModel& ChannelEditorWindow::device() const { return session_.model().device(slot_); }

void ChannelEditorWindow::Warn(const std::string& title, const std::string& text) {
    session_.dialogs().Message(title, text, Icon::Exclamation);
}

void ChannelEditorWindow::SetActive(bool active) {
    active_ = active;
    if (active) session_.responses().Keep(slot_);
}

BoundControl* ChannelEditorWindow::control(const std::string& name) const {
    for (const auto* list : {&controls_, &outputControls_})
        for (BoundControl* c : *list)
            if (c->parameter().name == name) return c;
    for (BoundControl* c : bandPanel_->controls())
        if (c->parameter().name == name) return c;
    return nullptr;
}

void ChannelEditorWindow::Commit(const Parameter& p, double value, bool dragging) {
    if (controlsQuiet()) return;
    if (p.description->id == ParamId::Bridge) {
        const Confirmed c = SendBridgeAsked(session_.writer(), slot_, session_.dialogs(), value != 0);
        if (c != Confirmed::Declined) RebuildOutputPage();
        RefreshControls();
        return;
    }
    if (dragging) {
        // The view follows at once; the device gets the latest position.
        if (p.description->response == ResponseEffect::Band && p.description->id == ParamId::BandGain) {
            const int band = BandIndexOf(p.target);
            session_.model().device(slot_).values.bandGain[static_cast<std::size_t>(band)] = value;
            session_.responses().BandChanged(slot_, band);
        }
        coalescer_.Post([this, p, value] {
            session_.writer().Set(slot_, p, value);
            AfterCommit(p);
        });
        return;
    }
    coalescer_.Cancel();
    session_.writer().Set(slot_, p, value);
    AfterCommit(p);
}

void ChannelEditorWindow::DragEnded() { coalescer_.Flush(); }

void ChannelEditorWindow::AfterCommit(const Parameter& p) {
    if (p.description->id == ParamId::InputBlockB) {
        const int group = session_.selection(slot_).group;
        if (dsp::IsInputGroup(group)) bandPanel_->setGroup(group, InputBandCount(group), bandPanel_->selectedBand());
    }
    RefreshControls();
    if (p.description->response == ResponseEffect::Band) UpdateMarkers();
}

void ChannelEditorWindow::RefreshAll() {
    const bool was = filling_;
    filling_ = true;
    RefreshControls();
    RefreshHeader();
    ShowLockState();
    filling_ = was;
    RedrawGraph();
}

void ChannelEditorWindow::RefreshControls() {
    const bool was = filling_;
    filling_ = true;
    for (BoundControl* c : controls_) c->Refresh();
    for (BoundControl* c : outputControls_) c->Refresh();
    for (auto& f : extraRefresh_) f();
    for (auto& f : outputExtraRefresh_) f();
    bandPanel_->Refresh();
    filling_ = was;
}

void ChannelEditorWindow::SetStatusText(const std::string& text) {
    status_->setText(QString::fromStdString(text));
    setWindowTitle(QString::fromStdString(EditorStatusPrefix(session_.model().entry(slot_))));
}

void ChannelEditorWindow::RefreshHeader() {
    const DeviceEntry& e = session_.model().entry(slot_);
    online_->setText(e.online ? "On-line" : "Off-line");
    online_->setStyleSheet(e.online ? "color: rgb(0,150,0); font-weight: bold;" : "color: rgb(200,0,0); font-weight: bold;");
    standby_->setText(device().settings[206] ? "Standby=ON" : "Standby=OFF");
    sleep_->setText(device().settings[211] ? "Sleep" : "");
}

void ChannelEditorWindow::ShowLockState() {
    const bool isLocked = locked();
    password_->setStyleSheet(isLocked ? "color: rgb(255,0,0); font-weight: bold;" : "color: rgb(192,192,192); font-weight: bold;");
    // The tabs stay usable so that every value can still be looked at.
    for (int i = 0; i < pages_->count(); ++i) pages_->widget(i)->setEnabled(!isLocked);
    bandPanelHost_->setEnabled(!isLocked);
}

void ChannelEditorWindow::SetPageTab(EditorPage page) {
    session_.selection(slot_).page = page;
    {
        const bool was = filling_;
        filling_ = true;
        pages_->setCurrentIndex(static_cast<int>(page));
        filling_ = was;
    }
    switch (page) {
        case EditorPage::Inputs:
            SetPageChannel(dsp::IsInputGroup(session_.selection(slot_).group) ? session_.selection(slot_).group : 0);
            break;
        case EditorPage::Outputs:
            SetPageChannel(dsp::IsOutputGroup(session_.selection(slot_).group) ? session_.selection(slot_).group : 2);
            break;
        case EditorPage::Masking: SetPageChannel(dsp::kGroupMasking); break;
        case EditorPage::Device: RedrawGraph(); break;
    }
}

int ChannelEditorWindow::InputBandCount(int group) const {
    if (dsp::IsInputGroup(group)) return zef::InputBandCount(device().preset, group);
    return dsp::kGroupInfo[static_cast<std::size_t>(group)].bandCount;
}

void ChannelEditorWindow::SetPageChannel(int group) {
    EditorSelection& sel = session_.selection(slot_);
    if (dsp::IsOutputGroup(group) && device().settings[213] != 0) group = dsp::kGroupOutput1;
    sel.group = group;
    for (QButtonGroup* selector : channelSelectors_) {
        if (!selector) continue;
        if (QAbstractButton* b = selector->button(group)) {
            const QSignalBlocker block(selector);
            b->setChecked(true);
        }
    }
    const bool bandsHere = !dsp::IsOutputGroup(group);
    bandPanelHost_->setVisible(bandsHere);
    if (bandsHere) {
        const dsp::GroupInfo& info = dsp::kGroupInfo[static_cast<std::size_t>(group)];
        const int band = dsp::GroupOfBand(sel.band) == group ? sel.band : info.firstBand;
        bandPanel_->setGroup(group, InputBandCount(group), band);
        sel.band = bandPanel_->selectedBand();
    }
    if (outputHost_ && dsp::IsOutputGroup(group)) outputHost_->setProperty("output", group - dsp::kGroupOutput1);
    emit windowTitleChanged(windowTitle());
    RedrawGraph();
}

void ChannelEditorWindow::ChooseBandType(int type) {
    const int band = bandPanel_->selectedBand();
    const int group = dsp::GroupOfBand(band);
    if (dsp::IsOutputGroup(group)) return;
    Commit(ParameterOf(ParamId::BandType, {ChannelOfGroup(group), BandNumberInGroup(band)}), type, false);
}

void ChannelEditorWindow::ChooseSettingsEntry(int index) {
    if (settingsHandler) settingsHandler(slot_, index);
}

void ChannelEditorWindow::closeEvent(QCloseEvent* event) {
    if (!ConfirmCloseEditor(session_.dialogs())) {
        event->ignore();
        return;
    }
    statusTimer_.stop();
    updateTimer_.stop();
    coalescer_.Flush();
    event->accept();
}

}  // namespace zef
