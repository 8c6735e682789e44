#include "ui/eq_fir_window.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>

#include "app/editor_actions.h"
#include "app/output_eq_actions.h"
#include "dsp/groups.h"
#include "model/memory_map.h"
#include "ui/band_graph.h"
#include "ui/eq_band_panel.h"
#include "ui/fir_frame.h"
#include "ui/measure_buttons.h"
#include "ui/response_graph.h"
#include "ui/undo_actions.h"

namespace zef {

OutputEqWindow::OutputEqWindow(const EditorContext& context, const EditorTools& tools, int output,
                               int& firFilterIndex, QWidget* parent)
    : QWidget(parent),
      context_(context),
      tools_(tools),
      host_(context, tools.link, tools.reader),
      output_(output == 1 ? 1 : 0),
      firFilterIndex_(firFilterIndex) {
    setObjectName("FrmEQFIR");
    const EditorControlHost::Filling filling(host_);
    context_.responses.Keep(slot());
    context_.history.Track(slot());

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    outer->setSpacing(4);
    outer->addWidget(BuildHeader(this));
    auto* middle = new QHBoxLayout;
    middle->addWidget(BuildGraphArea(this), 1);
    middle->addWidget(BuildSideColumn(this));
    outer->addLayout(middle, 1);
    bandPanel_ = new EqBandPanel(host_, "ShapeEqOut", this);
    bandPanel_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    outer->addWidget(bandPanel_);
    graph_->attachPanel(*bandPanel_);

    bandPanel_->flatRequested = [this] { ClickFlat(); };
    bandPanel_->bandSelected = [this](int) { graph_->UpdateMarkers(); };
    host_.committed = [this](const Parameter&) {
        RefreshControls();
        graph_->UpdateMarkers();
    };
    host_.dragShown = [this] { graph_->UpdateMarkers(); };
    graph_->released = [this] { RefreshControls(); };
    // A window of its own: the keys undo and redo this device's edits here too.
    new UndoActions(context_.history, context_.dialogs, [this] { return slot(); }, this, true);
    Subscribe();

    // Opening: the FIR's response (SetPageTabChn), every control and the graph.
    RefreshTitle();
    SetPageTabChn(output_);
    HooksChanged();
}

OutputEqWindow::~OutputEqWindow() {
    subscriptions_.clear();
    // The parts refer to the control host: they go while it still exists.
    qDeleteAll(findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
}

QWidget* OutputEqWindow::BuildHeader(QWidget* parent) {
    auto* header = new QWidget(parent);
    header->setObjectName("HeaderEqFir");
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    auto* caption = new QLabel(kViewOutputCaption, header);
    caption->setObjectName("LblImgNameOutFix");
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);
    row->addWidget(caption);
    auto* group = new QButtonGroup(header);
    group->setExclusive(true);
    for (int o = 0; o < 2; ++o) {
        auto* tab = new QPushButton(kOutputTabCaptions[o], header);
        tab->setObjectName(QString("LblImgNameOut%1").arg(o));
        tab->setCheckable(true);
        tab->setStyleSheet(QString("QPushButton { font-weight: bold; padding: 3px 10px; }"
                                   " QPushButton:checked { background: %1; color: black; }")
                               .arg(GroupColour(dsp::kGroupOutput1 + o).name()));
        group->addButton(tab, o);
        row->addWidget(tab);
        tabs_[static_cast<std::size_t>(o)] = tab;
    }
    connect(group, &QButtonGroup::idClicked, this, [this](int o) {
        if (o != output_) SetPageTabChn(o);
    });
    row->addStretch(1);
    mode_ = new QPushButton(header);
    mode_->setObjectName("BtnEqMode");
    mode_->setToolTip("Choose the output EQ mode: 30 PEQ, or 10PEQ + FIR");
    connect(mode_, &QPushButton::clicked, this, &OutputEqWindow::ClickEqMode);
    row->addWidget(mode_);
    return header;
}

// The stack of the response graph and the analyser page; the zoom and shift
// boxes go to the side column.
QWidget* OutputEqWindow::BuildGraphArea(QWidget* parent) {
    auto* area = new QWidget(parent);
    auto* row = new QHBoxLayout(area);
    row->setContentsMargins(0, 0, 0, 0);
    stack_ = new QStackedWidget(area);
    graph_ = new BandGraph(
        context_, host_, [this] { return Group(); }, [this] { return visibleBands(); }, stack_);
    graph_->graph()->setMinimumSize(480, 220);
    stack_->addWidget(graph_->graph());
    analyserPage_ = new QWidget(stack_);
    analyserPage_->setObjectName("PageRta");
    stack_->addWidget(analyserPage_);
    row->addWidget(stack_, 1);

    zoomFrame_ = new QWidget(area);
    auto* boxes = new QVBoxLayout(zoomFrame_);
    boxes->setContentsMargins(0, 0, 0, 0);
    graph_->AddViewBoxes(boxes, zoomFrame_);
    return area;
}

// The column beside the graph: zoom and shift, analyser and AutoEQ, the FIR frame.
QWidget* OutputEqWindow::BuildSideColumn(QWidget* parent) {
    auto* side = new QWidget(parent);
    side->setFixedWidth(190);
    auto* column = new QVBoxLayout(side);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(zoomFrame_);
    measure_ = new MeasureButtons(side);
    connect(measure_, &MeasureButtons::analyserToggled, this, &OutputEqWindow::AnalyserToggled);
    connect(measure_, &MeasureButtons::autoEqClicked, this, [this] {
        if (autoEqHandler && !host_.controlsQuiet()) autoEqHandler(slot(), output_);
    });
    column->addWidget(measure_);
    fir_ = new FirFrame(context_, tools_, host_, firFilterIndex_, side);
    fir_->wizard = [this] {
        if (wizardHandler) wizardHandler(slot(), output_);
    };
    fir_->firChanged = [this] { RefreshWindowEqFIR(); };
    column->addWidget(fir_);
    column->addStretch(1);
    return side;
}

void OutputEqWindow::Subscribe() {
    RefreshEvents& events = context_.events;
    const DeviceSlot mine = slot();
    const auto refresh = [this](auto...) { RefreshWindowEqFIR(); };
    subscriptions_.push_back(ConnectWhere(events.outputEditorRefreshed, mine, refresh));
    subscriptions_.push_back(ConnectWhere(events.deviceLevelRefreshed, mine, refresh));
    subscriptions_.push_back(ConnectWhere(events.channelLevelRefreshed, mine, refresh));
    subscriptions_.push_back(ConnectWhere(events.groupRefreshed, mine, refresh));
    subscriptions_.push_back(ConnectWhere(events.firReread, mine, [this](int o) {
        if (o == output_) RefreshNameTapsFir();
    }));
    subscriptions_.push_back(ConnectWhere(events.listEntryChanged, mine, [this] { RefreshTitle(); }));
}

void OutputEqWindow::RefreshTitle() { setWindowTitle(QString::fromStdString(OutputEditorTitle(context_.entry()))); }

bool OutputEqWindow::firMode() const { return context_.device().preset[pi::kEqMode] != 0; }

int OutputEqWindow::visibleBands() const {
    return firMode() ? dsp::kFirModeOutputBands
                     : dsp::kGroupInfo[static_cast<std::size_t>(Group())].bandCount;
}

int OutputEqWindow::Group() const { return dsp::kGroupOutput1 + output_; }
int OutputEqWindow::FirstBand() const { return dsp::kGroupInfo[static_cast<std::size_t>(Group())].firstBand; }
bool OutputEqWindow::Bridged() const { return context_.device().settings[ds::kBridge] != 0; }

ResponseGraph* OutputEqWindow::graph() const { return graph_->graph(); }
CheckControl* OutputEqWindow::firBypass() const { return fir_->bypass(); }

void OutputEqWindow::RefreshControls() {
    const EditorControlHost::Filling filling(host_);
    bandPanel_->Refresh();
    fir_->bypass()->Refresh();
}

void OutputEqWindow::RefreshWindowEqFIR() {
    if (output_ == 1 && Bridged()) return SetPageTabChn(0);  // bridged while output 2 was on show
    {
        const EditorControlHost::Filling filling(host_);
        for (int o = 0; o < 2; ++o) tabs_[static_cast<std::size_t>(o)]->setChecked(o == output_);
        // Bridged, output 1 drives both sides: there is no output 2 to edit.
        tabs_[1]->setVisible(!Bridged());
        const int band =
            std::clamp(bandPanel_->selectedBand(), FirstBand(), FirstBand() + visibleBands() - 1);
        bandPanel_->setGroup(Group(), visibleBands(), band);
        fir_->ShowOutput(output_);
        fir_->setVisible(firMode());
        mode_->setText(QString("EQ Mode: ") + kEqModeNames[firMode() ? 1 : 0]);
        RefreshControls();
    }
    PlotMainPage();
}

void OutputEqWindow::SetPageTabChn(int output) {
    host_.coalescer().Flush();
    output_ = output == 1 && !Bridged() ? 1 : 0;
    context_.model.setSelectedOutput(slot(), static_cast<ChannelCode>(kOutput1 + output_));
    context_.responses.FirChanged(slot(), output_);
    {
        const EditorControlHost::Filling filling(host_);
        bandPanel_->setGroup(Group(), visibleBands(), FirstBand());
    }
    RefreshWindowEqFIR();
}

void OutputEqWindow::RefreshNameTapsFir() { fir_->RefreshNameTaps(); }

void OutputEqWindow::PlotMainPage() { graph_->Redraw(); }

void OutputEqWindow::MenuOutPeqFilter(int type) { bandPanel_->ChooseType(type); }

void OutputEqWindow::ClickFirMenu(int index) { fir_->ClickMenu(index); }

void OutputEqWindow::ClickFlat() {
    if (host_.controlsQuiet()) return;
    if (FlattenEq(context_.writer, slot(), context_.dialogs, Group(), visibleBands())) {
        context_.history.EndStep(slot(), "Flat EQ");
        RefreshControls();
        PlotMainPage();
    }
}

void OutputEqWindow::ClickEqMode() {
    if (eqModeHandler && !host_.controlsQuiet()) eqModeHandler();
}

void OutputEqWindow::HooksChanged() {
    measure_->ShowAvailable(static_cast<bool>(analyserHandler), static_cast<bool>(autoEqHandler));
    fir_->ShowWizardAvailable(static_cast<bool>(wizardHandler));
}

void OutputEqWindow::AnalyserToggled(bool on) {
    if (!analyserHandler) return;
    ShowAnalyser(on);
    if (on) {
        analyserHandler(slot(), output_);
        return;
    }
    // What the hook put into the analyser page goes with switching off:
    // the analyser stops and the device gets its own values back.
    for (QWidget* w : analyserPage_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) delete w;
}

void OutputEqWindow::ShowAnalyser(bool on) {
    stack_->setCurrentIndex(on ? 1 : 0);
    zoomFrame_->setVisible(!on);
    if (!on) measure_->ShowAnalyserOff();
}

void OutputEqWindow::closeEvent(QCloseEvent* event) {
    host_.coalescer().Flush();
    ShowAnalyser(false);
    event->accept();
    // The channel editor shows what was changed here (EQ and FIR bypass, mode).
    subscriptions_.clear();
    context_.events.channelLevelRefreshed.Emit(slot());
}

}  // namespace zef
