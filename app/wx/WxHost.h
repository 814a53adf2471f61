#pragma once

#include "MainApp.h"

// Shows the main dialog as a wxWidgets modal dialog.
class CWxHost final : public IDialogHost {
  public:
    void RunModal(CTrackList& trackList, CTagConverter& converter) override;
};
