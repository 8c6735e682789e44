#pragma once
// The two frames beside the analyser view, shared by the output editor's
// analyser and the AutoEQ wizard:
//   "Noise Gen.": the generator level `UpDownNGenLev` shown in "Level [dBu]"
//     as v - 80, and a track with the level marker (at v / 80 * 1220 + 360 of
//     the frame's 1600 window units);
//   "Mic Level": the microphone level read-out `LabelMicLev` and a bar.

#include <QGroupBox>
#include <functional>

class QLabel;
class QSpinBox;

namespace zef {

// The track the level marker moves along.
class LevelMarkerTrack final : public QWidget {
    Q_OBJECT
public:
    // The frame's width in window units, which the marker position is given in.
    static constexpr double kFrameUnits = 1600.0;

    explicit LevelMarkerTrack(QWidget* parent = nullptr);
    void setLevel(int v);
    // The marker's centre in pixels of this widget.
    double markerX() const;
    QSize sizeHint() const override { return {160, 14}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int v_ = 0;
};

class NoiseGenFrame final : public QGroupBox {
    Q_OBJECT
public:
    explicit NoiseGenFrame(QWidget* parent = nullptr);

    // Shows v without reporting it.
    void setLevel(int v);
    int level() const;
    QSpinBox* levelBox() const { return box_; }
    LevelMarkerTrack* track() const { return track_; }
    // The user changed the level: the new v (0..80).
    std::function<void(int v)> levelChanged;

private:
    QSpinBox* box_ = nullptr;
    LevelMarkerTrack* track_ = nullptr;
    bool quiet_ = false;
};

class MicLevelFrame final : public QGroupBox {
    Q_OBJECT
public:
    explicit MicLevelFrame(QWidget* parent = nullptr);
    // dBFS; at or below -100 the read-out is blank.
    void setLevel(double db);
    QLabel* readout() const { return readout_; }

private:
    class Bar;
    QLabel* readout_ = nullptr;
    Bar* bar_ = nullptr;
};

}  // namespace zef
