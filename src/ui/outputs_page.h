#pragma once
// OutputsPage: the channel editor's "Outputs" page. In stereo mode one of
// the two outputs is shown at a time (the selection's output group); in
// bridge mode the single bridged output. Per output: gain, mute, polarity,
// crossover, delay (with coarse and fine step boxes), routing, load,
// equaliser and FIR bypass, compressor, limiter and dynamic filter; the
// outputs' link, "Copy..." (stereo only) and "Output EQ...".
//
// The page is laid out for the bridge mode the device had when it was last
// built: Rebuild lays it out again (the editor does so when the mode
// changed). Its controls then replace the old ones.

#include <span>
#include <vector>

#include "app/editor_view_state.h"
#include "ui/editor_page.h"

class QGroupBox;
class QSpinBox;
class QStackedWidget;
class QVBoxLayout;

namespace zef {

class OutputsPage final : public ChannelsPage {
    Q_OBJECT
public:
    OutputsPage(ControlHost& host, EditorSelection& selection, QWidget* parent = nullptr);

    // Lays the page out for the device's bridge mode ("Output EQ..." enabled
    // when `outputEditorAvailable`); in bridge mode a selected output 2
    // becomes output 1. The controls are not refreshed.
    void Rebuild(bool outputEditorAvailable);
    // The device's bridge mode is not the one the page was built for.
    bool bridgeModeChanged() const;
    int builds() const { return builds_; }

    // A frame of check boxes (in a row when there are several) over text
    // boxes, with or without faders: the compressor, limiter and dynamic filter.
    struct CheckField {
        ParamId id;
        const char* caption;
        const char* name;
    };
    struct NumberField {
        ParamId id;
        const char* caption;
        const char* box;
    };
    struct DynamicsLayout {
        const char* title;
        std::span<const CheckField> checks;
        std::span<const NumberField> numbers;
        bool sliders;
    };

signals:
    void outputEditorRequested();

protected:
    void RefreshOthers() override;

private:
    // The coarse (whole ms) and fine step boxes of one output's delay.
    struct DelaySteps {
        int output;
        QSpinBox* coarse;
        QSpinBox* fine;
        QGroupBox* frame;
    };

    QWidget* OutputChannel(int output, QWidget* parent);
    QWidget* Crossover(ParamChannel ch, QWidget* parent);
    QWidget* Delay(int output, ParamChannel ch, QWidget* parent);
    QWidget* Routing(ParamChannel ch, QWidget* parent);
    QWidget* Dynamics(ParamChannel ch, const DynamicsLayout& layout, QWidget* parent);

    EditorSelection& selection_;
    QStackedWidget* frame_ = nullptr;  // holds the page as last built
    QStackedWidget* stack_ = nullptr;  // one page per output shown
    std::vector<DelaySteps> delays_;
    bool bridged_ = false;
    int builds_ = 0;
};

}  // namespace zef
