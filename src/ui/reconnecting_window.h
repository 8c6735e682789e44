#pragma once
// frmReconnecting: the small modal window shown while the link tries to win
// back a lost TCP connection. It only shows "Reconnecting ..."; the work is
// the link's, between Show and Close.

#include <QWidget>

#include "app/link_presenter.h"

namespace zef {

class ReconnectingWindow final : public QWidget, public ReconnectView {
    Q_OBJECT
public:
    explicit ReconnectingWindow(QWidget* parent = nullptr);

    void Show() override;
    void Close() override;

    int timesShown() const { return shown_; }

private:
    int shown_ = 0;
};

}  // namespace zef
