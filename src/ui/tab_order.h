#pragma once
// The keyboard's path through a window. Once Tab enters a group (a group
// box, a page of a tab or stacked widget) it stays there until it has
// visited the group's controls: a chain that leaves a frame and comes back
// later feels random under the hand. TabOrderProblems says where a window breaks that (the window tests
// and the screenshot run ask it of every window).

#include <QString>
#include <vector>

class QWidget;

namespace zef {

// One line per group the chain leaves and re-enters; only what is visible
// and enabled counts.
std::vector<QString> TabOrderProblems(QWidget& window);

}  // namespace zef
