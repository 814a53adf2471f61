#include "WxHost.h"

#include "WxMainDialog.h"

void CWxHost::RunModal(CTrackList& trackList, CTagConverter& converter) {
    // A modal dialog may live on the stack: it is not destroyed by wx when it closes.
    CWxMainDialog dialog(trackList, converter);
    dialog.ShowModal();
}
