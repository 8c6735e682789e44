// The channel editor's graph: the curves of the selected group, zoom and
// shift, band markers dragged on the graph.
#include <QBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QSpinBox>

#include "app/editor_actions.h"
#include "app/editor_session.h"
#include "app/entry_rules.h"
#include "dsp/groups.h"
#include "model/parameters.h"
#include "ui/channel_editor.h"
#include "ui/eq_band_panel.h"
#include "ui/response_graph.h"

namespace zef {
namespace {

QColor GroupColour(int group) {
    const dsp::Rgb c = dsp::kGroupInfo[static_cast<std::size_t>(group)].colour;
    return QColor(c.r, c.g, c.b);
}

}  // namespace

void ChannelEditorWindow::BuildGraphArea(QWidget* host) {
    auto* v = new QVBoxLayout(host);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(2);
    auto* row = new QHBoxLayout;
    graph_ = new ResponseGraph(session_.state().responses.grid(), host);
    graph_->setObjectName("PictureGraph");
    graph_->setMinimumSize(420, 170);
    row->addWidget(graph_, 1);

    auto* side = new QVBoxLayout;
    side->addWidget(new QLabel("Zoom Axis dB", host));
    zoom_ = new QSpinBox(host);
    zoom_->setObjectName("UpDownZoomY");
    zoom_->setRange(0, dsp::kZoomLevels - 1);
    zoom_->setToolTip("+-15, +-30, +-45, +-60 dB");
    side->addWidget(zoom_);
    side->addWidget(new QLabel("Shift Axis dB", host));
    shift_ = new QSpinBox(host);
    shift_->setObjectName("UpDownShiftY");
    shift_->setRange(0, dsp::kShiftSteps - 1);
    side->addWidget(shift_);
    side->addStretch(1);
    row->addLayout(side);
    v->addLayout(row, 1);
    connect(zoom_, &QSpinBox::valueChanged, this, [this](int z) { session_.graphView().setZoom(z); });
    connect(shift_, &QSpinBox::valueChanged, this, [this](int s) { session_.graphView().setShiftStep(s); });

    bandPanelHost_ = new QWidget(host);
    auto* bh = new QVBoxLayout(bandPanelHost_);
    bh->setContentsMargins(0, 0, 0, 0);
    bandPanel_ = new EqBandPanel(*this, bandPanelHost_);
    bh->addWidget(bandPanel_);
    bandPanelHost_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);  // the graph takes the rest
    v->addWidget(bandPanelHost_);

    typeMenu_ = new QMenu(this);
    typeMenu_->setObjectName("ShapeEq");
    const char* items[] = {"Bell",       "Hi-Shelving Q", "Lo-Shelving Q", "High Pass Q",
                           "Low Pass Q", "Notch Filter",  "All Pass I",    "All Pass II"};
    for (int i = 0; i < 8; ++i) typeMenu_->addAction(items[i], this, [this, i] { ChooseBandType(i); });
    bandPanel_->typeMenuRequested = [this](QPoint at) { typeMenu_->popup(at); };
    bandPanel_->flatRequested = [this] { ClickFlat(); };
    bandPanel_->bandSelected = [this](int band) {
        session_.selection(slot_).band = band;
        UpdateMarkers();
    };

    graph_->markerPressed = [this](int band, double x, double y) { BandPressed(band, x, y); };
    graph_->markerDragged = [this](int band, double x, double y) { BandDragged(band, x, y); };
    graph_->markerReleased = [this](int band) { BandReleased(band); };
}

void ChannelEditorWindow::CopyGroupCurves(int group) {
    const int selected = session_.selection(slot_).group;
    const dsp::GroupList drawn = dsp::GroupsDrawnFor(selected);
    for (int i = 0; i < drawn.count; ++i) {
        if (drawn.groups[static_cast<std::size_t>(i)] != group) continue;
        const dsp::DeviceResponses* r = session_.state().responses.find(slot_);
        if (!r) return;
        graph_->setTrace(static_cast<std::size_t>(i), r->group(group), GroupColour(group));
    }
}

void ChannelEditorWindow::RedrawGraph() {
    {
        const QSignalBlocker bz(zoom_), bs(shift_);
        zoom_->setValue(session_.graphView().zoom());
        shift_->setValue(session_.graphView().shiftStep());
    }
    graph_->setView(session_.graphView().zoom(), session_.graphView().shiftStep());
    const int selected = session_.selection(slot_).group;
    const dsp::GroupList drawn = dsp::GroupsDrawnFor(selected);
    graph_->setTraceCount(static_cast<std::size_t>(drawn.count));
    if (session_.state().responses.find(slot_) == nullptr) session_.responses().Keep(slot_);
    for (int i = 0; i < drawn.count; ++i) CopyGroupCurves(drawn.groups[static_cast<std::size_t>(i)]);
    UpdateMarkers();
}

void ChannelEditorWindow::UpdateMarkers() {
    const int selected = session_.selection(slot_).group;
    std::vector<ResponseGraph::Marker> markers;
    if (!dsp::IsOutputGroup(selected)) {
        const dsp::GroupInfo& info = dsp::kGroupInfo[static_cast<std::size_t>(selected)];
        const int count = InputBandCount(selected);
        for (int b = info.firstBand; b < info.firstBand + count; ++b) {
            const EqBandValues e = BandValues(device(), b);
            markers.push_back({b - info.firstBand + 1, e.frequencyHz, e.gainDb, GroupColour(selected),
                               b == bandPanel_->selectedBand()});
        }
    }
    graph_->setMarkers(std::move(markers));
}

// Markers carry the band number inside the group; the editor band index is
// the group's first band + number - 1.
void ChannelEditorWindow::BandPressed(int number, double x, double y) {
    if (controlsQuiet()) return;
    const int group = session_.selection(slot_).group;
    const int band = dsp::kGroupInfo[static_cast<std::size_t>(group)].firstBand + number - 1;
    if (band != bandPanel_->selectedBand()) {
        bandPanel_->selectBand(band);
        session_.selection(slot_).band = band;
        UpdateMarkers();
    }
    bandPanel_->gain()->fader()->setStyleSheet("QSlider::handle { background: rgb(255,200,0); }");
    const EqBandValues e = BandValues(device(), band);
    graph_->showReadout(QString::fromStdString(BandDragReadout({e.frequencyHz, e.gainDb}, decimalComma())),
                        graph_->plotArea().topLeft() + QPoint(static_cast<int>(x), static_cast<int>(y)));
}

void ChannelEditorWindow::BandDragged(int number, double x, double y) {
    if (controlsQuiet()) return;
    const int group = session_.selection(slot_).group;
    const int band = dsp::kGroupInfo[static_cast<std::size_t>(group)].firstBand + number - 1;
    const BandDrag drag = BandDragAt(graph_->mapping(), x, y);
    if (session_.DragBand(slot_, band, drag, coalescer_)) {
        {
            const bool was = filling_;
            filling_ = true;
            bandPanel_->Refresh();
            filling_ = was;
        }
        UpdateMarkers();
    }
    graph_->showReadout(QString::fromStdString(BandDragReadout(drag, decimalComma())),
                        graph_->plotArea().topLeft() + QPoint(static_cast<int>(x), static_cast<int>(y)));
}

void ChannelEditorWindow::BandReleased(int) {
    coalescer_.Flush();
    graph_->hideReadout();
    bandPanel_->gain()->fader()->setStyleSheet({});
    RefreshControls();
}

void ChannelEditorWindow::ClickFlat() {
    if (controlsQuiet()) return;
    if (FlattenEq(session_.writer(), slot_, session_.dialogs(), session_.selection(slot_).group)) {
        RefreshControls();
        RedrawGraph();
    }
}

}  // namespace zef
