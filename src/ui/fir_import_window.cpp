#include "ui/fir_import_window.h"

#include <QApplication>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSlider>

#include "dsp/groups.h"
#include "files/fir_import.h"
#include "model/locale.h"
#include "ui/band_graph.h"
#include "ui/fir_plot.h"
#include "ui/window_geometry.h"

namespace zef {

FirImportWindow::FirImportWindow(const EditorContext& context, const EditorTools& tools, int firSlot,
                                 int& filterIndex, QWidget* parent)
    : QDialog(parent), decimalComma_(context.decimalComma), history_(context.history), slot_(context.slot) {
    setObjectName("FormExternalFir");
    setWindowTitle(kImportFirTitle);
    import_ = std::make_unique<FirImport>(
        FirImportPorts{context.model, tools.exchange, context.curves, context.responses, context.dialogs},
        context.slot, firSlot, tools.firFolder, decimalComma_, filterIndex);

    auto* outer = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    load_ = new QPushButton(kLoadFirCaption, this);
    load_->setObjectName("ImageBtn");
    connect(load_, &QPushButton::clicked, this, &FirImportWindow::ClickLoad);
    top->addWidget(load_);
    auto* labels = new QVBoxLayout;
    name_ = new QLabel(this);
    name_->setObjectName("LabelNameFir");
    QFont bold = name_->font();
    bold.setBold(true);
    name_->setFont(bold);
    taps_ = new QLabel(this);
    taps_->setObjectName("LabelTaps");
    labels->addWidget(name_);
    labels->addWidget(taps_);
    top->addLayout(labels, 1);
    store_ = new QPushButton(kStoreFirCaption, this);
    store_->setObjectName("ImageBtnStore");
    connect(store_, &QPushButton::clicked, this, &FirImportWindow::ClickStore);
    top->addWidget(store_);
    outer->addLayout(top);
    progress_ = new QProgressBar(this);
    progress_->setObjectName("ProgressBar1");
    progress_->setRange(0, fir::kStoreProgressMax);
    progress_->setTextVisible(false);
    progress_->setMaximumHeight(10);
    outer->addWidget(progress_);

    BuildViewFrame();
    outer->addWidget(viewFrame_, 1);

    progress_->hide();
    store_->hide();
    viewFrame_->hide();
    plot_->setColour(GroupColour(dsp::kGroupOutput1 + import_->firSlot()));
    plot_->setDecimalComma(decimalComma_);
    SetThreshold(threshold_);
    // "Import / View": the FIR the output holds is shown until a file is loaded.
    if (import_->ShowStored()) ShowLoaded();
    KeepWindowGeometry(this, "FirImport", QSize(760, 540));
}

FirImportWindow::~FirImportWindow() = default;

void FirImportWindow::BuildViewFrame() {
    viewFrame_ = new QGroupBox(this);
    viewFrame_->setObjectName("FrameView");
    auto* v = new QVBoxLayout(viewFrame_);
    auto* row = new QHBoxLayout;
    views_ = new QButtonGroup(viewFrame_);
    for (int i = 0; i < 3; ++i) {
        auto* option = new QRadioButton(fir::kFirViewNames[static_cast<std::size_t>(i)], viewFrame_);
        option->setObjectName(QString("OptionGraph%1").arg(i));
        views_->addButton(option, i);
        row->addWidget(option);
    }
    views_->button(static_cast<int>(fir::FirView::Magnitude))->setChecked(true);
    row->addSpacing(12);
    phaseMode_ = new QComboBox(viewFrame_);
    phaseMode_->setObjectName("ComboModePhase");
    phaseMode_->addItems({"Wrapped", "Unwrapped"});
    row->addWidget(phaseMode_);
    latency_ = new QCheckBox("Remove FIR Latency", viewFrame_);
    latency_->setObjectName("CheckModeLatency");
    row->addWidget(latency_);
    row->addStretch(1);
    v->addLayout(row);

    auto* row2 = new QHBoxLayout;
    row2->addWidget(new QLabel("Range:", viewFrame_));
    zoomY_ = new QComboBox(viewFrame_);
    zoomY_->setObjectName("ComboZoomY");
    for (const char* text : fir::kPhaseRangeTexts) zoomY_->addItem(text);
    row2->addWidget(zoomY_);
    row2->addWidget(new QLabel("Frequency:", viewFrame_));
    scaleX_ = new QComboBox(viewFrame_);
    scaleX_->setObjectName("ComboScaleX");
    scaleX_->addItems({"Linear", "Logarthm"});
    scaleX_->setCurrentIndex(1);
    row2->addWidget(scaleX_);
    row2->addSpacing(12);
    row2->addWidget(new QLabel("Phase threshold dBFS:", viewFrame_));
    thresholdBox_ = new QLineEdit(viewFrame_);
    thresholdBox_->setObjectName("TextThrPhase");
    thresholdBox_->setFixedWidth(48);
    thresholdBox_->setValidator(
        new QRegularExpressionValidator(QRegularExpression("-?[0-9]*([.,][0-9]*)?"), thresholdBox_));
    row2->addWidget(thresholdBox_);
    thresholdSlider_ = new QSlider(Qt::Horizontal, viewFrame_);
    thresholdSlider_->setObjectName("SliderThrPhase");
    thresholdSlider_->setRange(0, fir::kThresholdSliderMax);
    thresholdSlider_->setInvertedAppearance(true);  // -80 at the left, -40 at the right
    thresholdSlider_->setMinimumWidth(120);
    row2->addWidget(thresholdSlider_, 1);
    v->addLayout(row2);

    plot_ = new FirPlot(viewFrame_);
    plot_->setObjectName("PictureFir");
    v->addWidget(plot_, 1);

    connect(views_, &QButtonGroup::idClicked, this, [this] { UpdatePlot(); });
    connect(phaseMode_, &QComboBox::currentIndexChanged, this, [this] { UpdatePlot(); });
    connect(latency_, &QCheckBox::toggled, this, [this] { UpdatePlot(); });
    connect(zoomY_, &QComboBox::currentIndexChanged, this, [this] { UpdatePlot(); });
    connect(scaleX_, &QComboBox::currentIndexChanged, this, [this] { UpdatePlot(); });
    connect(thresholdBox_, &QLineEdit::returnPressed, this, &FirImportWindow::CommitThreshold);
    connect(thresholdSlider_, &QSlider::valueChanged, this,
            [this](int position) { SetThreshold(fir::ThresholdFromSlider(position)); });
}

QRadioButton* FirImportWindow::viewOption(fir::FirView v) const {
    return qobject_cast<QRadioButton*>(views_->button(static_cast<int>(v)));
}

fir::FirView FirImportWindow::view() const {
    return static_cast<fir::FirView>(std::max(0, views_->checkedId()));
}

void FirImportWindow::ClickLoad() {
    if (import_->Load()) ShowLoaded();
}

bool FirImportWindow::LoadFile(const std::string& path) {
    if (!import_->LoadFile(path)) return false;
    ShowLoaded();
    return true;
}

void FirImportWindow::ShowLoaded() {
    name_->setText(QString::fromStdString(import_->name()));
    taps_->setText(QString::fromStdString(import_->tapsCaption()));
    setWindowTitle(QString::fromStdString(import_->windowTitle()));
    store_->setVisible(import_->state() == FirImport::State::Loaded);
    viewFrame_->show();
    UpdatePlot();
}

void FirImportWindow::ClickStore() {
    progress_->setValue(0);
    progress_->show();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = import_->Store([this](int step) { progress_->setValue(step); });
    QApplication::restoreOverrideCursor();
    if (ok) {
        history_.EndStep(slot_, "FIR import");
        accept();
        return;
    }
    progress_->hide();
}

void FirImportWindow::CommitThreshold() {
    std::string text = thresholdBox_->text().toStdString();
    for (char& c : text)
        if (c == ',' || c == '.') c = decimalComma_ ? ',' : '.';
    const auto value = ParseNumber(text, decimalComma_);
    SetThreshold(value ? *value : threshold_);
}

void FirImportWindow::SetThreshold(double dbfs) {
    threshold_ = fir::ClampThreshold(dbfs);
    {
        const QSignalBlocker block(thresholdSlider_);
        thresholdSlider_->setValue(fir::ThresholdSliderPosition(threshold_));
    }
    thresholdBox_->setText(QString::fromStdString(FormatNumber(threshold_, decimalComma_)));
    UpdatePlot();
}

void FirImportWindow::UpdatePlot() {
    if (!import_->hasAnalysis()) return;
    const fir::FirAnalysis& a = import_->analysis();
    const fir::FirView v = view();
    const bool unwrapped = phaseMode_->currentIndex() == 1;
    const bool noLatency = latency_->isChecked();
    FirPlot::Data data;
    data.view = v;
    data.hz = import_->frequencies();
    data.range = fir::ViewRange(v, zoomY_->currentIndex());
    data.logarithmic = scaleX_->currentIndex() == 1;
    data.thresholdDb = threshold_;
    switch (v) {
        case fir::FirView::Magnitude:
            data.values = a.magnitudeDb;
            break;
        case fir::FirView::Phase:
            data.values = unwrapped ? (noLatency ? a.series.unwrappedNoLatency : a.series.unwrapped)
                                    : (noLatency ? a.series.wrappedNoLatency : a.series.wrapped);
            data.magnitude = a.magnitudeDb;
            break;
        case fir::FirView::GroupDelay:
            data.values = import_->groupDelay(noLatency);
            data.magnitude = a.magnitudeDb;
            break;
    }
    phaseMode_->setEnabled(v == fir::FirView::Phase);
    zoomY_->setEnabled(v == fir::FirView::Phase);
    plot_->setData(std::move(data));
}

void FirImportWindow::reject() {
    if (!import_->MayClose()) return;
    QDialog::reject();
}

}  // namespace zef
