#include "WinHost.h"

#include "WinMainDialog.h"

void CWinHost::RunModal(CTrackList& trackList, CTagConverter& converter) {
    CWinMainDialog dialog(trackList, converter);
    m_bFailed = !dialog.DoModal(m_instance);
}
