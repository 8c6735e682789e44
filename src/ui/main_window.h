#pragma once
// MainWindow: the frame of the whole run. A multiple-document area holding
// the device list window (and later the editors), the three project buttons,
// the menus "Edit" (undo and redo in the selected device's editors, with
// Ctrl+Z and Ctrl+Shift+Z anywhere in the frame), "Filter Type", "Settings", "AsioCard" and "Window" (every open
// window, to bring one to the front), the two timers that
// watch the connected devices, and the exit sequence.
//
// Timers (both do nothing while an exchange runs or the link recovers):
//   status timer: first tick 3000 ms after start, then every 2000 ms — polls
//     every on-line device with the status command;
//   blink timer: first tick 3000 ms after start, then every 500 ms — flips
//     the blink phase and redraws the standby pictures.

#include <QMainWindow>
#include <QTimer>
#include <map>
#include <memory>

#include "app/main_actions.h"

class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QAction;

namespace zef {

class EditorSession;
class DeviceListWindow;
class ChannelEditorWindow;
class OutputEqWindows;
class UndoActions;

struct MainTimings {
    int firstTickMs = 3000;
    int statusMs = 2000;
    int blinkMs = 500;
};

class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(EditorSession& session, MainTimings timings = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Shows the device list window in the frame (creating it once).
    DeviceListWindow& ShowDeviceList();
    DeviceListWindow* deviceList() const { return list_; }
    // Starts both timers (first ticks after firstTickMs).
    void StartTimers();

    void StatusTick();
    void BlinkTick();
    // How often each timer fired, including the ticks skipped during an exchange.
    int blinkTicks() const { return blinkTicks_; }
    int statusTicks() const { return statusTicks_; }

    // Project buttons.
    void ClickSaveProject();
    void ClickLoadProject();
    // Moves the window to the position the model holds (from tmpPrj.plt or a
    // project), when it lies on a screen now attached.
    void RestorePosition();
    // A lasting note in the status line.
    void ShowStatus(const std::string& text);
    void ClickNewProject();

    QMenu* editMenu() const { return editMenu_; }
    UndoActions& undoActions() const { return *undo_; }
    QMenu* filterTypeMenu() const { return filterMenu_; }
    QMenu* settingsMenu() const { return settingsMenu_; }
    QMenu* asioMenu() const { return asioMenu_; }
    // Lists the open windows to bring one to the front (window_menu.h).
    QMenu* windowMenu() const { return windowMenu_; }
    QMdiArea* mdiArea() const { return mdi_; }

    // The channel editor of a device: created on first use as a child window
    // (one per device), shown and made active; its device becomes the selected one.
    ChannelEditorWindow& ShowEditor(DeviceSlot slot);
    ChannelEditorWindow* editor(DeviceSlot slot) const;
    // The active editor, if the active child window is one.
    ChannelEditorWindow* activeEditor() const;
    // The device of the editor the user worked in last: the Settings menu acts on it (0 = none).
    DeviceSlot selectedDevice() const { return selected_; }
    // The settings menu on a device (0 firmware, 1 name, 2 network).
    void SettingsFun(DeviceSlot device, int index);
    // "Filter Type" for the band selected in the active editor.
    void ShapeEqFilter(int type);
    // The output EQ/FIR editor and its mode window.
    OutputEqWindows& outputEqWindows() { return *outputEq_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void BuildMenus();
    void BuildButtons();
    void UpdateSettingsMenu();
    bool TimersMayRun() const;
    // `editor` became the active child window: it polls, the others rest.
    void EditorActivated(ChannelEditorWindow* editor);

    EditorSession& session_;
    MainTimings timings_;
    MainActions actions_;
    QMdiArea* mdi_ = nullptr;
    DeviceListWindow* list_ = nullptr;
    QMdiSubWindow* listWindow_ = nullptr;
    std::map<DeviceSlot, QMdiSubWindow*> editors_;
    std::map<DeviceSlot, Subscription> editorRows_;
    DeviceSlot selected_ = 0;
    std::unique_ptr<OutputEqWindows> outputEq_;
    QMenu* editMenu_ = nullptr;
    UndoActions* undo_ = nullptr;
    QMenu* filterMenu_ = nullptr;
    QMenu* settingsMenu_ = nullptr;
    QAction* remoteAction_ = nullptr;
    QMenu* asioMenu_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    QTimer statusTimer_;
    QTimer blinkTimer_;
    bool blinkPhase_ = false;
    int blinkTicks_ = 0;
    int statusTicks_ = 0;
};

}  // namespace zef
