// The Win32 numbers of platform/Messages.h, checked against <windows.h> at
// compile time: the host build has no <windows.h> to take them from, so this
// is where a mistyped value would show.
#include "platform/Messages.h"
#include "platform/win32/Win32Include.h"

#include <commctrl.h>

namespace vt {

static_assert(WmNull == WM_NULL);
static_assert(WmCreate == WM_CREATE && WmDestroy == WM_DESTROY && WmPaint == WM_PAINT && WmClose == WM_CLOSE);
static_assert(WmQuit == WM_QUIT && WmSetCursor == WM_SETCURSOR && WmNotify == WM_NOTIFY);
static_assert(WmNcLButtonDown == WM_NCLBUTTONDOWN && WmNcLButtonUp == WM_NCLBUTTONUP);
static_assert(WmKeyDown == WM_KEYDOWN && WmKeyUp == WM_KEYUP && WmInitDialog == WM_INITDIALOG);
static_assert(WmCommand == WM_COMMAND && WmSysCommand == WM_SYSCOMMAND && WmTimer == WM_TIMER);
static_assert(WmMouseMove == WM_MOUSEMOVE && WmLButtonDown == WM_LBUTTONDOWN && WmLButtonUp == WM_LBUTTONUP);
static_assert(WmRButtonDown == WM_RBUTTONDOWN && WmRButtonUp == WM_RBUTTONUP && WmExitSizeMove == WM_EXITSIZEMOVE);
static_assert(WmApp == WM_APP && ScClose == SC_CLOSE && WmMouseLeave == WM_MOUSELEAVE);
static_assert(VkEscape == VK_ESCAPE && VkLeft == VK_LEFT && VkRight == VK_RIGHT && HtCaption == HTCAPTION);
static_assert(SwHide == SW_HIDE && SwShowNormal == SW_SHOWNORMAL && SwShow == SW_SHOW);
static_assert(WsPopup == WS_POPUP && CsVRedraw == CS_VREDRAW && CsHRedraw == CS_HREDRAW);
static_assert(SwpNoSize == SWP_NOSIZE && SwpNoMove == SWP_NOMOVE && SwpNoZOrder == SWP_NOZORDER &&
              SwpNoRedraw == SWP_NOREDRAW);
static_assert(IdOk == IDOK && IdCancel == IDCANCEL && TcnSelChange == static_cast<std::uint32_t>(TCN_SELCHANGE));
static_assert(ErrorModNotFound == ERROR_MOD_NOT_FOUND && ErrorAlreadyExists == ERROR_ALREADY_EXISTS);
static_assert(sizeof(NotifyHeader) == sizeof(NMHDR) && offsetof(NotifyHeader, code) == offsetof(NMHDR, code));

// The program's own messages lie in the application range.
static_assert(WM_TRAY_NOTIFY > WM_APP && WM_CURVE_FOLLOWED < 0xBFFF && WM_FIRST_SAMPLE < 0xBFFF && WM_PROGRESS_STEP > WM_APP);

}  // namespace vt
