#include "ui/tab_order.h"

#include <QGroupBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QWidget>
#include <map>
#include <set>

namespace zef {
namespace {

// A control Tab stops at now: its own focus, reachable by Tab, inside
// `window`, visible and enabled.
bool TabStop(const QWidget& w, const QWidget& window) {
    return w.focusProxy() == nullptr && (w.focusPolicy() & Qt::TabFocus) == Qt::TabFocus &&
           window.isAncestorOf(&w) && w.isEnabled() && w.isVisibleTo(&window);
}

// The frames that group controls: group boxes and the pages of tab and
// stacked widgets.
bool IsGroup(const QWidget& w) {
    if (qobject_cast<const QGroupBox*>(&w)) return true;
    const QWidget* parent = w.parentWidget();
    if (!parent) return false;
    // A page's parent is the stack inside the tab widget, or the stacked widget.
    return qobject_cast<const QStackedWidget*>(parent) != nullptr;
}

std::vector<QWidget*> Chain(QWidget& window) {
    std::vector<QWidget*> chain;
    std::set<QWidget*> seen;
    // The chain is a ring through the whole top-level window; a part of one
    // (an editor in the main window's area) reads its own stretch of it.
    for (QWidget* w = window.nextInFocusChain(); w && w != &window && seen.insert(w).second;
         w = w->nextInFocusChain())
        if (TabStop(*w, window)) chain.push_back(w);
    return chain;
}

std::vector<QWidget*> GroupsOf(QWidget* w, QWidget& window) {
    std::vector<QWidget*> groups;
    for (QWidget* p = w->parentWidget(); p && p != &window; p = p->parentWidget())
        if (IsGroup(*p)) groups.push_back(p);
    return groups;
}

QString NameOf(const QWidget* w) {
    QString name = w->objectName();
    if (name.isEmpty()) name = w->metaObject()->className();
    if (const auto* box = qobject_cast<const QGroupBox*>(w); box && !box->title().isEmpty())
        name += " \"" + box->title() + "\"";
    return name;
}

}  // namespace

std::vector<QString> TabOrderProblems(QWidget& window) {
    std::vector<QString> problems;
    const std::vector<QWidget*> chain = Chain(window);
    std::map<QWidget*, std::vector<int>> positions;
    for (int i = 0; i < static_cast<int>(chain.size()); ++i)
        for (QWidget* g : GroupsOf(chain[static_cast<std::size_t>(i)], window)) positions[g].push_back(i);
    for (const auto& [group, at] : positions)
        if (at.back() - at.front() + 1 != static_cast<int>(at.size()))
            problems.push_back("group left and re-entered: " + NameOf(group));
    return problems;
}

}  // namespace zef
