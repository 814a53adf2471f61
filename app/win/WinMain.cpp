// Kelvara.exe: the main dialog as a native Windows program.

#include "WinHost.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // The manifest asks for Common Controls 6; its classes are registered here.
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);

    CWinHost host(instance);
    CMainApp app(host);
    app.InitInstance();
    // A dialog that could not be made from its template is the only failure a caller hears of.
    return host.Failed() ? 1 : 0;
}
