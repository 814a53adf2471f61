#pragma once

#include "MainDlg.h"

// A front end: makes the main dialog's controls, gives them a CMainDlg over these two objects, shows
// the dialog modally and returns when it closes.
class IDialogHost {
  public:
    virtual ~IDialogHost() = default;
    virtual void RunModal(CTrackList& trackList, CTagConverter& converter) = 0;
};

// The application: the track list and the tag converter exist before the window opens, so the
// start-up load has run and the log is empty by then.
class CMainApp {
  public:
    explicit CMainApp(IDialogHost& host) : m_host(host) {}

    // False: the application ends when the dialog closes.
    bool InitInstance();

  private:
    IDialogHost& m_host;
};

// The process's track list and tag converter, made on first use.
CTrackList& TheTrackList();
CTagConverter& TheTagConverter();
