#pragma once

#include <functional>
#include <string>

// What the main dialog's logic needs of a window (or a console): control texts by ID, enabling, and a
// way to run a long command without freezing the window.
class IMainView {
  public:
    using CShowText = std::function<void(const std::string& text)>;

    virtual ~IMainView() = default;

    virtual void SetDlgItemText(int id, const std::string& text) = 0;
    virtual std::string GetDlgItemText(int id) = 0;
    virtual void EnableControl(int id, bool enable) = 0;

    // Runs `work` away from the window's thread, so the window stays painted; the texts it shows go to the
    // status field, and `done` runs on the window's thread once `work` has ended. A console runs it in place.
    virtual void RunInBackground(std::function<void(const CShowText& showStatus)> work, std::function<void()> done) = 0;

    // Ends the dialog, as EXIT does; a console ends after its command instead.
    virtual void EndDialog() {}
};
