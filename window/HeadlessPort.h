#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "platform/WindowPort.h"

// A port without a screen, for the command-line tool and the benchmarks:
// message boxes go to a callback, the file dialog is always cancelled, the
// workers' hand-offs wait in a queue until Drain runs them.
class CHeadlessPort : public CWindowPort {
public:
    void MessageBox(const std::string& text) override {
        if (m_onMessage) m_onMessage(text);
    }
    std::optional<std::string> ChooseOpenFile(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    void PostToUi(std::function<void()> call) override {
        std::lock_guard lock(m_mutex);
        m_posted.push_back(std::move(call));
    }
    void StateChanged(unsigned) override {}
    void EndDialog(int) override {}
    bool IsBalanceCurveVisible() const override { return m_bCurveVisible; }
    void ShowBalanceCurve(bool show) override { m_bCurveVisible = show; }
    void ShowHelp(const std::string&) override {}
    // Nothing is chosen from a menu without a screen.
    void ShowPopupMenu(int resource, int, int) override {
        if (m_onPopupMenu) m_onPopupMenu(resource);
    }

    bool DoModalIndicateProperty(CIndicatePropertyData& data) override {
        return m_onIndicateProperty ? m_onIndicateProperty(data) : true;
    }

    // Runs the queued hand-offs on the calling thread.
    void Drain() {
        for (;;) {
            std::function<void()> call;
            {
                std::lock_guard lock(m_mutex);
                if (m_posted.empty()) return;
                call = std::move(m_posted.front());
                m_posted.pop_front();
            }
            call();
        }
    }

    std::function<void(const std::string&)> m_onMessage;
    std::function<void(int)> m_onPopupMenu;
    // Answers the property dialog: fills in the fields, returns OK or Cancel.
    std::function<bool(CIndicatePropertyData&)> m_onIndicateProperty;

private:
    std::mutex m_mutex;
    std::deque<std::function<void()>> m_posted;
    bool m_bCurveVisible = false;
};
