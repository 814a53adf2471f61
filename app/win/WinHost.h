#pragma once

#include "MainApp.h"
#include "Win32.h"

// Shows the main dialog as a Win32 modal dialog from the module's resources.
class CWinHost final : public IDialogHost {
  public:
    explicit CWinHost(HINSTANCE instance) : m_instance(instance) {}

    void RunModal(CTrackList& trackList, CTagConverter& converter) override;

    // Whether the dialog could be made from its template at all.
    bool Failed() const { return m_bFailed; }

  private:
    HINSTANCE m_instance;
    bool m_bFailed = false;
};
