#pragma once
// A measurement of several microphone positions, several sweeps at each: the
// FIR wizard's "Measure IR" with Positions and Sweeps above one.
//
//   Begin(P, S) -> sweep 1 .. S at position 1 -> (ask to move) -> position 2 ...
//
// Each finished sweep is handed to Take(), which says what comes next: the
// next sweep at the same position, a move to the next position (the window
// asks the user first), or the end. A position's response is the mean of its
// sweeps (AverageResponses: time zero aligned, noise down 10 log10 S dB).
// The spread is taken on the positions' third-octave levels.

#include <string>
#include <vector>

#include "measure/analyser.h"

namespace zef::wizard {

inline constexpr int kMaxPositions = 8;
inline constexpr int kMaxSweeps = 16;

class MeasureSeries {
public:
    enum class Next { Sweep, Move, Done };

    // Clamped to 1..kMaxPositions and 1..kMaxSweeps; forgets what was taken.
    void Begin(int positions, int sweeps);
    Next Take(std::vector<double> response);

    int positionCount() const { return positionCount_; }
    int sweepCount() const { return sweepCount_; }
    // The position and sweep the next Take is for, 1-based.
    int position() const { return static_cast<int>(positions_.size()) + 1; }
    int sweep() const { return static_cast<int>(sweeps_.size()) + 1; }
    bool single() const { return positionCount_ == 1 && sweepCount_ == 1; }

    // Every finished position's response (the first is the main one).
    const std::vector<std::vector<double>>& positions() const { return positions_; }
    // Largest minus smallest third-octave level of the positions' responses.
    BandSpectrum Spread() const;

    // "Sweep 2 of 4", "Position 1 of 3, sweep 2 of 4" (progress read-out);
    // "" for a single sweep at one position.
    std::string ProgressText() const;
    // The question before the next position, and what the page shows while
    // it is open ("Waiting for the microphone at position 2 of 3").
    std::string MoveText() const;
    std::string AwaitingMoveText() const;

private:
    int positionCount_ = 1;
    int sweepCount_ = 1;
    std::vector<std::vector<double>> sweeps_;  // of the position being measured
    std::vector<std::vector<double>> positions_;
};

}  // namespace zef::wizard
