#pragma once
// EditorControlHost: the ControlHost shared by the parts of one editor (the
// channel editor's pages and band panel, the output EQ/FIR editor's band
// panel and FIR frame).
//
// Controls are quiet while the editor fills them from the model, while the
// device is locked and while the device is being read; a locked device
// refuses edits (the control shows the model's value again). A commit
// stores and sends through the parameter writer (linked partners follow):
//   - the bridge mode asks first; `bridgeAnswered` hears whether the mode
//     may have changed (anything but a declined question);
//   - a fader or band dragged posts its send to the coalescer (a band's gain
//     moves the curve at once, and `dragShown` hears it); the send runs
//     later, the newest one only;
//   - any other value cancels a pending drag send and goes at once;
//   - a drag released sends what is pending and confirms the drag's writes
//     by reading them back (app/edit_actions.h ConfirmWrites).
// Every commit and every drag ends as one step of the device's undo history
// (app/edit_history.h), named after the parameter ("Out 1 gain") or, for a
// band dragged on a graph, after the band (NameDrag).
// `committed` hears every value after it was stored and sent.

#include <QObject>
#include <functional>

#include "app/editor_context.h"
#include "app/send_coalescer.h"
#include "ui/param_controls.h"

namespace zef {

class EditorControlHost final : public QObject, public ControlHost {
    Q_OBJECT
public:
    EditorControlHost(const EditorContext& context, const LinkState& link, const DeviceReader& reader);

    bool controlsQuiet() const override;
    bool refusesEdits() const override { return !filling_ && locked(); }
    bool decimalComma() const override { return context_.decimalComma; }
    const DeviceModel& device() const override { return context_.device(); }
    void Commit(const Parameter& p, double value, bool dragging) override;
    // Sends what the drag left pending and confirms the drag's writes
    // (ConfirmWrites) once no exchange runs.
    void DragEnded() override;
    void Warn(const std::string& title, const std::string& text) override;
    // The running drag's step name, when it is not a control's parameter
    // (a band marker: "Out 1 EQ band 5").
    void NameDrag(const std::string& name) { dragName_ = name; }

    // The device's interface is locked.
    bool locked() const { return device().values.lock == 1; }
    bool filling() const { return filling_; }
    SendCoalescer& coalescer() { return coalescer_; }

    // Keeps the controls quiet while the editor fills them; nests.
    class Filling : private FlagGuard {
    public:
        explicit Filling(EditorControlHost& host) : FlagGuard(host.filling_, true) {}
    };

    std::function<void(const Parameter& p)> committed;
    std::function<void(bool mayHaveChanged)> bridgeAnswered;
    std::function<void()> dragShown;

private:
    void Store(const Parameter& p, double value);

    EditorContext context_;
    const LinkState& link_;
    const DeviceReader& reader_;
    SendCoalescer coalescer_;
    std::string dragName_;  // the step a released drag ends
    bool filling_ = false;
};

}  // namespace zef
