#include "WxMainDialog.h"

#include "ControlIds.h"

#include <wx/button.h>
#include <wx/icon.h>
#include <wx/strconv.h>
#include <wx/textctrl.h>
#include <wx/valtext.h>

namespace {

#include "KelvaraIcon.xpm"

// The dialog template in dialog units, in tab order.
struct CControlTemplate {
    int id;
    bool bButton;
    const char* text;
    wxRect rect;
    long style;
};

const CControlTemplate kControls[] = {
    {IDC_EXIT, true, "EXIT", {265, 60, 86, 18}, 0},
    {IDC_NUMBER, false, "", {152, 14, 51, 13}, 0},
    {IDC_COPY, true, "COPY", {217, 14, 60, 14}, 0},
    {IDC_DELETE, true, "DELETE", {285, 14, 66, 14}, 0},
    {IDC_EDIT_ID3, true, "EDIT ID3's", {137, 61, 91, 17}, 0},
    {IDC_STATUS, false, "", {7, 34, 344, 23}, wxTE_MULTILINE | wxTE_READONLY | wxHSCROLL | wxTE_DONTWRAP},
    {IDC_RESET_FILES, true, "RESET FILES", {7, 60, 91, 18}, 0},
    {IDC_OUT_SIZE, false, "", {7, 14, 87, 15}, wxTE_READONLY},
};

const wxSize kClientSize(358, 86);

// Texts are UTF-8 on this platform, but a playlist may hold other bytes: those survive the round trip
// instead of emptying the whole text.
wxMBConvUTF8& Utf8() {
    static wxMBConvUTF8 conv(wxMBConvUTF8::MAP_INVALID_UTF8_TO_PUA);
    return conv;
}

}  // namespace

CWxMainDialog::CWxMainDialog(CTrackList& trackList, CTagConverter& converter)
    : wxDialog(nullptr, wxID_ANY, "Kelvara", wxDefaultPosition, wxDefaultSize, wxCAPTION | wxDIALOG_NO_PARENT),
      m_dlg(*this, trackList, converter),
      m_worker([this](CWorker::CCall call) { CallAfter(std::move(call)); },
               [this](const std::string& text) { SetDlgItemText(IDC_STATUS, text); }) {
    SetIcon(wxIcon(kKelvaraIcon));
    CreateControls();
    RouteEvents();
    Centre();
}

CWxMainDialog::~CWxMainDialog() = default;

// Controls are created with new and owned by the dialog, which deletes them: wx's ownership model.
void CWxMainDialog::CreateControls() {
    SetClientSize(ConvertDialogToPixels(kClientSize));
    for (const CControlTemplate& control : kControls) {
        const wxPoint pos = ConvertDialogToPixels(control.rect.GetPosition());
        const wxSize size = ConvertDialogToPixels(control.rect.GetSize());
        if (control.bButton) {
            auto* button = new wxButton(this, control.id, control.text, pos, size);
            if (control.id == IDC_EXIT) {
                m_exit = button;
            }
        } else if (control.id == IDC_NUMBER) {
            new wxTextCtrl(this, control.id, "", pos, size, control.style, wxTextValidator(wxFILTER_DIGITS));
        } else {
            new wxTextCtrl(this, control.id, "", pos, size, control.style);
        }
    }
    // Enter in the number field ends the program, as a click on EXIT would.
    m_exit->SetDefault();
    SetEscapeId(IDC_EXIT);
}

void CWxMainDialog::RouteEvents() {
    Bind(wxEVT_INIT_DIALOG, [this](wxInitDialogEvent& event) {
        if (m_dlg.OnInitDialog()) {
            m_exit->SetFocus();
        }
        event.Skip();
    });
    Bind(
        wxEVT_TEXT, [this](wxCommandEvent&) { m_dlg.OnNumberChanged(); }, IDC_NUMBER);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { m_dlg.ConvertAllTags(); }, IDC_EDIT_ID3);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { m_dlg.OnCopy(); }, IDC_COPY);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { m_dlg.OnDelete(); }, IDC_DELETE);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { m_dlg.OnResetFiles(); }, IDC_RESET_FILES);
    Bind(
        wxEVT_BUTTON,
        [this](wxCommandEvent&) {
            if (m_dlg.OnExit()) {
                EndDialog();
            }
        },
        IDC_EXIT);
    // Mid-command the window stays until the command has stopped: closing it at once would end the process
    // in the middle of a song.
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
        if (!m_dlg.OnExit() && event.CanVeto()) {
            event.Veto();
            return;
        }
        EndDialog();
    });
}

// Setting a text notifies the control's change handler, as the text-changed message does; the handlers
// only read the field back, so the notification cannot loop.
void CWxMainDialog::SetDlgItemText(int id, const std::string& text) {
    if (auto* field = dynamic_cast<wxTextCtrl*>(FindWindow(id))) {
        field->SetValue(wxString(text.c_str(), Utf8()));
    } else if (wxWindow* control = FindWindow(id)) {
        control->SetLabel(wxString(text.c_str(), Utf8()));
    }
}

std::string CWxMainDialog::GetDlgItemText(int id) {
    const wxWindow* control = FindWindow(id);
    if (control == nullptr) {
        return {};
    }
    const auto* field = dynamic_cast<const wxTextCtrl*>(control);
    const wxCharBuffer bytes = (field != nullptr ? field->GetValue() : control->GetLabel()).mb_str(Utf8());
    return bytes.data() != nullptr ? std::string(bytes.data()) : std::string();
}

// GTK drops the focus of a control that is disabled; it comes back when the command ends.
void CWxMainDialog::EnableControl(int id, bool enable) {
    wxWindow* control = FindWindow(id);
    if (control == nullptr) {
        return;
    }
    if (!enable && control == FindFocus()) {
        m_focusBeforeBusy = control;
    }
    control->Enable(enable);
    if (enable && control == m_focusBeforeBusy) {
        m_focusBeforeBusy = nullptr;
        control->SetFocus();
    }
}

void CWxMainDialog::RunInBackground(std::function<void(const CShowText&)> work, std::function<void()> done) {
    m_worker.Start(std::move(work), std::move(done));
}

void CWxMainDialog::EndDialog() {
    EndModal(IDC_EXIT);
}
