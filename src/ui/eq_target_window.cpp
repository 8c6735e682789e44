#include "ui/eq_target_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/wizard_design.h"
#include "app/wizard_texts.h"
#include "model/defaults.h"
#include "ui/wizard_widgets.h"
#include "ui/xy_plot.h"
#include "ui/window_geometry.h"

namespace zef {

namespace t = wizard_text;

namespace {

constexpr int kOffCode = 8;

QDoubleSpinBox* Spin(QWidget* parent, double lo, double hi, int decimals, double step) {
    auto* s = new QDoubleSpinBox(parent);
    s->setRange(lo, hi);
    s->setDecimals(decimals);
    s->setSingleStep(step);
    s->setKeyboardTracking(false);
    return s;
}

}  // namespace

const char* EqTargetWindow::SectionTypeText(int code) {
    return t::kEqTargetTypes[code >= 0 && code <= kOffCode ? code : kOffCode];
}

EqTargetWindow::EqTargetWindow(const EqTargetRecord& record, QWidget* parent)
    : QDialog(parent), record_(record) {
    setObjectName("FrmEqTarget");
    setWindowTitle(t::kEqTargetTitle);
    auto* v = new QVBoxLayout(this);
    plot_ = new XyPlot(this);
    plot_->setObjectName("GraphEqTarget");
    plot_->setAxes(PlotAxis{20, 20000, true, "Hz"}, PlotAxis{-18, 18, false, "dB"});
    v->addWidget(plot_, 1);

    auto* g = new QGridLayout;
    for (int c = 0; c < 5; ++c) g->addWidget(new QLabel(t::kEqTargetColumns[c], this), 0, c);
    for (int i = 0; i < 10; ++i) {
        g->addWidget(new QLabel(QString::number(i + 1), this), i + 1, 0);
        type_[i] = new QComboBox(this);
        type_[i]->setObjectName(QString("ComboTargetType%1").arg(i));
        for (int c = 0; c <= kOffCode; ++c) type_[i]->addItem(SectionTypeText(c));
        freq_[i] = Spin(this, 10, 24000, 0, 10);
        q_[i] = Spin(this, 0.1, 20, 2, 0.1);
        gain_[i] = Spin(this, -24, 12, 1, 0.5);
        freq_[i]->setObjectName(QString("TxtTargetFreq%1").arg(i));
        gain_[i]->setObjectName(QString("TxtTargetGain%1").arg(i));
        g->addWidget(type_[i], i + 1, 1);
        g->addWidget(freq_[i], i + 1, 2);
        g->addWidget(q_[i], i + 1, 3);
        g->addWidget(gain_[i], i + 1, 4);
        connect(type_[i], &QComboBox::currentIndexChanged, this, [this, i](int index) {
            if (showing_) return;
            record_.sectionCode[i] = static_cast<std::int16_t>(index);
            Redraw();
        });
        auto edited = [this](std::array<double, 10>& field, int at) {
            return [this, &field, at](double value) {
                if (showing_) return;
                field[at] = value;
                Redraw();
            };
        };
        connect(freq_[i], &QDoubleSpinBox::valueChanged, this, edited(record_.frequency, i));
        connect(q_[i], &QDoubleSpinBox::valueChanged, this, edited(record_.q, i));
        connect(gain_[i], &QDoubleSpinBox::valueChanged, this, edited(record_.gainDb, i));
    }
    v->addLayout(g);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(t::kEqTargetTilt, this));
    tilt_ = Spin(this, -12, 12, 1, 0.1);
    tilt_->setObjectName("TxtTargetTilt");
    row->addWidget(tilt_);
    flag_ = new QCheckBox(t::kEqTargetSections, this);
    flag_->setObjectName("CheckTargetSections");
    row->addWidget(flag_);
    row->addStretch(1);
    auto* reset = new QPushButton(t::kEqTargetReset, this);
    reset->setObjectName("BtnTargetReset");
    auto* apply = new QPushButton(t::kEqTarget, this);
    apply->setObjectName("BtnTargetApply");
    row->addWidget(reset);
    row->addWidget(apply);
    v->addLayout(row);
    connect(tilt_, &QDoubleSpinBox::valueChanged, this, [this](double v) {
        if (showing_) return;
        record_.leading = static_cast<std::int16_t>(std::lround(v * 10));
        Redraw();
    });
    connect(flag_, &QCheckBox::toggled, this, [this](bool on) {
        if (showing_) return;
        record_.flag = on ? 1 : 0;
        Redraw();
    });
    connect(reset, &QPushButton::clicked, this, &EqTargetWindow::Reset);
    connect(apply, &QPushButton::clicked, this, &EqTargetWindow::Apply);
    ShowRecord();
    KeepWindowGeometry(this, "EqTarget", QSize(640, 620));
}

void EqTargetWindow::ShowRecord() {
    showing_ = true;
    for (int i = 0; i < 10; ++i) {
        const int code = record_.sectionCode[i];
        type_[i]->setCurrentIndex(code >= 0 && code < kOffCode ? code : kOffCode);
        freq_[i]->setValue(record_.frequency[i]);
        q_[i]->setValue(record_.q[i]);
        gain_[i]->setValue(record_.gainDb[i]);
    }
    tilt_->setValue(record_.leading / 10.0);
    flag_->setChecked(record_.flag != 0);
    showing_ = false;
    Redraw();
}

void EqTargetWindow::Redraw() {
    const dsp::Curve curve = wizard::EqTargetGridCurve(record_);
    std::vector<double> x(dsp::kGridPoints), y(curve.begin(), curve.end());
    for (std::size_t k = 0; k < x.size(); ++k) x[k] = static_cast<double>(k) * dsp::kGridStepHz;
    plot_->setCurve({t::kCurveTarget, x, y, WizardCurveColour(3)});
}

void EqTargetWindow::Reset() {
    record_ = DefaultEqTarget();
    ShowRecord();
}

void EqTargetWindow::Apply() {
    if (applied) applied(record_);
}

}  // namespace zef
