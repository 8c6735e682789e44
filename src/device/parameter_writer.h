#pragma once
// Setting one described parameter (model/parameters.h) on the current device
// exactly as the editor's control does: the value is snapped as the control
// snaps it, stored through the control's sender, sent, and repeated on the
// linked partner channel when the pair is linked. Questions the editor asks
// first (the bridge mode) are the caller's.

#include "device/linking.h"
#include "device/senders.h"
#include "model/parameters.h"

namespace zef {

class ParameterWriter {
public:
    explicit ParameterWriter(Linking& linking) : linking_(linking), senders_(linking.senders()) {}

    // The sender's status; when the pair is linked, the partner's send follows
    // and a failure of either is returned.
    Status Set(const Parameter& p, double value);

private:
    Status Send(const Parameter& p, double value);
    Status Link(const Parameter& p);

    Linking& linking_;
    Senders& senders_;
};

}  // namespace zef
