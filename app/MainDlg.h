#pragma once

#include "FileSystem.h"
#include "MainView.h"
#include "TagConverter.h"
#include "TrackList.h"

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
    void OnEditId3();
    void OnCopy();
    void OnDelete();
    void OnStatusChanged() {}
    void OnResetFiles();

    void UpdateOutDirSize();
    void ConvertAllTags();

    // While a command runs, every command control is disabled and the dialog must not close.
    bool IsBusy() const { return m_bBusy; }

    std::string m_strNumber;

  private:
    void RunCommand(std::function<void(const IMainView::CShowText&)> work, std::function<void()> then);
    void EnableCommands(bool enable);
    void ByNumber(const char* verb, void (CTrackList::*command)(std::string));

    IMainView& m_view;
    CTrackList& m_trackList;
    CTagConverter& m_converter;
    IFileSystem& m_fs;
    bool m_bBusy = false;
};
