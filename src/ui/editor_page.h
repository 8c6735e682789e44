#pragma once
// The base of the channel editor's pages.
//
// BoundPage: a page whose controls are bound to described parameters
// through the editor's ControlHost. Refresh sets every control from the
// model and then what the page shows besides them; the caller keeps the
// host quiet meanwhile, so refreshing never sends.
//
// ChannelsPage: a page with one channel of several shown at a time (the
// inputs, the outputs): a row with "Channel:" and a radio button per channel
// group, the pair's link check box and "Copy...". Choosing a channel shows
// it and tells `channelChosen`; "Copy..." tells `copyRequested`.

#include <QWidget>
#include <string>
#include <utility>
#include <vector>

#include "ui/param_controls.h"

class QButtonGroup;
class QGroupBox;
class QHBoxLayout;
class QStackedWidget;

namespace zef {

class BoundPage : public QWidget {
    Q_OBJECT
public:
    BoundPage(ControlHost& host, QWidget* parent);

    void Refresh();
    // The page's control bound to the parameter named `name` (the first one
    // when two show it), or null.
    BoundControl* control(const std::string& name) const;

protected:
    // What the page shows besides its bound controls.
    virtual void RefreshOthers() {}

    // Bound controls of parameter `id` of channel `ch`, filed for Refresh.
    NumberControl* Number(ParamId id, ParamChannel ch, const QString& caption, NumberLayout layout, QWidget* parent);
    CheckControl* Check(ParamId id, ParamChannel ch, const QString& caption, const char* name, QWidget* parent);
    ChoiceControl* Choice(ParamId id, ParamChannel ch, const QString& caption, std::vector<QString> items,
                          const char* name, QWidget* parent);
    OptionControl* Options(ParamId id, ParamChannel ch, std::vector<QString> items, QWidget* parent);
    // Gain (with its fader), mute and polarity of one channel.
    QWidget* GainStrip(ParamChannel ch, QWidget* parent);

    ControlHost& host_;
    std::vector<BoundControl*> controls_;
};

// A titled frame.
QGroupBox* Frame(const QString& title, QWidget* parent);

class ChannelsPage : public BoundPage {
    Q_OBJECT
public:
    using BoundPage::BoundPage;

    // Checks the radio button of channel group `group`, when the page has
    // one, without telling anyone.
    void MarkChannel(int group);

signals:
    void channelChosen(int group);
    void copyRequested();

protected:
    // The channel row: "Channel:", a radio button per (group, caption), the
    // check box of the link parameter `link` and "Copy...".
    QHBoxLayout* ChannelRow(QWidget* parent, const std::vector<std::pair<int, QString>>& channels, ParamId link,
                            const QString& linkCaption, const char* linkName, bool copyEnabled);
    // A chosen group shows page `group - firstGroup` of `stack`.
    void ShowChosenChannel(QStackedWidget* stack, int firstGroup);

private:
    QButtonGroup* selector_ = nullptr;
};

}  // namespace zef
