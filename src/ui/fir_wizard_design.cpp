// FirWizardWindow page 6: the design settings, "Calculate FIR" and its curves,
// the EQ target and the wizard files.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/editor_session.h"
#include "app/wizard_texts.h"
#include "ui/eq_target_window.h"
#include "ui/fir_wizard.h"
#include "ui/wizard_widgets.h"
#include "ui/xy_plot.h"

namespace zef {

namespace t = wizard_text;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::vector<double> GridX() {
    std::vector<double> x(dsp::kGridPoints);
    for (std::size_t k = 0; k < x.size(); ++k) x[k] = static_cast<double>(k) * dsp::kGridStepHz;
    return x;
}

std::vector<double> Values(const dsp::Curve& c) { return {c.begin(), c.end()}; }

}  // namespace

QWidget* FirWizardWindow::BuildCalculate() {
    auto* page = new QWidget;
    auto* h = new QHBoxLayout(page);
    auto* box = new QGroupBox(page);
    box->setObjectName("FrameSettings");
    box->setMaximumWidth(300);
    auto* g = new QGridLayout(box);
    int row = 0;
    auto add = [&](const char* caption, QWidget* w) {
        g->addWidget(new QLabel(caption, box), row, 0);
        g->addWidget(w, row++, 1);
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
    smoothType_ = new Stepper("LblSmoothType", box);
    add(t::kSmoothing, smoothType_);
    smoothWidth_ = new Stepper("LblSmoothWidth", box);
    add(t::kSmoothingWidth, smoothWidth_);
    smoothThr_ = new Stepper("LblSmoothThr", box);
    add(t::kSmoothingThreshold, smoothThr_);
    precision_ = new Stepper("LblUpdownPrecision", box);
    add(t::kPrecision, precision_);
    latency_ = new Stepper("LblUpDLatency", box);
    add(t::kLatency, latency_);
    mode_ = new Stepper("LblModeFir", box);
    add(t::kFirModeCaption, mode_);
    taps_ = new Stepper("LblUpdownTaps", box);
    add(t::kTaps, taps_);
    newTaps_ = new QLabel(box);
    newTaps_->setObjectName("LblUpdownNewTaps");
    g->addWidget(newTaps_, row++, 1);
    calculate_ = new QPushButton(t::kCalculateFir, box);
    calculate_->setObjectName("BtnImgCalc");
    g->addWidget(calculate_, row++, 0, 1, 2);
    eqTarget_ = new QPushButton(t::kEqTarget, box);
    eqTarget_->setObjectName("ImgEqTarget");
    g->addWidget(eqTarget_, row++, 0, 1, 2);
    auto* files = new QHBoxLayout;
    auto* saveWiz = new QPushButton(t::kSaveWizard, box);
    saveWiz->setObjectName("BtnSaveWiz");
    auto* openWiz = new QPushButton(t::kOpenWizard, box);
    openWiz->setObjectName("BtnOpenWiz");
    files->addWidget(saveWiz);
    files->addWidget(openWiz);
    g->addLayout(files, row++, 0, 1, 2);
    nameFile_ = new QLabel(box);
    nameFile_->setObjectName("LblNameFile");
    g->addWidget(nameFile_, row++, 0, 1, 2);
    g->setRowStretch(row, 1);
    h->addWidget(box);

    auto* graphs = new QVBoxLayout;
    calcTime_ = new XyPlot(page);
    calcTime_->setObjectName("GraphIRFIRTimeCalc");
    calcFreq_ = new XyPlot(page);
    calcFreq_->setObjectName("GraphIRFIRFreqCalc");
    magnPhase_ = new QCheckBox(t::kMagnAndPhase, page);
    magnPhase_->setObjectName("CheckMagnPhase");
    graphs->addWidget(calcTime_, 2);
    graphs->addWidget(magnPhase_);
    graphs->addWidget(calcFreq_, 3);
    h->addLayout(graphs, 1);

    // Steps of the up/down labels.
    auto stepField = [this](Stepper* s, auto apply) {
        connect(s, &Stepper::stepped, this, [this, apply](int d) {
            wizard::DesignSettings& st = state_.settings;
            apply(st, d);
            st = wizard::Normalised(st);
            ShowSettings();
            SettingChanged();
        });
    };
    using S = wizard::DesignSettings;
    stepField(winLen_, [](S& s, int d) {
        s.windowStep = static_cast<std::int16_t>(std::clamp(s.windowStep + d, 0, wizard::kWindowSteps));
    });
    stepField(smoothType_,
              [](S& s, int d) { s.smoothingType = static_cast<std::int16_t>(s.smoothingType + d); });
    stepField(smoothWidth_,
              [](S& s, int d) { s.smoothingWidth = static_cast<std::int16_t>(s.smoothingWidth + d); });
    stepField(smoothThr_, [](S& s, int d) {
        s.smoothingThreshold = static_cast<std::int16_t>(s.smoothingThreshold + d);
    });
    stepField(precision_, [](S& s, int d) { s.precision = static_cast<std::int16_t>(s.precision + d); });
    stepField(latency_, [](S& s, int d) { s.latencyMs = wizard::StepLatency(s.latencyMs, d); });
    stepField(mode_, [](S& s, int d) { s.firMode = static_cast<std::int16_t>(s.firMode + d); });
    stepField(taps_, [](S&, int) {});  // one length only
    for (QLineEdit* box : {minFreq_, maxFreq_}) {
        box->installEventFilter(this);
        connect(box, &QLineEdit::returnPressed, this, [this, box] { CommitFrequencyBox(box); });
    }
    connect(calculate_, &QPushButton::clicked, this, &FirWizardWindow::ClickCalculate);
    connect(eqTarget_, &QPushButton::clicked, this, &FirWizardWindow::ClickEqTarget);
    connect(saveWiz, &QPushButton::clicked, this, &FirWizardWindow::ClickSaveWizard);
    connect(openWiz, &QPushButton::clicked, this, &FirWizardWindow::ClickOpenWizard);
    connect(magnPhase_, &QCheckBox::toggled, this, [this](bool on) { calcFreq_->setRightCurvesVisible(on); });
    calcTime_->setAxes(PlotAxis{0, 8, false, "ms"}, PlotAxis{-1, 1, false, ""});
    calcFreq_->setAxes(PlotAxis{20, 20000, true, "Hz"}, PlotAxis{-30, 12, false, "dB"});
    calcFreq_->setRightAxis(PlotAxis{-180, 180, false, "Deg"});
    return page;
}

bool FirWizardWindow::eventFilter(QObject* watched, QEvent* event) {
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
    return QDialog::eventFilter(watched, event);
}

void FirWizardWindow::CommitFrequencyBox(QLineEdit* box) {
    wizard::DesignSettings& s = state_.settings;
    const long typed = box->text().toLong();
    if (box == minFreq_)
        s.minFrequency = static_cast<std::int16_t>(wizard::ClampMinFrequency(typed, s.windowStep));
    else
        s.maxFrequency = static_cast<std::int16_t>(wizard::ClampMaxFrequency(typed));
    ShowSettings();
    SettingChanged();
}

void FirWizardWindow::ShowSettings() {
    const wizard::DesignSettings& s = state_.settings;
    winLen_->setText(Q(wizard::WindowLengthText(s.windowStep)));
    minFreq_->setText(QString::number(s.minFrequency));
    maxFreq_->setText(QString::number(s.maxFrequency));
    smoothType_->setText(wizard::SmoothingTypeText(s.smoothingType));
    smoothWidth_->setText(wizard::SmoothingWidthText(s.smoothingWidth));
    smoothThr_->setText(Q(wizard::ThresholdText(s.smoothingThreshold)));
    const bool smoothing = s.smoothingType != 0;
    smoothWidth_->setEnabled(smoothing);
    smoothThr_->setEnabled(smoothing);
    smoothThr_->setVisible(s.firMode == 1);
    precision_->setText(QString::number(s.precision));
    latency_->setText(Q(wizard::LatencyText(s.latencyMs)));
    mode_->setText(wizard::FirModeText(s.firMode));
    taps_->setText(QString::number(s.tapChoice));
    newTaps_->setText(QString::number(wizard::kWizardTaps));
    if (next_) UpdateNavigation();
}

void FirWizardWindow::SettingChanged() {
    if (!blinkTimer_.isActive()) blinkTimer_.start();
}

void FirWizardWindow::BlinkTick() {
    blinkOn_ = !blinkOn_;
    const QString style =
        blinkOn_ ? "QPushButton { background: rgb(255, 200, 60); color: black; }" : QString();
    calculate_->setStyleSheet(style);
    verify_->setStyleSheet(design_->designed() ? style : QString());
}

void FirWizardWindow::ClickCalculate() {
    blinkTimer_.stop();
    blinkOn_ = true;
    BlinkTick();
    if (!design_->Calculate(state_.ir, state_.settings, state_.target)) return;
    ShowSettings();
    ShowDesignCurves();
    ShowCompareCurves();
    UpdateNavigation();
}

void FirWizardWindow::ShowDesignCurves() {
    const wizard::DesignCurves& c = design_->curves();
    auto times = [](std::size_t n) {
        std::vector<double> x(n);
        for (std::size_t i = 0; i < n; ++i) x[i] = static_cast<double>(i) / 48.0;
        return x;
    };
    double peak = 1e-9;
    for (double v : c.irTime) peak = std::max(peak, std::fabs(v));
    for (double v : c.firTime) peak = std::max(peak, std::fabs(v));
    const double end = std::max(c.irTime.size(), c.firTime.size()) / 48.0;
    calcTime_->setAxes(PlotAxis{0, std::max(1.0, end), false, "ms"},
                       PlotAxis{-peak * 1.1, peak * 1.1, false, ""});
    calcTime_->clearCurves();
    calcTime_->setCurve({t::kCurveIr, times(c.irTime.size()), c.irTime, WizardCurveColour(0)});
    calcTime_->setCurve({t::kCurveFir, times(c.firTime.size()), c.firTime, WizardCurveColour(1)});

    const std::vector<double> x = GridX();
    calcFreq_->clearCurves();
    const wizard::GridResponse* curves[] = {&c.ir, &c.fir, &c.combined, &c.target};
    const char* names[] = {t::kCurveIr, t::kCurveFir, t::kCurveCombined, t::kCurveTarget};
    // Levels: the IR and the combination are levelled over the design range
    // so that the curves sit together around 0 dB; the FIR as it is.
    for (int i = 0; i < 4; ++i) {
        dsp::Curve db = curves[i]->db;
        if (i != 1) wizard::LevelOver(db, state_.settings.minFrequency, state_.settings.maxFrequency);
        calcFreq_->setCurve({names[i], x, Values(db), WizardCurveColour(i)});
    }
    for (int i = 0; i < 4; ++i) {
        XyPlot::Curve phase{QString(names[i]) + " (Deg)",     x,    Values(curves[i]->degrees),
                            WizardCurveColour(i).darker(140), true, magnPhase_->isChecked()};
        calcFreq_->setCurve(phase);
    }
}

void FirWizardWindow::ClickEqTarget() {
    EqTargetWindow window(state_.target, this);
    window.applied = [this](const EqTargetRecord& record) {
        state_.target = record;
        if (!state_.ir.empty()) ClickCalculate();
    };
    window.exec();
    state_.target = window.record();
}

void FirWizardWindow::ClickSaveWizard() {
    wizard::SaveWiz(session_.dialogs(), session_.dataSubfolder(wizard::kWizardFolder), state_);
}

void FirWizardWindow::ClickOpenWizard() {
    std::string name;
    std::optional<wizard::WizardState> loaded =
        wizard::OpenWiz(session_.dialogs(), session_.dataSubfolder(wizard::kWizardFolder), name);
    if (!loaded) return;
    state_.target = loaded->target;
    state_.settings = wizard::Normalised(loaded->settings);
    nameFile_->setText(Q(name));
    ShowSettings();
    SetImpulseResponse(std::move(loaded->ir));
    SettingChanged();
}

}  // namespace zef
