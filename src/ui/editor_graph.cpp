// The channel editor's graph: the curves of the selected group, zoom and
// shift, band markers dragged on the graph.
#include <QBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QSpinBox>

#include "app/edit_actions.h"
#include "app/entry_rules.h"
#include "dsp/groups.h"
#include "model/parameters.h"
#include "ui/channel_editor.h"
#include "ui/editor_button_bar.h"
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
    graph_ = new ResponseGraph(context_.curves.grid(), host);
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
    connect(zoom_, &QSpinBox::valueChanged, this, [this](int z) { context_.graphView.setZoom(z); });
    connect(shift_, &QSpinBox::valueChanged, this, [this](int s) { context_.graphView.setShiftStep(s); });

    bandPanelHost_ = new QWidget(host);
    auto* bh = new QVBoxLayout(bandPanelHost_);
    bh->setContentsMargins(0, 0, 0, 0);
    bandPanel_ = new EqBandPanel(host_, bandPanelHost_);
    bh->addWidget(bandPanel_);
    bandPanelHost_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);  // the graph takes the rest
    v->addWidget(bandPanelHost_);

    typeMenu_ = new QMenu(this);
    typeMenu_->setObjectName("ShapeEq");
    const char* items[] = {"Bell",       "Hi-Shelving Q", "Lo-Shelving Q", "High Pass Q",
                           "Low Pass Q", "Notch Filter",  "All Pass I",    "All Pass II"};
    for (int i = 0; i < 8; ++i) typeMenu_->addAction(items[i], this, [this, i] { ChooseBandType(i); });
    bandPanel_->typeMenuRequested = [this](QPoint at) { typeMenu_->popup(at); };
    bandPanel_->flatRequested = [this] { buttons_->ClickFlat(); };
    bandPanel_->bandSelected = [this](int band) {
        context_.selection.band = band;
        UpdateMarkers();
    };

    graph_->markerPressed = [this](int band, double x, double y) { BandPressed(band, x, y); };
    graph_->markerDragged = [this](int band, double x, double y) { BandDragged(band, x, y); };
    graph_->markerReleased = [this](int band) { BandReleased(band); };
}

void ChannelEditorWindow::CopyGroupCurves(int group) {
    const int selected = context_.selection.group;
    const dsp::GroupList drawn = dsp::GroupsDrawnFor(selected);
    for (int i = 0; i < drawn.count; ++i) {
        if (drawn.groups[static_cast<std::size_t>(i)] != group) continue;
        const dsp::DeviceResponses* r = context_.curves.find(slot());
        if (!r) return;
        graph_->setTrace(static_cast<std::size_t>(i), r->group(group), GroupColour(group));
    }
}

void ChannelEditorWindow::RedrawGraph() {
    {
        const QSignalBlocker bz(zoom_), bs(shift_);
        zoom_->setValue(context_.graphView.zoom());
        shift_->setValue(context_.graphView.shiftStep());
    }
    graph_->setView(context_.graphView.zoom(), context_.graphView.shiftStep());
    const int selected = context_.selection.group;
    const dsp::GroupList drawn = dsp::GroupsDrawnFor(selected);
    graph_->setTraceCount(static_cast<std::size_t>(drawn.count));
    if (context_.curves.find(slot()) == nullptr) context_.responses.Keep(slot());
    for (int i = 0; i < drawn.count; ++i) CopyGroupCurves(drawn.groups[static_cast<std::size_t>(i)]);
    UpdateMarkers();
}

void ChannelEditorWindow::UpdateMarkers() {
    const int selected = context_.selection.group;
    std::vector<ResponseGraph::Marker> markers;
    if (!dsp::IsOutputGroup(selected)) {
        const dsp::GroupInfo& info = dsp::kGroupInfo[static_cast<std::size_t>(selected)];
        const int count = InputBandCount(selected);
        for (int b = info.firstBand; b < info.firstBand + count; ++b) {
            const EqBandValues e = BandValues(context_.device(), b);
            markers.push_back({b - info.firstBand + 1, e.frequencyHz, e.gainDb, GroupColour(selected),
                               b == bandPanel_->selectedBand()});
        }
    }
    graph_->setMarkers(std::move(markers));
}

// Markers carry the band number inside the group; the editor band index is
// the group's first band + number - 1.
void ChannelEditorWindow::BandPressed(int number, double x, double y) {
    if (host_.controlsQuiet()) return;
    const int group = context_.selection.group;
    const int band = dsp::kGroupInfo[static_cast<std::size_t>(group)].firstBand + number - 1;
    if (band != bandPanel_->selectedBand()) {
        bandPanel_->selectBand(band);
        context_.selection.band = band;
        UpdateMarkers();
    }
    bandPanel_->gain()->fader()->setStyleSheet("QSlider::handle { background: rgb(255,200,0); }");
    const EqBandValues e = BandValues(context_.device(), band);
    graph_->showReadout(QString::fromStdString(BandDragReadout({e.frequencyHz, e.gainDb}, context_.decimalComma)),
                        graph_->plotArea().topLeft() + QPoint(static_cast<int>(x), static_cast<int>(y)));
}

void ChannelEditorWindow::BandDragged(int number, double x, double y) {
    if (host_.controlsQuiet()) return;
    const int group = context_.selection.group;
    const int band = dsp::kGroupInfo[static_cast<std::size_t>(group)].firstBand + number - 1;
    const BandDrag drag = BandDragAt(graph_->mapping(), x, y);
    if (DragBand(context_.writer, slot(), band, drag, host_.coalescer())) {
        {
            const EditorControlHost::Filling filling(host_);
            bandPanel_->Refresh();
        }
        UpdateMarkers();
    }
    graph_->showReadout(QString::fromStdString(BandDragReadout(drag, context_.decimalComma)),
                        graph_->plotArea().topLeft() + QPoint(static_cast<int>(x), static_cast<int>(y)));
}

void ChannelEditorWindow::BandReleased(int) {
    host_.DragEnded();
    graph_->hideReadout();
    bandPanel_->gain()->fader()->setStyleSheet({});
    RefreshControls();
}

}  // namespace zef
