#pragma once

#include <functional>
#include <optional>
#include <string>

struct CIndicatePropertyData;

// What the window logic needs from the windowing system. The Qt dialog
// implements it with real widgets; tests and the command-line tool implement
// it with scripted answers.
class CWindowPort {
public:
    // Which part of the window's state changed, so that a view can mirror it.
    enum Change : unsigned {
        kCurrencyList = 1u << 0,  // items or selection of the currency combo
        kLots = 1u << 1,          // items or selection of the lot combo
        kStatistics = 1u << 2,    // the six statistics boxes
        kCaption = 1u << 3,
        kLayout = 1u << 4,        // chart area and list positions
        kProgress = 1u << 5,      // the import's progress line
        kChart = 1u << 6,         // the chart needs repainting
        kOrderList = 1u << 7,     // rows or selection of the order list
        kToolbar = 1u << 8,       // checked and enabled states of the toolbar
        kBalanceCurve = 1u << 9,  // the balance curve needs repainting
        kTrainer = 1u << 10,      // the trainer's toolbar: switches, playing, speed
        kDesk = 1u << 11,         // the desk: spread, the next order's stop and target
    };

    virtual ~CWindowPort() = default;

    // A modal message box with an OK button only.
    virtual void MessageBox(const std::string& text) = 0;

    // A message box that waits for work the window does meanwhile (the
    // import): modal with an OK button like MessageBox, but CloseWaitBox takes
    // it away when the work has ended. Closing no box is harmless.
    virtual void ShowWaitBox(const std::string& text) { MessageBox(text); }
    virtual void CloseWaitBox() {}

    // The open-file dialog; nullopt when the user cancels. `filter` is in the
    // "description|pattern|...||" form.
    virtual std::optional<std::string> ChooseOpenFile(const std::string& filter,
                                                      const std::string& defaultExt) = 0;

    // Queues `call` to run on the user-interface thread. Callable from any
    // thread; this is how workers hand their results over.
    virtual void PostToUi(std::function<void()> call) = 0;

    // The state flagged in `changes` (a set of Change bits) is new.
    virtual void StateChanged(unsigned changes) = 0;

    // The window asks to be closed (after its workers are released).
    virtual void EndDialog(int result) = 0;

    // The balance-curve window: shown or hidden (the main window keeps the
    // keyboard focus either way).
    virtual bool IsBalanceCurveVisible() const = 0;
    virtual void ShowBalanceCurve(bool show) = 0;

    // The help dialog, modal, showing `text`.
    virtual void ShowHelp(const std::string& text) = 0;

    // Popup menu `resource` (140, 148, 150) at client point (x, y), its left
    // edge there; the chosen command comes back through the window's OnCommand.
    virtual void ShowPopupMenu(int resource, int x, int y) = 0;

    // The trainer's jump dialog: a date and time "YYYY-MM-DD HH:MM" in UTC,
    // starting from `initial`; nullopt when cancelled.
    virtual std::optional<std::string> AskDateTime(const std::string& /*initial*/) {
        return std::nullopt;
    }
    // A line of text, asked for in a small modal dialog starting from
    // `initial`; nullopt when cancelled. Without a dialog the initial text
    // stands.
    virtual std::optional<std::string> AskText(const std::string& /*title*/,
                                               const std::string& /*prompt*/,
                                               const std::string& initial) {
        return initial;
    }
    // The indicator property dialog, modal, on `data` (its fields preset by
    // the command, read back on OK); false when cancelled. Without a dialog
    // the presets are confirmed as they stand.
    virtual bool DoModalIndicateProperty(CIndicatePropertyData& /*data*/) { return true; }
    // Auto-play's timer: the window's OnPlayTimer every `intervalMs`
    // milliseconds; 0 stops it.
    virtual void SetPlayTimer(int /*intervalMs*/) {}
};
