#pragma once
// The name of a parameter's kind as the command line and the remote API
// show it: "number", "bool", "choice".
#include <string_view>

#include "model/parameters.h"

namespace zef {

std::string_view ValueKindName(ValueKind kind);

}  // namespace zef
