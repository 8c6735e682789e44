#include "ui/autoeq_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/measure_rules.h"
#include "app/measurement_saving.h"
#include "app/measuring_link.h"
#include "app/texts.h"
#include "audio/audio_system.h"
#include "base/c_number.h"
#include "model/memory_map.h"
#include "ui/analyser_frames.h"
#include "ui/analyser_view.h"
#include "ui/calibration_dialog.h"
#include "ui/card_chooser.h"
#include "ui/target_chooser.h"
#include "ui/window_geometry.h"

namespace zef {
namespace {

// The lists when the machine's audio cannot be had: no card at all.
class NoCards final : public AudioDeviceManager {
public:
    std::vector<std::string> DriverNames() override { return {}; }
    bool IsUsable(int) override { return false; }
    int InputCount(int) override { return 0; }
    int OutputCount(int) override { return 0; }
    std::vector<std::string> InputNames(int) override { return {}; }
    std::vector<std::string> OutputNames(int) override { return {}; }
    void OpenControlPanel(int) override {}
};

std::unique_ptr<AudioDeviceManager> InputManager(const MeasureContext& context) {
    std::string error;
    if (audio::System* system = context.audio(error)) return audio::MakeInputDeviceManager(*system);
    return std::make_unique<NoCards>();
}

QLabel* Heading(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    QFont f = l->font();
    f.setPointSizeF(f.pointSizeF() * 1.4);
    f.setBold(true);
    l->setFont(f);
    return l;
}

// A page's foot: a button captioned `leftCaption` at the left, "Next" at the
// right; returns "Next".
QPushButton* AddPageFoot(QWidget* page, QBoxLayout* v, const char* leftCaption, std::function<void()> left,
                         std::function<void()> next) {
    auto* buttons = new QHBoxLayout;
    auto* leftButton = new QPushButton(leftCaption, page);
    auto* nextButton = new QPushButton(kNextCaption, page);
    QObject::connect(leftButton, &QPushButton::clicked, page, std::move(left));
    QObject::connect(nextButton, &QPushButton::clicked, page, std::move(next));
    buttons->addWidget(leftButton);
    buttons->addStretch();
    buttons->addWidget(nextButton);
    v->addLayout(buttons);
    return nextButton;
}

const QColor kOverallColour(250, 200, 60);
const QColor kMeasureColour(120, 170, 255);
const QColor kTargetColour(60, 190, 90);
const QColor kBarsColour(64, 200, 170);

}  // namespace

AutoEqWindow::AutoEqWindow(const MeasureContext& context, DeviceSlot slot, ChannelCode output,
                           AutoEqTimings timings, QWidget* parent)
    : QWidget(parent, Qt::Window),
      context_(context),
      manager_(InputManager(context)),
      wizard_(std::make_unique<AutoEqWizard>(context, slot, output, std::move(timings))) {
    setObjectName("FrmAutoEq");
    setWindowTitle(kAutoEqCaption);
    auto* v = new QVBoxLayout(this);
    auto* head = new QHBoxLayout;
    outputName_ = Heading(QString(kAutoEqOutputCaption) + QString::number(output == kOutput2 ? 2 : 1), this);
    outputName_->setObjectName("LabelOutputName");
    head->addWidget(outputName_);
    head->addStretch();
    const char* titles[] = {kAutoEqWelcomePage, kAutoEqCardPage, kAutoEqRunPage};
    for (int p = 0; p < 3; ++p) {
        auto* b = new QPushButton(titles[p], this);
        b->setObjectName(QString("LabelBtnPage%1").arg(p));
        b->setCheckable(true);
        b->setFlat(true);
        connect(b, &QPushButton::clicked, this, [this, p] { ShowPage(p); });
        pageButtons_[static_cast<std::size_t>(p)] = b;
        head->addWidget(b);
    }
    v->addLayout(head);
    pages_ = new QStackedWidget(this);
    pages_->addWidget(BuildWelcome());
    pages_->addWidget(BuildCard());
    pages_->addWidget(BuildRun());
    v->addWidget(pages_, 1);

    subscriptions_.push_back(wizard_->levelsChanged.Connect([this] { ShowLevels(); }));
    subscriptions_.push_back(wizard_->changed.Connect([this] {
        ShowState();
        ShowCurves();
    }));
    subscriptions_.push_back(wizard_->backToSettings.Connect([this] { ShowPage(kCard); }));
    registration_ = context_.measure.RegisterAutoEq([this] { close(); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] { close(); });
    runTicker_.setInterval(250);
    connect(&runTicker_, &QTimer::timeout, this, [this] { ShowRunProgress(); });
    ShowPage(kWelcome);
    ShowState();
    ShowLevels();
    KeepWindowGeometry(this, "AutoEq", QSize(820, 600));
}

AutoEqWindow::~AutoEqWindow() {
    context_.measure.UnregisterAutoEq(registration_);
    subscriptions_.clear();
    wizard_.reset();  // restores the device if anything still runs
}

QWidget* AutoEqWindow::BuildWelcome() {
    auto* page = new QWidget(this);
    auto* v = new QVBoxLayout(page);
    v->addWidget(Heading(kAutoEqWelcomePage, page));
    for (const char* line : kAutoEqIntro) {
        auto* l = new QLabel(line, page);
        l->setWordWrap(true);
        v->addWidget(l);
    }
    // Said here rather than after two pages: in the 10 PEQ + FIR mode there
    // is nothing to fit.
    modeRefusal_ = new QLabel(kAutoEqNeeds30BandsText, page);
    modeRefusal_->setObjectName("LabelModeRefusal");
    modeRefusal_->setWordWrap(true);
    modeRefusal_->setStyleSheet("color: #c00000;");
    v->addWidget(modeRefusal_);
    v->addStretch();
    welcomeNext_ = AddPageFoot(page, v, kExitCaption, [this] { close(); }, [this] { ShowPage(kCard); });
    return page;
}

QWidget* AutoEqWindow::BuildCard() {
    auto* page = new QWidget(this);
    auto* v = new QVBoxLayout(page);
    chooser_ = new CardChooser(*manager_, page);
    const MeasureSettings& s = context_.measure.settings();
    chooser_->select(s.card, s.input);
    chooser_->EnableCalibration(context_.dataFolder, context_.dialogs);
    chooser_->changed = [this] { StoreChoices(); };
    v->addWidget(chooser_);
    auto* row = new QHBoxLayout;
    noise_ = new NoiseGenFrame(page);
    noise_->setLevel(s.noiseLevel);
    noise_->levelChanged = [this](int level) { wizard_->SetNoiseLevel(level); };
    row->addWidget(noise_, 1);
    mic_ = new MicLevelFrame(page);
    row->addWidget(mic_, 1);
    v->addLayout(row);
    auto* test = new QHBoxLayout;
    micTest_ = new QPushButton(kMicTestCaption, page);
    micTest_->setObjectName("LabelMicTest");
    connect(micTest_, &QPushButton::clicked, this, [this] { ClickMicTest(); });
    test->addWidget(micTest_);
    auto* hint = new QLabel(kMicRangeHint, page);
    test->addWidget(hint);
    test->addStretch();
    v->addLayout(test);
    v->addStretch();
    AddPageFoot(page, v, kBackCaption, [this] { ShowPage(kWelcome); }, [this] { ShowPage(kRun); });
    return page;
}

QWidget* AutoEqWindow::BuildRun() {
    auto* page = new QWidget(this);
    auto* v = new QVBoxLayout(page);
    auto* row = new QHBoxLayout;
    const MeasureSettings& s = context_.measure.settings();
    const char* captions[] = {kFromCaption, kToCaption};
    const int chosen[] = {s.minBand, s.maxBand};
    for (int i = 0; i < 2; ++i) {
        auto* box = new QComboBox(page);
        box->setObjectName(QString("ComboFreqRange%1").arg(i));
        for (int b = 0; b < measure::kAutoEqBands; ++b)
            box->addItem(QString::fromStdString(BandRangeItem(b)));
        box->setCurrentIndex(chosen[i]);
        connect(box, &QComboBox::currentIndexChanged, this, [this] { StoreChoices(); });
        range_[static_cast<std::size_t>(i)] = box;
        row->addWidget(new QLabel(captions[i], page));
        row->addWidget(box);
    }
    gain_ = new QComboBox(page);
    gain_->setObjectName("ComboGCorrection");
    for (int c = 0; c < kMaxGainChoices; ++c) gain_->addItem(QString::fromStdString(MaxGainItem(c)));
    gain_->setCurrentIndex(s.gainChoice);
    connect(gain_, &QComboBox::currentIndexChanged, this, [this] { StoreChoices(); });
    row->addWidget(new QLabel(kMaxGainCaption, page));
    row->addWidget(gain_);
    positions_ = new QSpinBox(page);
    positions_->setObjectName("SpinPositions");
    positions_->setRange(1, kMaxMicPositions);
    positions_->setValue(std::clamp(s.positions, 1, kMaxMicPositions));
    positions_->setToolTip("Microphone positions to measure and average; between two, the window asks you to "
                           "move the microphone");
    connect(positions_, &QSpinBox::valueChanged, this, [this] { StoreChoices(); });
    auto* positionsLabel = new QLabel(kPositionsCaption, page);
    positionsLabel->setBuddy(positions_);
    row->addWidget(positionsLabel);
    row->addWidget(positions_);
    start_ = new QPushButton(kStartCaption, page);
    start_->setObjectName("LabelStart");
    connect(start_, &QPushButton::clicked, this, [this] { ClickStart(); });
    row->addWidget(start_);
    row->addStretch();
    v->addLayout(row);
    target_ = new TargetChooser(context_.measure.settings().target, context_.dialogs, page);
    v->addWidget(target_);

    auto* status = new QHBoxLayout;
    progress_ = new QLabel(page);
    progress_->setObjectName("LabelProgress");
    micLevel_ = new QLabel(page);
    micLevel_->setObjectName("LabelMicLevRun");
    deviation_ = new QLabel(page);
    deviation_->setObjectName("LabelDeviation");
    runProgress_ = new QProgressBar(page);
    runProgress_->setObjectName("ProgressAutoEq");
    runProgress_->setRange(0, 100);
    runProgress_->setMaximumWidth(180);
    status->addWidget(progress_);
    status->addWidget(runProgress_);
    status->addWidget(micLevel_);
    status->addStretch();
    status->addWidget(deviation_);
    v->addLayout(status);

    view_ = new AnalyserView(context_.grid, page);
    view_->setObjectName("GraphAutoEq");
    view_->setMinimumHeight(260);
    view_->setTraceCount(2);
    v->addWidget(view_, 1);

    v->addLayout(BuildRunButtons(page));
    return page;
}

// The run page's foot: Exit, Back, the plot choices, Save Levels, Verify and Apply.
QHBoxLayout* AutoEqWindow::BuildRunButtons(QWidget* page) {
    auto* buttons = new QHBoxLayout;
    auto* exit = new QPushButton(kExitCaption, page);
    exit->setObjectName("LabelExitRun");
    connect(exit, &QPushButton::clicked, this, [this] { close(); });
    buttons->addWidget(exit);
    auto* back = new QPushButton(kBackCaption, page);
    connect(back, &QPushButton::clicked, this, [this] { ShowPage(kCard); });
    buttons->addWidget(back);
    const char* plots[] = {kOverallEqCaption, kMeasureCaption};
    for (int i = 0; i < 2; ++i) {
        auto* check = new QCheckBox(plots[i], page);
        check->setObjectName(QString("CheckPlot%1").arg(i));
        check->setChecked(true);
        connect(check, &QCheckBox::toggled, this, [this] { ShowCurves(); });
        plot_[static_cast<std::size_t>(i)] = check;
        buttons->addWidget(check);
    }
    buttons->addStretch();
    verify_ = new QPushButton(kVerifyCaption, page);
    verify_->setObjectName("LabelVerify");
    apply_ = new QPushButton(kApplyCaption, page);
    apply_->setObjectName("LabelApply");
    connect(verify_, &QPushButton::clicked, this, [this] { ClickVerify(); });
    connect(apply_, &QPushButton::clicked, this, [this] { ClickApply(); });
    saveLevels_ = new QPushButton("Save Levels…", page);
    saveLevels_->setObjectName("LabelSaveLevels");
    connect(saveLevels_, &QPushButton::clicked, this, [this] { ClickSaveLevels(); });
    buttons->addWidget(saveLevels_);
    buttons->addWidget(verify_);
    buttons->addWidget(apply_);
    return buttons;
}

void AutoEqWindow::StoreChoices() {
    MeasureSettings& s = context_.measure.settings();
    s.card = chooser_->card();
    s.input = chooser_->input();
    s.cardName = chooser_->cardName();
    if (range_[0]) s.minBand = range_[0]->currentIndex();
    if (range_[1]) s.maxBand = range_[1]->currentIndex();
    if (gain_) s.gainChoice = gain_->currentIndex();
    if (positions_) s.positions = positions_->value();
}

void AutoEqWindow::ShowPage(int page) {
    if (wizard_->phase() == AutoEqWizard::Phase::Running) page = kRun;
    if (page != kCard && wizard_->live() == AutoEqWizard::Live::MicTest) wizard_->ToggleMicTest();
    if (page != kRun && wizard_->live() == AutoEqWizard::Live::Verify) wizard_->ToggleVerify();
    pages_->setCurrentIndex(page);
    for (int p = 0; p < 3; ++p) pageButtons_[static_cast<std::size_t>(p)]->setChecked(p == page);
    if (runProgress_) ShowState();  // the EQ mode may have changed since the last showing
}

int AutoEqWindow::page() const { return pages_->currentIndex(); }

void AutoEqWindow::ClickMicTest() {
    StoreChoices();
    wizard_->ToggleMicTest();
}

void AutoEqWindow::ClickStart() {
    StoreChoices();
    wizard_->Start();
}

void AutoEqWindow::ClickVerify() { wizard_->ToggleVerify(); }

void AutoEqWindow::ClickApply() {
    if (wizard_->Apply()) context_.history.EndStep(wizard_->slot(), "AutoEQ apply");
}

bool AutoEqWindow::ClickSaveLevels() {
    const AutoEqWizard::Phase phase = wizard_->phase();
    if (phase != AutoEqWizard::Phase::Result && phase != AutoEqWizard::Phase::Applied) return false;
    return SaveBandLevels(context_.dialogs, wizard_->result().levelsDb, {});
}

void AutoEqWindow::ShowState() {
    using Phase = AutoEqWizard::Phase;
    const Phase phase = wizard_->phase();
    const bool running = phase == Phase::Running;
    const bool result = phase == Phase::Result || phase == Phase::Applied;
    const bool verifying = wizard_->live() == AutoEqWizard::Live::Verify;
    const bool testing = wizard_->live() == AutoEqWizard::Live::MicTest;
    QString measuring = kMeasuringCaption;
    if (running && wizard_->positionCount() > 1) {
        char where[64];
        std::snprintf(where, sizeof where, wizard_->awaitingMove() ? kAwaitingMoveFormat : kPositionProgressFormat,
                      wizard_->position(), wizard_->positionCount());
        measuring = wizard_->awaitingMove() ? QString(where) : measuring + where;
    }
    progress_->setText(running ? measuring : "");
    runProgress_->setVisible(running && !wizard_->awaitingMove());
    if (running && !runTicker_.isActive()) runTicker_.start();
    if (!running) runTicker_.stop();
    ShowRunProgress();
    const bool tenBandMode = context_.model.device(wizard_->slot()).preset[pi::kEqMode] != 0;
    modeRefusal_->setVisible(tenBandMode);
    welcomeNext_->setEnabled(!tenBandMode);
    start_->setEnabled(!running && !verifying);
    for (QComboBox* box : range_) box->setEnabled(!running);
    gain_->setEnabled(!running);
    positions_->setEnabled(!running);
    target_->setEnabled(!running);
    verify_->setVisible(phase == Phase::Applied);
    apply_->setVisible(result);
    saveLevels_->setVisible(result);
    verify_->setText(verifying ? kStopCaption : kVerifyCaption);
    apply_->setEnabled(phase == Phase::Result && !verifying);
    micTest_->setText(testing ? kStopCaption : kMicTestCaption);
    micTest_->setEnabled(!running);
    chooser_->setEnabled(!running && !testing);
    for (QPushButton* b : pageButtons_) b->setEnabled(!running);
}

void AutoEqWindow::ShowRunProgress() {
    if (wizard_->phase() != AutoEqWizard::Phase::Running) {
        runProgress_->setValue(0);
        return;
    }
    const double total = std::max(0.1, wizard_->runSeconds());
    const double elapsed = std::min(wizard_->runElapsedSeconds(), total);
    runProgress_->setValue(static_cast<int>(100.0 * elapsed / total));
    char text[64];
    std::snprintf(text, sizeof text, kRunProgressFormat, static_cast<int>(elapsed),
                  static_cast<int>(std::lround(total)));
    runProgress_->setFormat(text);
}

void AutoEqWindow::ShowLevels() {
    const double mic = wizard_->micLevelDb();
    mic_->setLevel(mic);
    micLevel_->setText(mic <= kSilentBandDb ? QString() : QString::fromStdString(MicLevelText(mic)));
    view_->setLevels(wizard_->levels());
    if (wizard_->live() == AutoEqWizard::Live::Verify && wizard_->verifiedSpectra() > 0) {
        char text[96];
        std::snprintf(text, sizeof text, kMeasuredDeviationFormat,
                      CFixed(wizard_->measuredDeviationDb(), 1).c_str());
        char now[48];
        std::snprintf(now, sizeof now, kVerifiedDeviationFormat,
                      CFixed(wizard_->verifiedDeviationDb(), 1).c_str());
        deviation_->setText(QString(text) + now);
    }
}

void AutoEqWindow::ShowCurves() {
    using Phase = AutoEqWizard::Phase;
    const bool result = wizard_->phase() == Phase::Result || wizard_->phase() == Phase::Applied;
    if (!result) {
        view_->setTraceCount(0);
        view_->setLegend({{kBandsLegend, kBarsColour}, {kFrequencyLegend, QColor()}});
        deviation_->clear();
        return;
    }
    const bool target = !wizard_->targetFlat();
    view_->setTraceCount(target ? 3 : 2);
    std::vector<ResponseGraph::LegendEntry> legend;
    if (target) legend.push_back({kTargetLegend, kTargetColour});
    if (plot_[0]->isChecked()) legend.push_back({kOverallEqLegend, kOverallColour});
    if (plot_[1]->isChecked()) legend.push_back({kMeasureLegend, kMeasureColour});
    legend.push_back({kBandsLegend, kBarsColour});
    legend.push_back({kFrequencyLegend, QColor()});
    view_->setLegend(std::move(legend));
    if (plot_[0]->isChecked())
        view_->setTrace(0, wizard_->overallEq(), kOverallColour);
    else
        view_->setTrace(0, dsp::Curve{}, Qt::transparent);
    if (plot_[1]->isChecked())
        view_->setTrace(1, wizard_->measuredCurve(), kMeasureColour);
    else
        view_->setTrace(1, dsp::Curve{}, Qt::transparent);
    if (target) view_->setTrace(2, wizard_->targetCurve(), kTargetColour);
    if (wizard_->live() != AutoEqWizard::Live::Verify) {
        char text[96];
        std::snprintf(text, sizeof text, kMeasuredDeviationFormat,
                      CFixed(wizard_->measuredDeviationDb(), 1).c_str());
        QString shown(text);
        const std::string spread = SpreadText(wizard_->spread(), static_cast<int>(wizard_->positionLevels().size()),
                                              wizard_->minBand(), wizard_->maxBand());
        if (!spread.empty()) shown += "\n" + QString::fromStdString(spread);
        for (const std::string& note : wizard_->result().notCorrected) shown += "\n" + QString::fromStdString(note);
        deviation_->setText(shown);
    }
}

void AutoEqWindow::closeEvent(QCloseEvent* event) {
    wizard_->Close(true);
    context_.measure.UnregisterAutoEq(registration_);
    event->accept();
}

AutoEqWindow* OpenAutoEq(const MeasureContext& context, DeviceSlot slot, ChannelCode output,
                         QWidget* parent) {
    context.measure.CloseAutoEq();
    auto* w = new AutoEqWindow(context, slot, output, {}, parent);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->show();
    return w;
}

}  // namespace zef
