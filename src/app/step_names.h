#pragma once
// The names the undo history gives its steps, in the editor's words:
// "Out 1 EQ band 5 gain", "Input L gain", "Bridge mode".

#include <string>

#include "model/parameters.h"

namespace zef {

// "Input L", "Input R", "Out 1", "Out 2", "SM"; "" for the device itself.
std::string ChannelLabel(ParamChannel channel);
// The parameter in words, with its channel first.
std::string StepName(const Parameter& p);
// A band (editor index 0..83) as a whole: "Out 1 EQ band 5".
std::string BandStepName(int bandIndex);

}  // namespace zef
