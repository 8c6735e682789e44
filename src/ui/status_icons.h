#pragma once
// The pictures of the device list's standby column, drawn in code: the
// standby picture, the normal (running) picture and the two alternating
// alert pictures.

#include <QIcon>

namespace zef {

enum class StandbyPicture { Standby, Normal, AlertA, AlertB };

// Which picture a row shows: standby on wins; otherwise an alert alternates
// between its two pictures with the blink phase; otherwise the normal one.
StandbyPicture PictureFor(int standby, bool alert, bool blinkPhase);

QIcon StandbyIcon(StandbyPicture picture);

}  // namespace zef
