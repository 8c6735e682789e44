#include "ui/band_graph.h"

#include <QBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>

#include "app/edit_actions.h"
#include "app/entry_rules.h"
#include "app/step_names.h"
#include "dsp/groups.h"
#include "model/parameters.h"
#include "model/state_diff.h"
#include "ui/editor_control_host.h"
#include "ui/eq_band_panel.h"
#include "ui/response_graph.h"

namespace zef {

QColor GroupColour(int group) {
    const dsp::Rgb c = dsp::kGroupInfo[static_cast<std::size_t>(group)].colour;
    return QColor(c.r, c.g, c.b);
}

BandGraph::BandGraph(const EditorContext& context, EditorControlHost& host, std::function<int()> drawnGroup,
                     std::function<int()> markedBands, QWidget* graphParent)
    : QObject(graphParent),
      context_(context),
      host_(host),
      drawnGroup_(std::move(drawnGroup)),
      markedBands_(std::move(markedBands)) {
    graph_ = new ResponseGraph(context_.curves.grid(), graphParent);
    graph_->setObjectName("PictureGraph");
    graph_->markerPressed = [this](int n, double x, double y) { BandPressed(n, x, y); };
    graph_->markerDragged = [this](int n, double x, double y) { BandDragged(n, x, y); };
    graph_->markerReleased = [this](int) { BandReleased(); };
    subscriptions_.push_back(context_.responses.groupChanged.Connect([this](DeviceSlot s, int group) {
        if (s == context_.slot) CopyGroupCurves(group);
    }));
    subscriptions_.push_back(context_.graphView.changed.Connect([this] { Redraw(); }));
    subscriptions_.push_back(ConnectWhere(context_.history.changed, context_.slot, [this] {
        ComputeOtherState();
        Redraw();
    }));
    ComputeOtherState();
}

void BandGraph::ComputeOtherState() {
    const DeviceModel* other = context_.history.inactive(context_.slot);
    otherShown_ = other && !DiffStates(*other, context_.device()).empty();
    if (!otherShown_) {
        other_.reset();
        return;
    }
    // An edit of the active state leaves the other state's curves as they are.
    if (other_ && DiffStates(otherComputed_, *other).empty()) return;
    if (!other_) other_ = std::make_unique<dsp::ResponseStore>();
    dsp::UpdateAllResponses(*other_, *other, context_.slot);
    otherComputed_ = *other;
}

std::size_t BandGraph::FirstLiveTrace() const {
    return otherShown_ ? static_cast<std::size_t>(dsp::GroupsDrawnFor(drawnGroup_()).count) : 0;
}

BandGraph::~BandGraph() { subscriptions_.clear(); }

void BandGraph::AddViewBoxes(QVBoxLayout* column, QWidget* parent) {
    column->addWidget(new QLabel("Zoom Axis dB", parent));
    zoom_ = new QSpinBox(parent);
    zoom_->setObjectName("UpDownZoomY");
    zoom_->setRange(0, dsp::kZoomLevels - 1);
    zoom_->setToolTip("+-15, +-30, +-45, +-60 dB");
    column->addWidget(zoom_);
    column->addWidget(new QLabel("Shift Axis dB", parent));
    shift_ = new QSpinBox(parent);
    shift_->setObjectName("UpDownShiftY");
    shift_->setRange(0, dsp::kShiftSteps - 1);
    column->addWidget(shift_);
    connect(zoom_, &QSpinBox::valueChanged, this, [this](int z) { context_.graphView.setZoom(z); });
    connect(shift_, &QSpinBox::valueChanged, this, [this](int s) { context_.graphView.setShiftStep(s); });
}

void BandGraph::CopyGroupCurves(int group) {
    const dsp::GroupList drawn = dsp::GroupsDrawnFor(drawnGroup_());
    for (int i = 0; i < drawn.count; ++i) {
        if (drawn.groups[static_cast<std::size_t>(i)] != group) continue;
        const dsp::DeviceResponses* r = context_.curves.find(context_.slot);
        if (!r) return;
        graph_->setTrace(FirstLiveTrace() + static_cast<std::size_t>(i), r->group(group), GroupColour(group));
    }
}

void BandGraph::Redraw() {
    const GraphViewState& view = context_.graphView;
    {
        const QSignalBlocker bz(zoom_), bs(shift_);
        zoom_->setValue(view.zoom());
        shift_->setValue(view.shiftStep());
    }
    graph_->setView(view.zoom(), view.shiftStep());
    const dsp::GroupList drawn = dsp::GroupsDrawnFor(drawnGroup_());
    graph_->setTraceCount(FirstLiveTrace() + static_cast<std::size_t>(drawn.count));
    if (context_.curves.find(context_.slot) == nullptr) context_.responses.Keep(context_.slot);
    for (int i = 0; otherShown_ && i < drawn.count; ++i) {
        const int group = drawn.groups[static_cast<std::size_t>(i)];
        QColor faint = GroupColour(group);
        faint.setAlpha(80);
        graph_->setTrace(static_cast<std::size_t>(i), other_->device(context_.slot).group(group), faint);
    }
    for (int i = 0; i < drawn.count; ++i) CopyGroupCurves(drawn.groups[static_cast<std::size_t>(i)]);
    UpdateMarkers();
}

void BandGraph::UpdateMarkers() {
    if (!panel_) return;
    const int group = drawnGroup_();
    const int first = dsp::kGroupInfo[static_cast<std::size_t>(group)].firstBand;
    std::vector<ResponseGraph::Marker> markers;
    for (int n = 1; n <= markedBands_(); ++n) {
        const int band = first + n - 1;
        const EqBandValues e = BandValues(context_.device(), band);
        markers.push_back({n, e.frequencyHz, e.gainDb, GroupColour(group), band == panel_->selectedBand()});
    }
    graph_->setMarkers(std::move(markers));
}

int BandGraph::BandOf(int number) const {
    return dsp::kGroupInfo[static_cast<std::size_t>(drawnGroup_())].firstBand + number - 1;
}

void BandGraph::ShowReadout(const BandDrag& drag, double x, double y) {
    graph_->showReadout(QString::fromStdString(BandDragReadout(drag, context_.decimalComma)),
                        graph_->plotArea().topLeft() + QPoint(static_cast<int>(x), static_cast<int>(y)));
}

void BandGraph::BandPressed(int number, double x, double y) {
    if (host_.controlsQuiet()) return;
    const int band = BandOf(number);
    if (band != panel_->selectedBand()) {
        panel_->selectBand(band);
        if (bandChosen) bandChosen(band);
        UpdateMarkers();
    }
    if (bandHeld) bandHeld(true);
    const EqBandValues e = BandValues(context_.device(), band);
    ShowReadout({e.frequencyHz, e.gainDb}, x, y);
}

void BandGraph::BandDragged(int number, double x, double y) {
    if (host_.controlsQuiet() || number < 1 || number > markedBands_()) return;
    const BandDrag drag = BandDragAt(graph_->mapping(), x, y);
    if (DragBand(context_.writer, context_.slot, BandOf(number), drag, host_.coalescer())) {
        host_.NameDrag(BandStepName(BandOf(number)));
        {
            const EditorControlHost::Filling filling(host_);
            panel_->Refresh();
        }
        UpdateMarkers();
    }
    ShowReadout(drag, x, y);
}

void BandGraph::BandReleased() {
    host_.DragEnded();
    graph_->hideReadout();
    if (bandHeld) bandHeld(false);
    if (released) released();
}

}  // namespace zef
