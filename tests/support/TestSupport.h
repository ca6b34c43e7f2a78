#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "data/BarRecord.h"
#include "data/HistoryHeader.h"
#include "platform/WindowPort.h"

// A temporary folder, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& Path() const { return m_path; }  // without a trailing "/"
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// A history file with the given symbol and bars; `tail` extra bytes are
// appended (a partial record).
void WriteHst(const std::string& path, const std::string& symbol,
              const std::vector<BarRecord>& bars, std::size_t tail = 0);
std::vector<BarRecord> MakeBars(std::size_t count, double base = 1.2);
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// A port that answers from scripts and records what the window asks for.
class FakePort : public CWindowPort {
public:
    void MessageBox(const std::string& text) override;
    std::optional<std::string> ChooseOpenFile(const std::string& filter,
                                              const std::string& defaultExt) override;
    void PostToUi(std::function<void()> call) override;
    void StateChanged(unsigned changes) override { m_nChanges |= changes; }
    void EndDialog(int result) override { m_nEndResult = result; }
    bool IsBalanceCurveVisible() const override { return m_bCurveVisible; }
    void ShowBalanceCurve(bool show) override { m_bCurveVisible = show; }
    void ShowHelp(const std::string& text) override { m_arrHelp.push_back(text); }
    void ShowPopupMenu(int resource, int, int) override { m_arrMenus.push_back(resource); }

    bool DoModalIndicateProperty(CIndicatePropertyData& data) override {
        ++m_nPropertyDialogs;
        return m_onIndicateProperty ? m_onIndicateProperty(data) : true;
    }

    // Runs the queued hand-offs on the calling thread; returns how many ran.
    int Drain();

    std::vector<std::string> m_arrMessages;
    std::vector<std::string> m_arrFilters;
    std::deque<std::optional<std::string>> m_queueFiles;  // answers of the file dialog
    unsigned m_nChanges = 0;
    int m_nEndResult = -1;
    bool m_bCurveVisible = false;
    std::vector<std::string> m_arrHelp;
    std::vector<int> m_arrMenus;                          // popup menus shown, by resource
    std::function<void(const std::string&)> m_onMessage;  // runs inside the "modal" box
    std::function<bool(CIndicatePropertyData&)> m_onIndicateProperty;  // answers the dialog
    int m_nPropertyDialogs = 0;

private:
    std::mutex m_mutex;
    std::deque<std::function<void()>> m_posted;
};
