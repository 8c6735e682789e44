#include "ui/editor_control_host.h"

#include <QTimer>

#include "app/edit_actions.h"
#include "app/step_names.h"

namespace zef {

EditorControlHost::EditorControlHost(const EditorContext& context, const LinkState& link, const DeviceReader& reader)
    : context_(context), link_(link), reader_(reader), coalescer_(link, [this](int ms, std::function<void()> flush) {
          QTimer::singleShot(ms, this, std::move(flush));
      }) {}

bool EditorControlHost::controlsQuiet() const { return filling_ || locked() || reader_.busy(); }

void EditorControlHost::Warn(const std::string& title, const std::string& text) {
    context_.dialogs.Message(title, text, Icon::Exclamation);
}

void EditorControlHost::Commit(const Parameter& p, double value, bool dragging) {
    if (controlsQuiet()) return;
    if (p.description->id == ParamId::Bridge) {
        const Confirmed c = SendBridgeAsked(context_.writer, context_.slot, context_.dialogs, value != 0);
        if (bridgeAnswered) bridgeAnswered(c != Confirmed::Declined);
        context_.history.EndStep(context_.slot, StepName(p));
        return;
    }
    if (dragging) {
        // The view follows at once; the device gets the latest position.
        if (p.description->response == ResponseEffect::Band && p.description->id == ParamId::BandGain) {
            const int band = BandIndexOf(p.target);
            context_.device().values.bandGain[static_cast<std::size_t>(band)] = value;
            context_.responses.BandChanged(context_.slot, band);
            if (dragShown) dragShown();
        }
        dragName_ = StepName(p);
        coalescer_.Post([this, p, value] { Store(p, value); });
        return;
    }
    coalescer_.Cancel();
    Store(p, value);
    context_.history.EndStep(context_.slot, StepName(p));
    // A crossover set shut is kept as set, but the user is told (not during a drag).
    const ParamId id = p.description->id;
    if (id == ParamId::HpFreq || id == ParamId::LpFreq) {
        if (const std::string closed = CrossoverClosedText(context_.device(), p.target.channel); !closed.empty())
            Warn(kCrossoverTitle, closed);
    }
}

void EditorControlHost::DragEnded() {
    coalescer_.Flush();
    if (coalescer_.pending()) return;
    if (link_.idle()) ConfirmWrites(context_.writer, context_.slot, context_.dialogs);
    context_.history.EndStep(context_.slot, dragName_);
}

void EditorControlHost::Store(const Parameter& p, double value) {
    context_.writer.Set(context_.slot, p, value);
    if (committed) committed(p);
}

}  // namespace zef
