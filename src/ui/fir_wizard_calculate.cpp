#include "ui/fir_wizard_calculate.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/wizard_texts.h"
#include "ui/eq_target_window.h"
#include "ui/fir_wizard_house.h"
#include "ui/fir_wizard_run.h"
#include "ui/wizard_widgets.h"
#include "ui/xy_plot.h"

namespace zef {

namespace t = wizard_text;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Samples at 48 kHz on a time axis in ms.
std::vector<double> Times(std::size_t n) {
    std::vector<double> x(n);
    for (std::size_t i = 0; i < n; ++i) x[i] = static_cast<double>(i) / 48.0;
    return x;
}

}  // namespace

FirWizardCalculatePage::FirWizardCalculatePage(FirWizardRun& run, Dialogs& dialogs, std::string wizardFolder)
    : run_(run), dialogs_(dialogs), wizardFolder_(std::move(wizardFolder)) {
    auto* h = new QHBoxLayout(this);
    h->addWidget(BuildSettings());
    h->addLayout(BuildGraphs(), 1);
    ConnectSteppers();
    for (QLineEdit* box : {minFreq_, maxFreq_}) {
        box->installEventFilter(this);
        connect(box, &QLineEdit::returnPressed, this, [this, box] { CommitFrequencyBox(box); });
    }
    connect(calculate_, &QPushButton::clicked, this, &FirWizardCalculatePage::ClickCalculate);
    connect(eqTarget_, &QPushButton::clicked, this, &FirWizardCalculatePage::ClickEqTarget);
    connect(saveWizard_, &QPushButton::clicked, this, &FirWizardCalculatePage::ClickSaveWizard);
    connect(openWizard_, &QPushButton::clicked, this, &FirWizardCalculatePage::ClickOpenWizard);
    connect(magnPhase_, &QCheckBox::toggled, this,
            [this](bool on) { graphs_.frequency->setRightCurvesVisible(on); });
    connect(&run_, &FirWizardRun::blinked, this,
            [this](const QString& style) { calculate_->setStyleSheet(style); });
    graphs_.ShowFilterAxes();
    graphs_.frequency->setRightAxis(PlotAxis{-180, 180, false, "Deg"});
    ShowSettings();
}

// The settings column: the up/down labels and boxes, the buttons, the wizard files.
QGroupBox* FirWizardCalculatePage::BuildSettings() {
    auto* box = new QGroupBox(this);
    box->setObjectName("FrameSettings");
    box->setMaximumWidth(300);
    auto* g = new QGridLayout(box);
    int row = 0;
    auto add = [&](const char* caption, QWidget* w) {
        auto* label = new QLabel(caption, box);
        g->addWidget(label, row, 0);
        g->addWidget(w, row++, 1);
        return label;
    };
    winLen_ = new Stepper("LblUpdownWinLen", box);
    add(t::kWindowLength, winLen_);
    minFreq_ = new QLineEdit(box);
    minFreq_->setObjectName("MinFreqText");
    maxFreq_ = new QLineEdit(box);
    maxFreq_->setObjectName("MaxFreqText");
    g->addWidget(new QLabel(t::kMinFrequency, box), row++, 0, 1, 2);
    add(t::kHz, minFreq_);
    g->addWidget(new QLabel(t::kMaxFrequency, box), row++, 0, 1, 2);
    add(t::kHz, maxFreq_);
    const std::pair<Stepper**, std::pair<const char*, const char*>> steppers[] = {
        {&smoothType_, {"LblSmoothType", t::kSmoothing}},
        {&smoothWidth_, {"LblSmoothWidth", t::kSmoothingWidth}},
        {&smoothThr_, {"LblSmoothThr", t::kSmoothingThreshold}},
        {&precision_, {"LblUpdownPrecision", t::kPrecision}},
        {&latency_, {"LblUpDLatency", t::kLatency}},
        {&mode_, {"LblModeFir", t::kFirModeCaption}},
        {&taps_, {"LblUpdownTaps", t::kTaps}},
    };
    for (const auto& [stepper, names] : steppers) {
        *stepper = new Stepper(names.first, box);
        QLabel* caption = add(names.second, *stepper);
        if (stepper == &smoothThr_) smoothThrCaption_ = caption;
    }
    newTaps_ = new QLabel(box);
    newTaps_->setObjectName("LblUpdownNewTaps");
    g->addWidget(newTaps_, row++, 1);
    calculate_ = new QPushButton(t::kCalculateFir, box);
    calculate_->setObjectName("BtnImgCalc");
    g->addWidget(calculate_, row++, 0, 1, 2);
    eqTarget_ = new QPushButton(t::kEqTarget, box);
    eqTarget_->setObjectName("ImgEqTarget");
    g->addWidget(eqTarget_, row++, 0, 1, 2);
    house_ = new FirHouseControls(run_.design(), dialogs_, box);
    g->addWidget(house_, row++, 0, 1, 2);
    connect(house_, &FirHouseControls::changed, this, [this] { run_.SettingChanged(); });
    BuildWizardFiles(g, row, box);
    g->setRowStretch(row, 1);
    return box;
}

// "Save Wizard", "Open Wizard" and the name of the file opened.
void FirWizardCalculatePage::BuildWizardFiles(QGridLayout* g, int& row, QWidget* box) {
    auto* files = new QHBoxLayout;
    saveWizard_ = new QPushButton(t::kSaveWizard, box);
    saveWizard_->setObjectName("BtnSaveWiz");
    openWizard_ = new QPushButton(t::kOpenWizard, box);
    openWizard_->setObjectName("BtnOpenWiz");
    files->addWidget(saveWizard_);
    files->addWidget(openWizard_);
    g->addLayout(files, row++, 0, 1, 2);
    nameFile_ = new QLabel(box);
    nameFile_->setObjectName("LblNameFile");
    g->addWidget(nameFile_, row++, 0, 1, 2);
}

QLayout* FirWizardCalculatePage::BuildGraphs() {
    auto* graphs = new QVBoxLayout;
    graphs_ = WizardGraphs::Make(this, "Calc");
    magnPhase_ = new QCheckBox(t::kMagnAndPhase, this);
    magnPhase_->setObjectName("CheckMagnPhase");
    graphs->addWidget(graphs_.time, 2);
    graphs->addWidget(magnPhase_);
    graphs->addWidget(graphs_.frequency, 3);
    return graphs;
}

void FirWizardCalculatePage::ConnectStep(Stepper* stepper,
                                         std::function<void(wizard::DesignSettings&, int)> apply) {
    connect(stepper, &Stepper::stepped, this, [this, apply = std::move(apply)](int d) {
        wizard::DesignSettings& st = run_.state.settings;
        apply(st, d);
        st = wizard::Normalised(st);
        ShowSettings();
        run_.SettingChanged();
    });
}

void FirWizardCalculatePage::ConnectSteppers() {
    using S = wizard::DesignSettings;
    auto add = [](std::int16_t& field, int d) { field = static_cast<std::int16_t>(field + d); };
    ConnectStep(winLen_, [](S& s, int d) {
        s.windowStep = static_cast<std::int16_t>(std::clamp(s.windowStep + d, 0, wizard::kWindowSteps));
    });
    ConnectStep(smoothType_, [add](S& s, int d) { add(s.smoothingType, d); });
    ConnectStep(smoothWidth_, [add](S& s, int d) { add(s.smoothingWidth, d); });
    ConnectStep(smoothThr_, [add](S& s, int d) { add(s.smoothingThreshold, d); });
    ConnectStep(precision_, [add](S& s, int d) { add(s.precision, d); });
    ConnectStep(latency_, [](S& s, int d) { s.latencyMs = wizard::StepLatency(s.latencyMs, d); });
    ConnectStep(mode_, [add](S& s, int d) { add(s.firMode, d); });
    ConnectStep(taps_, [](S&, int) {});  // one length only
}

bool FirWizardCalculatePage::Complete() const { return run_.design().designed(); }

void FirWizardCalculatePage::Refresh(bool idle) {
    calculate_->setEnabled(idle && !run_.state.ir.empty());
    eqTarget_->setVisible(run_.state.settings.firMode == 1);
}

bool FirWizardCalculatePage::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == minFreq_ || watched == maxFreq_) && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        char32_t c = 0;
        if (key->key() == Qt::Key_Backspace)
            c = 8;
        else if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            c = 13;
        else if (text.size() == 1)
            c = text.at(0).unicode();
        if (!wizard::FrequencyBoxAccepts(c)) return true;  // swallowed
    }
    return FirWizardPage::eventFilter(watched, event);
}

void FirWizardCalculatePage::CommitFrequencyBox(QLineEdit* box) {
    wizard::DesignSettings& s = run_.state.settings;
    const long typed = box->text().toLong();
    if (box == minFreq_)
        s.minFrequency = static_cast<std::int16_t>(wizard::ClampMinFrequency(typed, s.windowStep));
    else
        s.maxFrequency = static_cast<std::int16_t>(wizard::ClampMaxFrequency(typed));
    ShowSettings();
    run_.SettingChanged();
}

void FirWizardCalculatePage::ShowSettings() {
    const wizard::DesignSettings& s = run_.state.settings;
    winLen_->setText(Q(wizard::WindowLengthText(s.windowStep)));
    minFreq_->setText(QString::number(s.minFrequency));
    maxFreq_->setText(QString::number(s.maxFrequency));
    smoothType_->setText(wizard::SmoothingTypeText(s.smoothingType));
    smoothWidth_->setText(wizard::SmoothingWidthText(s.smoothingWidth));
    smoothThr_->setText(Q(wizard::ThresholdText(s.smoothingThreshold)));
    const bool smoothing = s.smoothingType != 0;
    smoothWidth_->setEnabled(smoothing);
    smoothThr_->setEnabled(smoothing);
    // The threshold belongs to "Magn + Phase": in "Phase Only" its caption goes too.
    smoothThr_->setVisible(s.firMode == 1);
    smoothThrCaption_->setVisible(s.firMode == 1);
    smoothThrCaption_->setEnabled(smoothing);
    precision_->setText(QString::number(s.precision));
    latency_->setText(Q(wizard::LatencyText(s.latencyMs)));
    mode_->setText(wizard::FirModeText(s.firMode));
    house_->ShowMode(s.firMode);
    taps_->setText(QString::number(s.tapChoice));
    newTaps_->setText(QString::number(wizard::kWizardTaps));
    emit changed();
}

void FirWizardCalculatePage::ClickCalculate() {
    run_.StopBlink();
    wizard::WizardState& st = run_.state;
    if (!run_.design().Calculate(st.ir, st.settings, st.target, st.morePositions)) return;
    ShowSettings();
    ShowDesignCurves();
    house_->ShowWorstCase();
    run_.Designed();
    emit changed();
}

void FirWizardCalculatePage::ShowDesignCurves() {
    const wizard::DesignCurves& c = run_.design().curves();
    double peak = 1e-9;
    for (double v : c.irTime) peak = std::max(peak, std::fabs(v));
    for (double v : c.firTime) peak = std::max(peak, std::fabs(v));
    const double end = std::max(c.irTime.size(), c.firTime.size()) / 48.0;
    graphs_.time->setAxes(PlotAxis{0, std::max(1.0, end), false, "ms"},
                          PlotAxis{-peak * 1.1, peak * 1.1, false, ""});
    graphs_.time->clearCurves();
    graphs_.time->setCurve({t::kCurveIr, Times(c.irTime.size()), c.irTime, WizardCurveColour(0)});
    graphs_.time->setCurve({t::kCurveFir, Times(c.firTime.size()), c.firTime, WizardCurveColour(1)});

    const std::vector<double> x = WizardGridX();
    graphs_.frequency->clearCurves();
    const wizard::GridResponse* curves[] = {&c.ir, &c.fir, &c.combined, &c.target};
    const char* names[] = {t::kCurveIr, t::kCurveFir, t::kCurveCombined, t::kCurveTarget};
    // Levels: the IR and the combination are levelled over the design range
    // so that the curves sit together around 0 dB; the FIR as it is.
    const wizard::DesignSettings& s = run_.state.settings;
    for (int i = 0; i < 4; ++i) {
        dsp::Curve db = curves[i]->db;
        if (i != 1) wizard::LevelOver(db, s.minFrequency, s.maxFrequency);
        graphs_.frequency->setCurve({names[i], x, WizardCurveValues(db), WizardCurveColour(i)});
    }
    for (int i = 0; i < 4; ++i) {
        XyPlot::Curve phase{QString(names[i]) + " (Deg)",     x,    WizardCurveValues(curves[i]->degrees),
                            WizardCurveColour(i).darker(140), true, magnPhase_->isChecked()};
        graphs_.frequency->setCurve(phase);
    }
}

void FirWizardCalculatePage::ClickEqTarget() {
    EqTargetWindow target(run_.state.target, window());
    target.applied = [this](const EqTargetRecord& record) {
        run_.state.target = record;
        if (!run_.state.ir.empty()) ClickCalculate();
    };
    target.exec();
    run_.state.target = target.record();
}

void FirWizardCalculatePage::ClickSaveWizard() { wizard::SaveWiz(dialogs_, wizardFolder_, run_.state); }

void FirWizardCalculatePage::ClickOpenWizard() {
    std::string name;
    std::optional<wizard::WizardState> loaded = wizard::OpenWiz(dialogs_, wizardFolder_, name);
    if (!loaded) return;
    run_.state.target = loaded->target;
    run_.state.settings = wizard::Normalised(loaded->settings);
    nameFile_->setText(Q(name));
    ShowSettings();
    run_.SetImpulseResponse(std::move(loaded->ir));
    run_.SettingChanged();
}

}  // namespace zef
