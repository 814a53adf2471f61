#pragma once

#include "FileSystem.h"
#include "MainView.h"
#include "TagConverter.h"
#include "TrackList.h"

#include <atomic>
#include <functional>
#include <string>

// The main dialog's logic, free of any toolkit: each front end creates the controls and routes their
// events here. Every member runs on the window's thread. While a command runs, the track list and the
// converter belong to the view's worker thread alone: nothing here touches them until the command's end
// has come back to the window's thread, and no second command starts before that.
class CMainDlg {
  public:
    CMainDlg(IMainView& view,
             CTrackList& trackList,
             CTagConverter& converter,
             IFileSystem& fileSystem = DefaultFileSystem());

    // Fills the size and status fields; true: the focus goes to the first tab stop, EXIT.
    bool OnInitDialog();

    void OnNumberChanged();
    void OnCopy();
    void OnDelete();
    void OnResetFiles();

    void UpdateOutDirSize();
    void ConvertAllTags();

    // While a command runs, every command control but EXIT is disabled.
    bool IsBusy() const { return m_bBusy; }
    // EXIT, Escape or closing the window: whether the dialog may end now. During a command it may not: the command
    // is asked to stop after the song in hand, and the dialog ends (IMainView::EndDialog) once it has.
    bool OnExit();
    // From any thread or a signal handler: the running EDIT ID3's stops after the song in hand.
    void RequestStop() { m_bStop = true; }
    bool StopRequested() const { return m_bStop; }

  private:
    void RunCommand(std::function<void(const IMainView::CShowText&)> work, std::function<void()> then);
    void EnableCommands(bool enable);
    void ByNumber(const char* verb, void (CTrackList::*command)(std::string));

    IMainView& m_view;
    CTrackList& m_trackList;
    CTagConverter& m_converter;
    IFileSystem& m_fs;
    std::atomic<bool> m_bBusy{false};  // read by a signal handler too
    bool m_bEndWhenDone = false;
    std::atomic<bool> m_bStop{false};
    std::string m_strNumber;  // the number field's text, as of its last change
};
