#include "ui/channel_editor.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QScrollArea>
#include <QTabWidget>

#include "app/editor_actions.h"
#include "dsp/groups.h"
#include "model/memory_map.h"
#include "model/records.h"
#include "model/status_text.h"
#include "ui/auto_update_window.h"
#include "ui/band_graph.h"
#include "ui/device_page.h"
#include "ui/editor_button_bar.h"
#include "ui/eq_band_panel.h"
#include "ui/inputs_page.h"
#include "ui/masking_page.h"
#include "ui/meter_panel.h"
#include "ui/outputs_page.h"
#include "ui/response_graph.h"

namespace zef {

ChannelEditorWindow::ChannelEditorWindow(const EditorContext& context, const EditorTools& tools,
                                         EditorTimings timings, QWidget* parent)
    : QWidget(parent), context_(context), tools_(tools), timings_(timings), host_(context, tools.link, tools.reader) {
    setObjectName("FrmVLDxxxA");
    setAttribute(Qt::WA_DeleteOnClose, false);
    const EditorControlHost::Filling filling(host_);
    context_.responses.Keep(slot());
    context_.history.Track(slot());

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->setSpacing(4);
    buttons_ = new EditorButtonBar(context_, tools_, host_, this);
    outer->addWidget(buttons_);
    BuildStatusLine();
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
    meters_ = new MeterPanel(context_.model, slot(), tools_.exchange, this);
    body->addWidget(meters_, 0);
    outer->addLayout(body, 1);

    ConnectParts();
    Subscribe();
    connect(&statusTimer_, &QTimer::timeout, this, &ChannelEditorWindow::StatusTick);
    connect(&updateTimer_, &QTimer::timeout, this, &ChannelEditorWindow::UpdateTick);
    statusTimer_.start(timings_.statusMs);
    updateTimer_.start(timings_.updateMs);

    context_.entry().editorOpen = true;
    // The lock as the data folder keeps it: a device locked before a restart stays locked.
    context_.device().values.lock = tools_.passwords.locked(context_.entry().uniqueId) ? 1 : 0;
    const EditorSelection sel = context_.selection;
    RefreshAll();
    SetPageTab(sel.page);
    SetStatusText(ProgramLoadedStatus(context_.entry(), context_.device().settings[ds::kLoadedPreset] & 0x7F,
                                      PresetName(context_.device().preset)));
}

ChannelEditorWindow::~ChannelEditorWindow() {
    subscriptions_.clear();
    if (context_.entry().inList) context_.entry().editorOpen = false;
    context_.responses.Drop(slot());
    // The parts refer to the control host: they go while it still exists.
    qDeleteAll(findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
}

void ChannelEditorWindow::BuildStatusLine() {
    status_ = new QLabel(this);
    status_->setObjectName("LabelStatus");
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    online_ = new QLabel("Off-line", this);
    online_->setObjectName("LabelOnLine");
    standby_ = new QLabel(this);
    standby_->setObjectName("ImageStandbyState");
    sleep_ = new QLabel(this);
    sleep_->setObjectName("LabelSleep");
}

void ChannelEditorWindow::BuildGraphArea(QWidget* area) {
    auto* v = new QVBoxLayout(area);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(2);
    auto* row = new QHBoxLayout;
    graph_ = new BandGraph(
        context_, host_, [this] { return context_.selection.group; }, [this] { return MarkedBands(); }, area);
    graph_->graph()->setMinimumSize(420, 170);
    row->addWidget(graph_->graph(), 1);
    auto* side = new QVBoxLayout;
    graph_->AddViewBoxes(side, area);
    side->addStretch(1);
    row->addLayout(side);
    v->addLayout(row, 1);

    bandPanelHost_ = new QWidget(area);
    auto* bh = new QVBoxLayout(bandPanelHost_);
    bh->setContentsMargins(0, 0, 0, 0);
    bandPanel_ = new EqBandPanel(host_, "ShapeEq", bandPanelHost_);
    bh->addWidget(bandPanel_);
    bandPanelHost_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);  // the graph takes the rest
    v->addWidget(bandPanelHost_);
    graph_->attachPanel(*bandPanel_);
}

namespace {

// A page scrolls when the editor is lower than the page: on a small screen
// the editor still fits, and nothing of the page is cut off.
QScrollArea* Scrolling(QWidget* page, QWidget* parent) {
    auto* area = new QScrollArea(parent);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(page);
    return area;
}

}  // namespace

void ChannelEditorWindow::BuildPages() {
    pages_ = new QTabWidget(this);
    pages_->setObjectName("PageTab");
    inputs_ = new InputsPage(host_, context_.selection, pages_);
    pages_->addTab(Scrolling(inputs_, pages_), "Inputs");
    outputs_ = new OutputsPage(host_, context_.selection, pages_);
    pages_->addTab(Scrolling(outputs_, pages_), "Outputs");
    outputs_->Rebuild(static_cast<bool>(outputEditorHandler));
    masking_ = new MaskingPage(host_, pages_);
    pages_->addTab(Scrolling(masking_, pages_), "SM");
    device_ = new DevicePage(host_, pages_);
    pages_->addTab(Scrolling(device_, pages_), "Device");
}

void ChannelEditorWindow::ConnectParts() {
    host_.committed = [this](const Parameter& p) { AfterCommit(p); };
    bandPanel_->flatRequested = [this] { buttons_->ClickFlat(); };
    bandPanel_->bandSelected = [this](int band) {
        context_.selection.band = band;
        graph_->UpdateMarkers();
    };
    graph_->bandChosen = [this](int band) { context_.selection.band = band; };
    // The gain fader of the band held on the graph is marked.
    graph_->bandHeld = [this](bool held) {
        bandPanel_->gain()->fader()->setStyleSheet(held ? "QSlider::handle { background: rgb(255,200,0); }"
                                                        : "");
    };
    graph_->released = [this] { RefreshControls(); };
    host_.bridgeAnswered = [this](bool mayHaveChanged) {
        if (mayHaveChanged) RebuildOutputPage();
        RefreshControls();
    };
    connect(pages_, &QTabWidget::currentChanged, this, [this](int index) {
        if (!host_.filling()) SetPageTab(static_cast<EditorPage>(index));
    });
    for (ChannelsPage* page : {static_cast<ChannelsPage*>(inputs_), static_cast<ChannelsPage*>(outputs_)}) {
        connect(page, &ChannelsPage::channelChosen, this, &ChannelEditorWindow::SetPageChannel);
        const int copyMode = page == inputs_ ? 0 : 1;
        connect(page, &ChannelsPage::copyRequested, this, [this, copyMode] { buttons_->ClickCopy(copyMode); });
    }
    connect(outputs_, &OutputsPage::outputEditorRequested, this, [this] {
        if (outputEditorHandler) outputEditorHandler(slot());
    });
    connect(device_->meterScale(), &QComboBox::currentIndexChanged, meters_,
            [this](int index) { meters_->ShowScale(index == 1); });
    connect(buttons_, &EditorButtonBar::programReplaced, this, [this] {
        RebuildWhenBridgeChanged();
        RefreshAll();
    });
    connect(buttons_, &EditorButtonBar::valuesChanged, this, &ChannelEditorWindow::RefreshAll);
    connect(buttons_, &EditorButtonBar::eqFlattened, this, [this] {
        RefreshControls();
        RedrawGraph();
    });
    connect(buttons_, &EditorButtonBar::statusText, this, &ChannelEditorWindow::SetStatusText);
    connect(buttons_, &EditorButtonBar::lockChanged, this, &ChannelEditorWindow::ShowLockState);
    connect(buttons_, &EditorButtonBar::settingsChosen, this, &ChannelEditorWindow::ChooseSettingsEntry);
}

void ChannelEditorWindow::Subscribe() {
    RefreshEvents& events = context_.events;
    const DeviceSlot mine = slot();
    const auto refreshAll = [this] { RefreshAll(); };
    subscriptions_.push_back(ConnectWhere(events.deviceLevelRefreshed, mine, refreshAll));
    subscriptions_.push_back(ConnectWhere(events.channelLevelRefreshed, mine, refreshAll));
    subscriptions_.push_back(ConnectWhere(events.groupRefreshed, mine, [this](ParamGroup group) {
        if (group == ParamGroup::BridgePower) RebuildWhenBridgeChanged();
        RefreshAll();
    }));
    subscriptions_.push_back(
        ConnectWhere(events.statusText, mine, [this](const std::string& text) { SetStatusText(text); }));
    subscriptions_.push_back(ConnectWhere(events.listEntryChanged, mine, [this] { RefreshHeader(); }));
    // An undo or an A/B switch may have changed the bridge mode; a cleared
    // history is told after the status the read itself shows.
    subscriptions_.push_back(ConnectWhere(context_.history.changed, mine, [this] { RebuildWhenBridgeChanged(); }));
    subscriptions_.push_back(ConnectWhere(context_.history.noted, mine, [this](const std::string& text) {
        QTimer::singleShot(0, this, [this, text] { SetStatusText(text); });
    }));
}

void ChannelEditorWindow::SetActive(bool active) {
    active_ = active;
    if (active) context_.responses.Keep(slot());
}

BoundControl* ChannelEditorWindow::control(const std::string& name) const {
    for (const BoundPage* page : {static_cast<const BoundPage*>(inputs_), static_cast<const BoundPage*>(masking_),
                                  static_cast<const BoundPage*>(device_), static_cast<const BoundPage*>(outputs_)})
        if (BoundControl* c = page->control(name)) return c;
    for (BoundControl* c : bandPanel_->controls())
        if (c->parameter().name == name) return c;
    return nullptr;
}

void ChannelEditorWindow::ShowReading(const StatusReading& reading) { meters_->ShowReading(reading); }

int ChannelEditorWindow::outputPageBuilds() const { return outputs_->builds(); }

void ChannelEditorWindow::RebuildOutputPage() {
    {
        const EditorControlHost::Filling filling(host_);
        outputs_->Rebuild(static_cast<bool>(outputEditorHandler));
    }
    RefreshControls();
}

void ChannelEditorWindow::RebuildWhenBridgeChanged() {
    if (outputs_->bridgeModeChanged()) RebuildOutputPage();
}

void ChannelEditorWindow::AfterCommit(const Parameter& p) {
    if (p.description->id == ParamId::InputBlockB) {
        const int group = context_.selection.group;
        if (dsp::IsInputGroup(group)) bandPanel_->setGroup(group, InputBandCount(group), bandPanel_->selectedBand());
    }
    RefreshControls();
    // The block switch changes how many bands the group shows: the markers follow at once.
    if (p.description->response == ResponseEffect::Band || p.description->id == ParamId::InputBlockB)
        graph_->UpdateMarkers();
}

void ChannelEditorWindow::RefreshAll() {
    {
        const EditorControlHost::Filling filling(host_);
        RefreshControls();
        RefreshHeader();
        ShowLockState();
    }
    RedrawGraph();
}

void ChannelEditorWindow::RefreshControls() {
    const EditorControlHost::Filling filling(host_);
    inputs_->Refresh();
    masking_->Refresh();
    device_->Refresh();
    outputs_->Refresh();
    bandPanel_->Refresh();
}

void ChannelEditorWindow::SetStatusText(const std::string& text) {
    status_->setText(QString::fromStdString(text));
    setWindowTitle(QString::fromStdString(EditorTitle(context_.entry())));
}

void ChannelEditorWindow::RefreshHeader() {
    const DeviceEntry& e = context_.entry();
    const DeviceModel& d = context_.device();
    online_->setText(e.online ? "On-line" : "Off-line");
    online_->setStyleSheet(e.online ? "color: rgb(0,150,0); font-weight: bold;" : "color: rgb(200,0,0); font-weight: bold;");
    setWindowTitle(QString::fromStdString(EditorTitle(e)));
    standby_->setText(d.settings[ds::kStandby] ? "Standby=ON" : "Standby=OFF");
    sleep_->setText(d.settings[ds::kSleepMode] ? "Sleep" : "");
}

void ChannelEditorWindow::ShowLockState() {
    const bool isLocked = locked();
    buttons_->ShowLock(isLocked);
    // The tabs stay usable so that every value can still be looked at.
    for (int i = 0; i < pages_->count(); ++i) pages_->widget(i)->setEnabled(!isLocked);
    bandPanelHost_->setEnabled(!isLocked);
}

void ChannelEditorWindow::SetPageTab(EditorPage page) {
    EditorSelection& sel = context_.selection;
    sel.page = page;
    {
        const EditorControlHost::Filling filling(host_);
        pages_->setCurrentIndex(static_cast<int>(page));
    }
    switch (page) {
        case EditorPage::Inputs: SetPageChannel(dsp::IsInputGroup(sel.group) ? sel.group : 0); break;
        case EditorPage::Outputs: SetPageChannel(dsp::IsOutputGroup(sel.group) ? sel.group : 2); break;
        case EditorPage::Masking: SetPageChannel(dsp::kGroupMasking); break;
        case EditorPage::Device: RedrawGraph(); break;
    }
}

ResponseGraph* ChannelEditorWindow::graph() const { return graph_->graph(); }

void ChannelEditorWindow::RedrawGraph() { graph_->Redraw(); }

int ChannelEditorWindow::MarkedBands() const {
    const int group = context_.selection.group;
    return dsp::IsOutputGroup(group) ? 0 : InputBandCount(group);
}

int ChannelEditorWindow::InputBandCount(int group) const {
    if (dsp::IsInputGroup(group)) return zef::InputBandCount(context_.device().preset, group);
    return dsp::kGroupInfo[static_cast<std::size_t>(group)].bandCount;
}

void ChannelEditorWindow::SetPageChannel(int group) {
    EditorSelection& sel = context_.selection;
    if (dsp::IsOutputGroup(group) && context_.device().settings[ds::kBridge] != 0) group = dsp::kGroupOutput1;
    sel.group = group;
    inputs_->MarkChannel(group);
    outputs_->MarkChannel(group);
    const bool bandsHere = !dsp::IsOutputGroup(group);
    bandPanelHost_->setVisible(bandsHere);
    if (bandsHere) {
        const dsp::GroupInfo& info = dsp::kGroupInfo[static_cast<std::size_t>(group)];
        const int band = dsp::GroupOfBand(sel.band) == group ? sel.band : info.firstBand;
        bandPanel_->setGroup(group, InputBandCount(group), band);
        sel.band = bandPanel_->selectedBand();
    }
    emit windowTitleChanged(windowTitle());
    RedrawGraph();
}

void ChannelEditorWindow::ChooseBandType(int type) {
    if (dsp::IsOutputGroup(dsp::GroupOfBand(bandPanel_->selectedBand()))) return;
    bandPanel_->ChooseType(type);
}

void ChannelEditorWindow::ChooseSettingsEntry(int index) {
    if (settingsHandler) settingsHandler(slot(), index);
}

void ChannelEditorWindow::StatusTick() {
    if (!tools_.link.idle() || tools_.reader.busy() || !active_) return;
    meters_->ReadStatus();
    RefreshHeader();
}

void ChannelEditorWindow::UpdateTick() {
    if (!active_ || tools_.reader.busy()) return;
    if (!tools_.link.idle()) return;
    const DeviceEntry& entry = context_.entry();
    if (!entry.inList || !entry.online || !tools_.link.deviceChanged[SlotIndex(slot())]) return;
    updateTimer_.stop();
    DeviceRereadWindow window(tools_.reader, slot(), this);
    window.exec();
    if (!window.outcome() || *window.outcome() != UpdateKind::Failed) RefreshAll();
    updateTimer_.start(timings_.updateMs);
}

void ChannelEditorWindow::closeEvent(QCloseEvent* event) {
    if (!ConfirmCloseEditor(context_.dialogs)) {
        event->ignore();
        return;
    }
    statusTimer_.stop();
    updateTimer_.stop();
    host_.coalescer().Flush();
    event->accept();
}

}  // namespace zef
