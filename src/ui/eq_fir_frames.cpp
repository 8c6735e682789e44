// The output EQ/FIR editor's frames: the output tabs, the graph with zoom
// and shift and its band markers, the FIR frame, and the places of the
// analyser and AutoEQ.
#include <QBoxLayout>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>

#include "app/edit_actions.h"
#include "app/editor_session.h"
#include "app/entry_rules.h"
#include "app/output_eq_actions.h"
#include "dsp/groups.h"
#include "model/parameters.h"
#include "ui/eq_band_panel.h"
#include "ui/eq_fir_window.h"
#include "ui/fir_import_window.h"
#include "ui/response_graph.h"

namespace zef {
namespace {

QColor GroupColour(int group) {
    const dsp::Rgb c = dsp::kGroupInfo[static_cast<std::size_t>(group)].colour;
    return QColor(c.r, c.g, c.b);
}

constexpr const char* kTypeNames[] = {"Bell",       "Hi-Shelving Q", "Lo-Shelving Q", "High Pass Q",
                                      "Low Pass Q", "Notch Filter",  "All Pass I",    "All Pass II"};

}  // namespace

QWidget* OutputEqWindow::BuildHeader(QWidget* host) {
    auto* header = new QWidget(host);
    header->setObjectName("HeaderEqFir");
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    viewCaption_ = new QLabel(kViewOutputCaption, header);
    viewCaption_->setObjectName("LblImgNameOutFix");
    QFont bold = viewCaption_->font();
    bold.setBold(true);
    viewCaption_->setFont(bold);
    row->addWidget(viewCaption_);
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

void OutputEqWindow::BuildGraph(QWidget* host) {
    auto* row = new QHBoxLayout(host);
    row->setContentsMargins(0, 0, 0, 0);
    stack_ = new QStackedWidget(host);
    graph_ = new ResponseGraph(session_.state().responses.grid(), stack_);
    graph_->setObjectName("PictureGraph");
    graph_->setMinimumSize(480, 220);
    stack_->addWidget(graph_);
    analyserPage_ = new QWidget(stack_);
    analyserPage_->setObjectName("PageRta");
    stack_->addWidget(analyserPage_);
    row->addWidget(stack_, 1);

    zoomFrame_ = new QWidget(host);
    auto* side = new QVBoxLayout(zoomFrame_);
    side->setContentsMargins(0, 0, 0, 0);
    side->addWidget(new QLabel("Zoom Axis dB", zoomFrame_));
    zoom_ = new QSpinBox(zoomFrame_);
    zoom_->setObjectName("UpDownZoomY");
    zoom_->setRange(0, dsp::kZoomLevels - 1);
    zoom_->setToolTip("+-15, +-30, +-45, +-60 dB");
    side->addWidget(zoom_);
    side->addWidget(new QLabel("Shift Axis dB", zoomFrame_));
    shift_ = new QSpinBox(zoomFrame_);
    shift_->setObjectName("UpDownShiftY");
    shift_->setRange(0, dsp::kShiftSteps - 1);
    side->addWidget(shift_);
    connect(zoom_, &QSpinBox::valueChanged, this, [this](int z) { session_.graphView().setZoom(z); });
    connect(shift_, &QSpinBox::valueChanged, this, [this](int s) { session_.graphView().setShiftStep(s); });

    typeMenu_ = new QMenu(this);
    typeMenu_->setObjectName("ShapeEqOut");
    for (int i = 0; i < 8; ++i) typeMenu_->addAction(kTypeNames[i], this, [this, i] { MenuOutPeqFilter(i); });
    graph_->markerPressed = [this](int n, double x, double y) { BandPressed(n, x, y); };
    graph_->markerDragged = [this](int n, double x, double y) { BandDragged(n, x, y); };
    graph_->markerReleased = [this](int n) { BandReleased(n); };
}

QWidget* OutputEqWindow::BuildFirFrame(QWidget* host) {
    firFrame_ = new QGroupBox("FIR", host);
    firFrame_->setObjectName("FrameFir");
    auto* v = new QVBoxLayout(firFrame_);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel("Name:", firFrame_));
    firName_ = new QLabel(firFrame_);
    firName_->setObjectName("LabelNameFir");
    QFont bold = firName_->font();
    bold.setBold(true);
    firName_->setFont(bold);
    nameRow->addWidget(firName_, 1);
    v->addLayout(nameRow);
    firTaps_ = new QLabel(firFrame_);
    firTaps_->setObjectName("LabelTapsFir");
    v->addWidget(firTaps_);
    auto* menu = new QVBoxLayout;
    const char* captions[] = {"Wizard", "Import / View", "Save"};
    const char* tips[] = {"FIR wizard: measure the loudspeaker and design a FIR for this output",
                          "Load a FIR file, look at it and store it on the amplifier",
                          "Write this output's FIR as a text file, one coefficient per line"};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(captions[i], firFrame_);
        b->setObjectName(QString("LabelFirMenu%1").arg(i));
        b->setToolTip(tips[i]);
        connect(b, &QPushButton::clicked, this, [this, i] { ClickFirMenu(i); });
        menu->addWidget(b);
        firMenu_[static_cast<std::size_t>(i)] = b;
    }
    v->addLayout(menu);
    firBypass_ = new CheckControl(*this, ParameterOf(ParamId::FirBypass, {ParamChannel::Out1, 0}),
                                  "FIR bypass", firFrame_);
    firBypass_->check()->setObjectName("LabelFIRByp");
    v->addWidget(firBypass_);
    v->addStretch(1);
    return firFrame_;
}

void OutputEqWindow::BuildAnalyserButtons(QWidget* host, QVBoxLayout* v) {
    rta_ = new QPushButton("RTA Enable", host);
    rta_->setObjectName("ImageRTA");
    rta_->setCheckable(true);
    connect(rta_, &QPushButton::toggled, this, [this](bool on) {
        if (!analyserHandler) return;
        ShowAnalyser(on);
        if (on) {
            analyserHandler(slot_, output_);
            return;
        }
        // What the hook put into the analyser page goes with switching off:
        // the analyser stops and the device gets its own values back.
        for (QWidget* w : analyserPage_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            delete w;
    });
    autoEq_ = new QPushButton("AutoEQ", host);
    autoEq_->setObjectName("ImageAutoEq");
    connect(autoEq_, &QPushButton::clicked, this, [this] {
        if (autoEqHandler && !controlsQuiet()) autoEqHandler(slot_, output_);
    });
    v->addWidget(rta_);
    v->addWidget(autoEq_);
}

void OutputEqWindow::HooksChanged() {
    rta_->setEnabled(static_cast<bool>(analyserHandler));
    rta_->setToolTip(analyserHandler
                         ? "Real-time analyser of the measuring microphone in the graph area"
                         : "Real-time analyser in the graph area, with the noise generator and the "
                           "microphone level (not available in this version)");
    autoEq_->setEnabled(static_cast<bool>(autoEqHandler));
    autoEq_->setToolTip(autoEqHandler
                            ? "Fit this output's bands to a measured room curve"
                            : "AutoEQ: fits this output's bands to a measured room curve (not available "
                              "in this version)");
    firMenu_[0]->setEnabled(static_cast<bool>(wizardHandler));
    if (!wizardHandler) firMenu_[0]->setToolTip(firMenu_[0]->toolTip() + " (not available in this version)");
}

void OutputEqWindow::ShowAnalyser(bool on) {
    stack_->setCurrentIndex(on ? 1 : 0);
    zoomFrame_->setVisible(!on);
    if (!on && rta_->isChecked()) {
        const QSignalBlocker block(rta_);
        rta_->setChecked(false);
    }
}

void OutputEqWindow::CopyCurve() {
    const dsp::DeviceResponses* r = session_.state().responses.find(slot_);
    if (!r) return;
    graph_->setTrace(0, r->group(Group()), GroupColour(Group()));
}

void OutputEqWindow::PlotMainPage() {
    {
        const QSignalBlocker bz(zoom_), bs(shift_);
        zoom_->setValue(session_.graphView().zoom());
        shift_->setValue(session_.graphView().shiftStep());
    }
    graph_->setView(session_.graphView().zoom(), session_.graphView().shiftStep());
    if (session_.state().responses.find(slot_) == nullptr) session_.responses().Keep(slot_);
    graph_->setTraceCount(1);
    CopyCurve();
    UpdateMarkers();
}

void OutputEqWindow::UpdateMarkers() {
    std::vector<ResponseGraph::Marker> markers;
    for (int n = 1; n <= visibleBands(); ++n) {
        const int band = FirstBand() + n - 1;
        const EqBandValues e = BandValues(device(), band);
        markers.push_back(
            {n, e.frequencyHz, e.gainDb, GroupColour(Group()), band == bandPanel_->selectedBand()});
    }
    graph_->setMarkers(std::move(markers));
}

void OutputEqWindow::MenuOutPeqFilter(int type) {
    const int band = bandPanel_->selectedBand();
    Commit(ParameterOf(ParamId::BandType, {ChannelOfGroup(Group()), BandNumberInGroup(band)}), type, false);
}

void OutputEqWindow::BandPressed(int number, double x, double y) {
    if (controlsQuiet()) return;
    const int band = FirstBand() + number - 1;
    if (band != bandPanel_->selectedBand()) {
        bandPanel_->selectBand(band);
        UpdateMarkers();
    }
    const EqBandValues e = BandValues(device(), band);
    graph_->showReadout(QString::fromStdString(BandDragReadout({e.frequencyHz, e.gainDb}, decimalComma())),
                        graph_->plotArea().topLeft() + QPoint(static_cast<int>(x), static_cast<int>(y)));
}

void OutputEqWindow::BandDragged(int number, double x, double y) {
    if (controlsQuiet() || number < 1 || number > visibleBands()) return;
    const int band = FirstBand() + number - 1;
    const BandDrag drag = BandDragAt(graph_->mapping(), x, y);
    if (DragBand(session_.writer(), slot_, band, drag, coalescer_)) {
        RefreshControls();
        UpdateMarkers();
    }
    graph_->showReadout(QString::fromStdString(BandDragReadout(drag, decimalComma())),
                        graph_->plotArea().topLeft() + QPoint(static_cast<int>(x), static_cast<int>(y)));
}

void OutputEqWindow::BandReleased(int) {
    coalescer_.Flush();
    graph_->hideReadout();
    RefreshControls();
}

void OutputEqWindow::ClickFirMenu(int index) {
    if (controlsQuiet()) return;
    switch (index) {
        case 0:
            if (wizardHandler) wizardHandler(slot_, output_);
            break;
        case 1: {
            FirImportWindow window(session_, slot_, output_, firFilterIndex_, this);
            window.exec();
            break;
        }
        case 2:
            SaveFirTextAsked(device(), output_, session_.dialogs(), session_.dataSubfolder("FIR"),
                             decimalComma());
            return;
        default:
            return;
    }
    // After a modal window: the FIR's response and the graph again.
    session_.responses().FirChanged(slot_, output_);
    RefreshWindowEqFIR();
}

}  // namespace zef
