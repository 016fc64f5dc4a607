#pragma once
#include <windows.h>
#include <string>

#include "framework/CWnd.h"

// Direction and target of one dialog data exchange.
class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate)
        : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}
    BOOL m_bSaveAndValidate; // TRUE: controls to members; FALSE: members to controls
    CWnd* m_pDlgWnd;
};

// Binds a control object to the template's control of that id (once).
void DDX_Control(CDataExchange* dx, int id, CWnd& control);

// A dialog made from a template of the current resource module (AfxGetResourceHandle).
//
// Declaring one: derive, pass the template id (and an owner, or none) to the
// constructor, bind control members in DoDataExchange with DDX_Control, and override
// OnInitDialog (call the base first), OnOK, OnCancel, OnCommand or WindowProc.
// WM_COMMAND goes to OnCommand, which switches on the control id (IDOK -> OnOK,
// IDCANCEL -> OnCancel); other messages go to WindowProc as in CWnd.
//
// The dialog procedure only handles WM_INITDIALOG: it attaches the object to the window
// (CWnd's window property, which finds it for dialogs and subclassed controls alike),
// puts the window under CWnd's procedure and calls OnInitDialog. From then on every
// message passes WindowProc first and the dialog manager's own processing after it.
//
// DoModal creates the dialog modeless and runs this framework's modal loop: the owner
// (the given one, else the thread's active window) is disabled while the dialog runs;
// a dialog not visible from its template is shown when the queue first goes idle, or
// on the first WM_SYSKEYDOWN or WM_SYSTIMER; idle time sends WM_ENTERIDLE to the owner
// (unless the template has DS_NOIDLEMSG) and WM_KICKIDLE to the dialog; the loop ends
// when EndDialog ends the modal state, or with -1 at WM_QUIT, which is posted again
// for the loop outside. Then the window is hidden (SWP_HIDEWINDOW), the owner enabled
// and activated, and the window destroyed.
//
// A derived dialog that must be shown differently overrides DoModal and calls
// RunModal with its own show command, e.g. RunModal(SW_SHOWNOACTIVATE) for a window
// that must not take the focus; everything else stays as above.
class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, HWND owner = nullptr);
    ~CDialog() override;

    virtual INT_PTR DoModal();
    // Ends the modal loop with this result (DoModal returns it).
    void EndDialog(int result);
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    BOOL PreTranslateMessage(MSG* msg) override;

    UINT TemplateId() const noexcept { return m_nIDTemplate; }
    bool InModalLoop() const noexcept { return (m_nFlags & ModalLoop) != 0; }

    // Modal-loop flags.
    static constexpr DWORD MLF_NOIDLEMSG = 0x0001;
    static constexpr DWORD MLF_NOKICKIDLE = 0x0002;
    static constexpr DWORD MLF_SHOWONIDLE = 0x0004;

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* dx);
    // TRUE when the command was handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // DoModal with the show step's ShowWindow command as a parameter.
    INT_PTR RunModal(int showCommand);
    // The loop alone, for a dialog already created; returns the modal result.
    int RunModalLoop(DWORD flags, int showCommand);
    BOOL ContinueModal() const noexcept { return (m_nFlags & ContinueModalFlag) && m_hWnd; }
    // The window that owns the modal dialog, or null.
    HWND FindOwner() const;

    UINT m_nIDTemplate;
    HWND m_hWndOwner;
    int m_nModalResult = -1;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static bool IsIdleMessage(const MSG& msg, POINT* lastMouse, UINT* lastMouseMessage);

    static constexpr DWORD ContinueModalFlag = 0x1;
    static constexpr DWORD ModalLoop = 0x2;
    DWORD m_nFlags = 0;
};
