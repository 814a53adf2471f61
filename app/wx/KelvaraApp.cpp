// kelvara: the main dialog in a window.

#include "WxHost.h"

#include <wx/app.h>

namespace {

class CKelvaraApp final : public wxApp {
  public:
    // The dialog runs here rather than in OnInit: a false OnInit would end the process with status 255.
    int OnRun() override {
        CWxHost host;
        CMainApp app(host);
        app.InitInstance();
        return 0;
    }
};

}  // namespace

wxIMPLEMENT_APP(CKelvaraApp);
