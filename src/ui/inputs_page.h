#pragma once
// InputsPage: the channel editor's "Inputs" page. One input shown at a time
// (the selection's input group): gain, mute, polarity, the noise gate and
// the equaliser's block and bypass; the inputs' link and "Copy...".

#include "app/editor_view_state.h"
#include "ui/editor_page.h"

class QStackedWidget;

namespace zef {

class InputsPage final : public ChannelsPage {
    Q_OBJECT
public:
    InputsPage(ControlHost& host, const EditorSelection& selection, QWidget* parent = nullptr);

protected:
    void RefreshOthers() override;

private:
    QWidget* InputChannel(ParamChannel ch, QWidget* parent);

    const EditorSelection& selection_;
    QStackedWidget* stack_ = nullptr;
};

}  // namespace zef
