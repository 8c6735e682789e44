#include "ui/fir_wizard_page.h"

#include <QComboBox>
#include <QLabel>
#include <cmath>

#include "app/wizard_texts.h"
#include "audio/device_manager.h"
#include "ui/xy_plot.h"

namespace zef {

namespace t = wizard_text;

WizardCardLists WizardCardLists::Make(QWidget* parent, const std::array<const char*, 4>& names) {
    WizardCardLists lists{new QComboBox(parent), new QComboBox(parent), new QComboBox(parent),
                          new QLabel(parent)};
    lists.devices->setObjectName(names[0]);
    lists.outputs->setObjectName(names[1]);
    lists.inputs->setObjectName(names[2]);
    lists.shown->setObjectName(names[3]);
    // Room for the choice before it is made, so that it appears without
    // moving what is below it.
    lists.shown->setWordWrap(true);
    lists.shown->setMinimumHeight(2 * lists.shown->fontMetrics().lineSpacing());
    return lists;
}

WizardGraphs WizardGraphs::Make(QWidget* parent, const QString& suffix) {
    WizardGraphs graphs{new XyPlot(parent), new XyPlot(parent)};
    graphs.time->setObjectName("GraphIRFIRTime" + suffix);
    graphs.frequency->setObjectName("GraphIRFIRFreq" + suffix);
    return graphs;
}

void WizardGraphs::ShowFilterAxes() const {
    time->setAxes(PlotAxis{0, 8, false, "ms"}, PlotAxis{-1, 1, false, ""});
    frequency->setAxes(PlotAxis{20, 20000, true, "Hz"}, PlotAxis{-30, 12, false, "dB"});
}

void WizardCardLists::Fill(AudioDeviceManager& manager) const {
    {
        const QSignalBlocker block(devices);
        devices->clear();
        devices->addItem(t::kSelectCard);
        for (const std::string& name : manager.DriverNames()) devices->addItem(QString::fromStdString(name));
        devices->setCurrentIndex(0);
    }
    CardChosen(manager);
}

void WizardCardLists::CardChosen(AudioDeviceManager& manager) const {
    const int device = devices->currentIndex() - 1;
    const bool usable = device >= 0 && manager.IsUsable(device);
    const QSignalBlocker bo(outputs), bi(inputs);
    outputs->clear();
    inputs->clear();
    outputs->addItem(device < 0 ? t::kSelectCard : t::kSelectOutput);
    inputs->addItem(device < 0 ? t::kSelectCard : t::kSelectInput);
    if (usable) {
        for (const std::string& n : manager.OutputNames(device)) outputs->addItem(QString::fromStdString(n));
        for (const std::string& n : manager.InputNames(device)) inputs->addItem(QString::fromStdString(n));
    }
    outputs->setEnabled(usable);
    inputs->setEnabled(usable);
}

void WizardCardLists::ShowChoice() const {
    shown->setText(devices->currentIndex() > 0 && outputs->currentIndex() > 0 && inputs->currentIndex() > 0
                       ? devices->currentText() + ":  " + outputs->currentText() + "  ->  " +
                             inputs->currentText()
                       : QString());
}

wizard::CardSelection WizardCardLists::selection() const {
    wizard::CardSelection s;
    s.device = devices->currentIndex() - 1;
    s.output = outputs->isEnabled() ? outputs->currentIndex() - 1 : -1;
    s.input = inputs->isEnabled() ? inputs->currentIndex() - 1 : -1;
    return s;
}

void WizardCardLists::Select(AudioDeviceManager& manager, const wizard::CardSelection& s) const {
    const auto choose = [](QComboBox* list, int index) {
        const QSignalBlocker block(list);
        list->setCurrentIndex(index >= 0 && index + 1 < list->count() ? index + 1 : 0);
    };
    choose(devices, s.device);
    CardChosen(manager);
    if (!outputs->isEnabled()) return;
    choose(outputs, s.output);
    choose(inputs, s.input);
}

std::vector<double> WizardGridX() {
    std::vector<double> x(dsp::kGridPoints);
    for (std::size_t k = 0; k < x.size(); ++k) x[k] = static_cast<double>(k) * dsp::kGridStepHz;
    return x;
}

std::vector<double> WizardCurveValues(const dsp::Curve& curve) { return {curve.begin(), curve.end()}; }

QString WizardPeakLevelText(double peakDbfs) {
    if (!std::isfinite(peakDbfs)) return t::kPeakLevelNone;
    return QString(t::kPeakLevelPrefix) + QString::number(peakDbfs, 'f', 1) + t::kPeakLevelSuffix;
}

}  // namespace zef
