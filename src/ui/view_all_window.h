#pragma once
// ViewAllGraphWindow ("View All Graph"): the curves of all five channel groups of
// a device on a fixed +-30 dB scale, black background, grey grid. A check
// box per group (caption and text in the group's colour) chooses what is
// drawn; four options per output add nothing, input L, input R or both
// inputs to the output's curve (enabled while the output is ticked). While
// the mouse button is held on the picture, "3.5dB; 1000Hz" follows the pointer.

#include <QDialog>
#include <array>

#include "app/editor_context.h"
#include "base/signal.h"
#include "dsp/graph.h"
#include "model/slots.h"

class QCheckBox;
class QRadioButton;

namespace zef {

class ResponseGraph;

class ViewAllGraphWindow final : public QDialog {
    Q_OBJECT
public:
    // The curves of the context's device.
    explicit ViewAllGraphWindow(const EditorContext& context, QWidget* parent = nullptr);

    QCheckBox* check(int group) const { return checks_[static_cast<std::size_t>(group)]; }
    // Output 0..1, option 0..3.
    QRadioButton* option(int output, int index) const {
        return options_[static_cast<std::size_t>(output)][static_cast<std::size_t>(index)];
    }
    ResponseGraph* picture() const { return graph_; }
    // Clears and draws every ticked group.
    void Redraw();
    int redraws() const { return redraws_; }

private:
    EditorContext context_;
    ResponseGraph* graph_ = nullptr;
    std::array<QCheckBox*, 5> checks_{};
    std::array<std::array<QRadioButton*, 4>, 2> options_{};
    bool loading_ = true;
    int redraws_ = 0;
    std::vector<Subscription> subscriptions_;
};

}  // namespace zef
