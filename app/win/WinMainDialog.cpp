#include "WinMainDialog.h"

#include "ControlIds.h"
#include "WinUnicode.h"

#include <utility>

// The dialog's own IDOK (Enter) must be the EXIT button.
static_assert(IDC_EXIT == IDOK);

namespace {

// Tells the window's thread that the worker has left calls for it.
constexpr UINT kWmWorkerNews = WM_APP + 1;

// Shared icons from the module's resources: the system frees them with the module.
HICON LoadMainIcon(HINSTANCE instance, int metricX, int metricY) {
    return static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON,
                                           ::GetSystemMetrics(metricX), ::GetSystemMetrics(metricY), LR_SHARED));
}

// Dialogs open where the user looks: in the middle of the screen's work area.
void CentreOnWorkArea(HWND hWnd) {
    RECT window{};
    RECT workArea{};
    if (!::GetWindowRect(hWnd, &window) || !::SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0)) {
        return;
    }
    const LONG x = workArea.left + (workArea.right - workArea.left - (window.right - window.left)) / 2;
    const LONG y = workArea.top + (workArea.bottom - workArea.top - (window.bottom - window.top)) / 2;
    ::SetWindowPos(hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

CWinMainDialog::CWinMainDialog(CTrackList& trackList, CTagConverter& converter)
    : m_dlg(*this, trackList, converter),
      m_worker([this](CWorker::CCall call) { Post(std::move(call)); },
               [this](const std::string& text) {
                   // Painted at once: the next text may come before the window would paint on its own.
                   SetDlgItemText(IDC_STATUS, text);
                   ::UpdateWindow(::GetDlgItem(m_hWnd, IDC_STATUS));
               }) {}

CWinMainDialog::~CWinMainDialog() = default;

bool CWinMainDialog::DoModal(HINSTANCE instance) {
    const INT_PTR result =
        ::DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, &DialogProc, reinterpret_cast<LPARAM>(this));
    m_hWnd = nullptr;
    return result != -1 && result != 0;
}

INT_PTR CALLBACK CWinMainDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CWinMainDialog*>(lParam);
        ::SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
        self->m_hWnd = hWnd;
        return self->OnInitDialog();
    }
    auto* self = reinterpret_cast<CWinMainDialog*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
    if (self == nullptr) {
        return FALSE;  // messages before WM_INITDIALOG
    }
    switch (message) {
        case WM_COMMAND:
            self->OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case kWmWorkerNews:
            self->OnPostedCalls();
            return TRUE;
        default:
            return FALSE;
    }
}

BOOL CWinMainDialog::OnInitDialog() {
    const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(m_hWnd, GWLP_HINSTANCE));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG,
                   reinterpret_cast<LPARAM>(LoadMainIcon(instance, SM_CXICON, SM_CYICON)));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL,
                   reinterpret_cast<LPARAM>(LoadMainIcon(instance, SM_CXSMICON, SM_CYSMICON)));
    CentreOnWorkArea(m_hWnd);
    // TRUE: the dialog manager puts the focus on the first tab stop, EXIT.
    return m_dlg.OnInitDialog() ? TRUE : FALSE;
}

// The message map: text changes and clicks go to the presenter; EXIT, Enter and Escape end the dialog.
void CWinMainDialog::OnCommand(int id, int code) {
    if (id == IDOK || id == IDCANCEL) {
        if (m_dlg.OnExit()) {
            EndDialog();
        }
    } else if (id == IDC_NUMBER) {
        if (code == EN_CHANGE) {
            m_dlg.OnNumberChanged();
        }
    } else if (code == BN_CLICKED) {
        switch (id) {
            case IDC_EDIT_ID3:
                m_dlg.ConvertAllTags();
                break;
            case IDC_COPY:
                m_dlg.OnCopy();
                break;
            case IDC_DELETE:
                m_dlg.OnDelete();
                break;
            case IDC_RESET_FILES:
                m_dlg.OnResetFiles();
                break;
            default:
                break;
        }
    }
}

void CWinMainDialog::EndDialog() {
    ::EndDialog(m_hWnd, IDOK);
}

// Texts are UTF-8 inside and UTF-16 in the window, so any letter shows on any code page.
// Setting a text sends EN_CHANGE, as typing does; the handlers only read the field back, so it cannot loop.
void CWinMainDialog::SetDlgItemText(int id, const std::string& text) {
    ::SetDlgItemTextW(m_hWnd, id, WideFromUtf8(text).c_str());
}

std::string CWinMainDialog::GetDlgItemText(int id) {
    const HWND control = ::GetDlgItem(m_hWnd, id);
    if (control == nullptr) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
    const UINT length = ::GetDlgItemTextW(m_hWnd, id, text.data(), static_cast<int>(text.size()));
    text.resize(length);
    return Utf8FromWide(text);
}

// Windows takes the focus from a control that is disabled; it comes back when the command ends, so the
// keyboard keeps working.
void CWinMainDialog::EnableControl(int id, bool enable) {
    const HWND control = ::GetDlgItem(m_hWnd, id);
    if (control == nullptr) {
        return;
    }
    if (!enable && control == ::GetFocus()) {
        m_hFocusBeforeBusy = control;
    }
    ::EnableWindow(control, enable ? TRUE : FALSE);
    if (enable && control == m_hFocusBeforeBusy) {
        m_hFocusBeforeBusy = nullptr;
        ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    }
}

void CWinMainDialog::RunInBackground(std::function<void(const CShowText&)> work, std::function<void()> done) {
    m_worker.Start(std::move(work), std::move(done));
}

void CWinMainDialog::Post(CWorker::CCall call) {
    {
        const std::lock_guard lock(m_postedMutex);
        m_posted.push_back(std::move(call));
    }
    ::PostMessageW(m_hWnd, kWmWorkerNews, 0, 0);
}

void CWinMainDialog::OnPostedCalls() {
    std::vector<CWorker::CCall> calls;
    {
        const std::lock_guard lock(m_postedMutex);
        calls.swap(m_posted);
    }
    for (const CWorker::CCall& call : calls) {
        call();
    }
}
