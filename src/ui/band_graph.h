#pragma once
// BandGraph: the response graph of an editor with its zoom and shift boxes
// and the markers of the bands in the editor's band panel. The channel
// editor and the output EQ/FIR editor each hold one.
//
// The graph draws the curves of the group `drawnGroup` names (an input
// draws both inputs) with the editors' shared zoom and shift, and follows
// every rebuilt curve of its device and every change of the view.
// `markedBands` tells how many bands of that group, from its first, carry a
// marker (0: none).
//
// Pressing a marker selects its band in the panel; dragging it moves the
// band to the pointer (frequency and gain from the position, the model at
// once, the send through the host's coalescer) with a read-out beside the
// pointer; releasing it ends the drag through the host. While the host is
// quiet the markers do nothing.
//
// While the device's other compare state (A or B, app/edit_history.h)
// differs from the one it holds, that state's curves are drawn faintly
// behind, from a response store of their own.

#include <QColor>
#include <QObject>
#include <functional>
#include <memory>
#include <vector>

#include "app/editor_context.h"
#include "app/entry_rules.h"
#include "base/signal.h"

class QSpinBox;
class QVBoxLayout;
class QWidget;

namespace zef {

class EditorControlHost;
class EqBandPanel;
class ResponseGraph;

// The colour of channel group 0..4 in every view.
QColor GroupColour(int group);

class BandGraph final : public QObject {
    Q_OBJECT
public:
    // The graph is made a child of `graphParent`; the caller lays it out.
    BandGraph(const EditorContext& context, EditorControlHost& host, std::function<int()> drawnGroup,
              std::function<int()> markedBands, QWidget* graphParent);
    ~BandGraph() override;

    // The band panel whose bands the markers show; set once it exists,
    // before the graph is drawn.
    void attachPanel(EqBandPanel& panel) { panel_ = &panel; }

    ResponseGraph* graph() const { return graph_; }
    // "Zoom Axis dB" and "Shift Axis dB" with their boxes, added to `column`
    // as children of `parent`.
    void AddViewBoxes(QVBoxLayout* column, QWidget* parent);

    // The view, every curve of the drawn group and the markers again.
    void Redraw();
    void UpdateMarkers();

    // Marker `number` (1-based in the drawn group) pressed, dragged to or
    // released at plot position (x, y).
    void BandPressed(int number, double x, double y);
    void BandDragged(int number, double x, double y);
    void BandReleased();

    // A pressed marker chose band `band` (an editor band index).
    std::function<void(int band)> bandChosen;
    // A marker is held (pressed: true, released: false).
    std::function<void(bool held)> bandHeld;
    // After a release: the editor shows its values again.
    std::function<void()> released;

    // The other compare state's curves are drawn (it differs from the model).
    bool showsOtherState() const { return otherShown_; }

private:
    void CopyGroupCurves(int group);
    // Computes the other compare state's curves, or drops them when there
    // is no other state or it equals the model.
    void ComputeOtherState();
    // Traces of the other state come first (drawn behind).
    std::size_t FirstLiveTrace() const;
    int BandOf(int number) const;
    void ShowReadout(const BandDrag& drag, double x, double y);

    EditorContext context_;
    EditorControlHost& host_;
    EqBandPanel* panel_ = nullptr;
    std::function<int()> drawnGroup_;
    std::function<int()> markedBands_;
    ResponseGraph* graph_ = nullptr;
    QSpinBox* zoom_ = nullptr;
    QSpinBox* shift_ = nullptr;
    std::vector<Subscription> subscriptions_;
    std::unique_ptr<dsp::ResponseStore> other_;  // the other compare state's responses
    DeviceModel otherComputed_;                  // the state they were computed from
    bool otherShown_ = false;
};

}  // namespace zef
