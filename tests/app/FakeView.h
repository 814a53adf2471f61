#pragma once

#include "ControlIds.h"
#include "MainView.h"

#include <map>
#include <set>
#include <string>
#include <vector>

// Fields by control ID; commands run in place, noting what the window looked like meanwhile.
class CFakeView final : public IMainView {
  public:
    void SetDlgItemText(int id, const std::string& text) override { m_texts[id] = text; }
    std::string GetDlgItemText(int id) override { return m_texts[id]; }
    void EnableControl(int id, bool enable) override {
        if (enable) {
            m_disabled.erase(id);
        } else {
            m_disabled.insert(id);
        }
    }
    void RunInBackground(std::function<void(const CShowText&)> work, std::function<void()> done) override {
        m_disabledWhileRunning = m_disabled;
        work([this](const std::string& text) { m_progress.push_back(text); });
        done();
    }

    std::map<int, std::string> m_texts;
    std::set<int> m_disabled;
    std::set<int> m_disabledWhileRunning;
    std::vector<std::string> m_progress;
};
