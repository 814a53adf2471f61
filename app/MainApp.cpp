#include "MainApp.h"

CTrackList& TheTrackList() {
    static CTrackList trackList;  // 20 MB: static storage, never the stack
    return trackList;
}

CTagConverter& TheTagConverter() {
    static CTagConverter converter;
    return converter;
}

bool CMainApp::InitInstance() {
    m_host.RunModal(TheTrackList(), TheTagConverter());
    return false;
}
