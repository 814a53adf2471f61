#pragma once

#include "MainView.h"

#include <map>
#include <string>

// The dialog's fields as a console sees them: texts kept by control ID, commands run in place.
class CConsoleView final : public IMainView {
  public:
    void SetDlgItemText(int id, const std::string& text) override { m_texts[id] = text; }
    std::string GetDlgItemText(int id) override { return m_texts[id]; }
    void EnableControl(int, bool) override {}
    void RunInBackground(std::function<void(const CShowText&)> work, std::function<void()> done) override {
        work([](const std::string&) {});
        done();
    }

  private:
    std::map<int, std::string> m_texts;
};
