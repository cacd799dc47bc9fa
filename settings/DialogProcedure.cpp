#include "settings/DialogProcedure.h"

#include <string>

#include "platform/Messages.h"
#include "platform/Platform.h"
#include "settings/CollectorProgress.h"
#include "settings/Profile.h"
#include "settings/SettingsHistory.h"
#include "state/Lifecycle.h"

namespace vt {

DialogState dialogs;

namespace {

constexpr const char* EmptySlot = "--- Empty ---";
constexpr const char* HistoryGroupTitle = "履歴の読み込み";
// How long the progress dialog shows the collector's error before it closes.
constexpr std::uint32_t ErrorNoticeMs = 1000;

// The six buttons: save, load and report on tab 0, the history records of
// ages 1 to 6 on tab 1. Tab 1's right column: each frame and its button.
constexpr int SlotButtons[6] = {IDC_SLOT_1, IDC_SLOT_2, IDC_SLOT_3, IDC_SLOT_4, IDC_SLOT_5, IDC_SLOT_6};
constexpr int RightColumn[6] = {IDC_FRAME_4, IDC_SLOT_4, IDC_FRAME_5, IDC_SLOT_5, IDC_FRAME_6, IDC_SLOT_6};

struct Placement {
    int id;
    Rect pixels;
};

Rect box(int x, int y, int width, int height) { return {x, y, x + width, y + height}; }

// Which result slot a button writes, or 0 when it is not a slot button.
int slotOf(int buttonId) {
    switch (buttonId) {
        case IDC_SLOT_1: case IDC_SLOT_2: case IDC_SLOT_3: case IDC_SLOT_4: case IDC_SLOT_5: case IDC_SLOT_6:
        case IDC_CLEAR_HISTORY:
            return SettingsSlot;
        case IDC_WARNING_AGREE: case IDC_WARNING_CANCEL: return AdvancedWarningSlot;
        case IDC_RESET_OK: case IDC_RESET_CANCEL: return ResetConfirmSlot;
        case IDC_CURVE_NOTICE_OK: return CurveNoticeSlot;
        case IDC_SAFE_APPLY: case IDC_SAFE_DEFAULTS: case IDC_SAFE_LASTGOOD: return SafeStartSlot;
        default: return 0;
    }
}

void centreOnMainWindow(WindowHandle dialog) {
    Platform& os = platform();
    Rect main = os.windowRect(lifecycle.mainWindow);
    Rect own = os.windowRect(dialog);
    os.setWindowPos(dialog, main.left + 320 - own.width() / 2, main.top + 325 - own.height() / 2, 0, 0,
                    SwpNoSize | SwpNoZOrder | SwpNoRedraw);
}

void showItems(WindowHandle dialog, const int (&ids)[6], bool visible, bool clearButtonToo) {
    for (int id : ids) platform().showDialogItem(dialog, id, visible);
    if (clearButtonToo) platform().showDialogItem(dialog, IDC_CLEAR_HISTORY, visible);
}

// The dialog is sized in pixels, so every control it shows is placed in
// pixels too: left at the template's dialog units, which grow with the
// dialog font's width, the right column and the clear button would run past
// the dialog's edge (under a wider font the clear button's middle lies
// outside it, and a click there does nothing).
void layOutFilesColumn(WindowHandle dialog) {
    Platform& os = platform();
    static const Placement placements[] = {
        {IDC_FRAME_1, box(19, 46, 233, 54)},  {IDC_SLOT_1, box(32, 63, 202, 28)},  {IDC_FRAME_2, box(19, 112, 233, 54)},
        {IDC_SLOT_2, box(32, 129, 202, 28)}, {IDC_FRAME_3, box(19, 178, 233, 54)}, {IDC_SLOT_3, box(32, 195, 202, 28)},
    };
    for (const Placement& place : placements) os.placeDialogItem(dialog, place.id, place.pixels);
    static const std::pair<int, const char*> texts[] = {
        {IDC_FRAME_1, "設定ファイルの保存"}, {IDC_SLOT_1, "設定の保存"},         {IDC_FRAME_2, "設定ファイルの読み込み"},
        {IDC_SLOT_2, "設定の読み込み"},      {IDC_FRAME_3, "システム情報の保存"}, {IDC_SLOT_3, "システム情報の保存"},
    };
    for (const auto& [id, text] : texts) os.setDialogItemText(dialog, id, text);
}

void placeHistoryRightColumn(WindowHandle dialog) {
    static const Placement placements[] = {
        {IDC_FRAME_4, box(268, 58, 233, 54)},  {IDC_SLOT_4, box(281, 75, 202, 28)},  {IDC_FRAME_5, box(268, 123, 233, 54)},
        {IDC_SLOT_5, box(281, 140, 202, 28)}, {IDC_FRAME_6, box(268, 187, 233, 54)}, {IDC_SLOT_6, box(281, 205, 202, 28)},
        {IDC_CLEAR_HISTORY, box(411, 32, 90, 22)},
    };
    for (const Placement& place : placements) platform().placeDialogItem(dialog, place.id, place.pixels);
}

void prepareSettingsDialog(WindowHandle dialog) {
    Platform& os = platform();
    os.setDialogClientSize(dialog, 271, 250);
    os.resizeDialogItem(dialog, IDC_TABS, 245, 234);
    showItems(dialog, RightColumn, false, false);
    for (int id : {IDC_FRAME_4, IDC_FRAME_5, IDC_FRAME_6}) os.setDialogItemText(dialog, id, HistoryGroupTitle);
    for (int id : {IDC_SLOT_4, IDC_SLOT_5, IDC_SLOT_6}) os.setDialogItemText(dialog, id, EmptySlot);
    os.insertTab(dialog, IDC_TABS, 0, "設定ファイル/システム情報");
    os.insertTab(dialog, IDC_TABS, 1, "設定履歴");
    layOutFilesColumn(dialog);
    // Off the first tab the clear button must not take the focus: Tab and
    // Space would empty the history through a button nobody sees.
    os.showDialogItem(dialog, IDC_CLEAR_HISTORY, false);
    // The tab control is last in the z-order but takes the first focus, so
    // the arrow keys switch tabs and Enter closes the dialog.
    os.focusDialogItem(dialog, IDC_TABS);
}

void showFilesTab(WindowHandle dialog) {
    Platform& os = platform();
    os.setDialogClientSize(dialog, 271, 250);
    os.resizeDialogItem(dialog, IDC_TABS, 245, 234);
    layOutFilesColumn(dialog);
    showItems(dialog, RightColumn, false, true);
}

void showHistoryTab(WindowHandle dialog) {
    Platform& os = platform();
    os.setDialogClientSize(dialog, 520, 250);
    os.resizeDialogItem(dialog, IDC_TABS, 494, 234);
    setHistoryCaptions(dialog);
    static const Placement placements[] = {
        {IDC_FRAME_1, box(19, 58, 233, 54)},  {IDC_SLOT_1, box(32, 75, 202, 28)},  {IDC_FRAME_2, box(19, 123, 233, 54)},
        {IDC_SLOT_2, box(32, 140, 202, 28)}, {IDC_FRAME_3, box(19, 187, 233, 54)}, {IDC_SLOT_3, box(32, 205, 202, 28)},
    };
    for (const Placement& place : placements) os.placeDialogItem(dialog, place.id, place.pixels);
    for (int id : {IDC_FRAME_1, IDC_FRAME_2, IDC_FRAME_3}) os.setDialogItemText(dialog, id, HistoryGroupTitle);
    placeHistoryRightColumn(dialog);
    showItems(dialog, RightColumn, true, true);
}

void onTabChange(WindowHandle dialog) {
    dialogs.selectedTab = platform().selectedTab(dialog, IDC_TABS);
    if (dialogs.selectedTab == 0) showFilesTab(dialog);
    if (dialogs.selectedTab == 1) showHistoryTab(dialog);
}

// Returns whether the system should give the first control the focus (the
// settings dialog chooses its own).
bool onInitDialog(WindowHandle dialog) {
    dialogs.selectedTab = 0;
    const bool settings = lifecycle.modal.isOpen(SettingsSlot);
    if (settings) prepareSettingsDialog(dialog);
    if (lifecycle.modal.isOpen(SafeStartSlot)) {
        platform().showDialogItem(dialog, IDC_SAFE_APPLY, dialogs.offerStoredProfile);
        platform().showDialogItem(dialog, IDC_SAFE_LASTGOOD, dialogs.offerLastGood);
    }
    centreOnMainWindow(dialog);
    if (dialogs.collectorRunning) {
        platform().setProgressRange(dialog, IDC_PROGRESS_BAR, 0, 125, 5);
        progressDialogOpened(dialog);
    }
    return !settings;
}

void onCommand(WindowHandle dialog, int id) {
    Platform& os = platform();
    if (id == IdOk || id == IdCancel) {
        os.endDialog(dialog, id);
        return;
    }
    if (id == IDC_CLEAR_HISTORY) {
        // The dialog stays open; its captions show the now empty history.
        lifecycle.modal.slot[SettingsSlot] = IDC_CLEAR_HISTORY;
        clearHistory();
        setHistoryCaptions(dialog);
        return;
    }
    if (int slot = slotOf(id); slot != 0) {
        lifecycle.modal.slot[slot] = id;
        os.endDialog(dialog, id);
    }
}

// The close box counts as cancel; for the Advanced Mode warning that means
// its own cancel button.
void onCloseBox(WindowHandle dialog) {
    dialogs.selectedTab = 0;
    if (lifecycle.modal.isOpen(AdvancedWarningSlot)) lifecycle.modal.slot[AdvancedWarningSlot] = IDC_WARNING_CANCEL;
    platform().endDialog(dialog, IdCancel);
}

void closeAfterError(WindowHandle dialog) {
    platform().setDialogItemText(dialog, IDC_PROGRESS_TEXT, "エラーが発生しました、終了します");
    waitMilliseconds(ErrorNoticeMs);
    platform().endDialog(dialog, 0);
}

}  // namespace

std::intptr_t dialogProcedure(WindowHandle dialog, std::uint32_t message, WParam wParam, LParam lParam) {
    switch (message) {
        case WmInitDialog:
            return onInitDialog(dialog) ? 1 : 0;
        case WmCommand:
            onCommand(dialog, static_cast<int>(wParam & 0xFFFF));
            return 1;
        case WmNotify: {
            const auto* header = reinterpret_cast<const NotifyHeader*>(lParam);
            if (header != nullptr && header->id == IDC_TABS && header->code == TcnSelChange) onTabChange(dialog);
            return 1;
        }
        case WmClose:
            onCloseBox(dialog);
            return 1;
        case WM_PROGRESS_STEP:
            platform().stepProgress(dialog, IDC_PROGRESS_BAR);
            return 1;
        case WM_PROGRESS_CLOSE:
            platform().endDialog(dialog, 0);
            return 1;
        case WM_PROGRESS_DONE:
            platform().setDialogItemText(dialog, IDC_PROGRESS_TEXT, "システム情報ファイルを作成しました");
            return 1;
        case WM_PROGRESS_ERROR:
            closeAfterError(dialog);
            return 1;
        default:
            return 0;
    }
}

void setHistoryCaptions(WindowHandle dialog) {
    for (int age = 1; age <= 6; ++age) {
        std::string stamp;
        if (!lookupTextInRecord(historyPath(), "Create", stamp, age)) stamp = EmptySlot;
        platform().setDialogItemText(dialog, SlotButtons[age - 1], stamp);
    }
}

std::int32_t runSlotDialog(std::uint32_t templateId, int slot) {
    lifecycle.modal.slot[slot] = ModalResults::openSentinel(slot);
    platform().dialogBox(templateId, lifecycle.mainWindow, dialogProcedure);
    // Closed without one of its buttons (Escape): the slot must not keep
    // saying "open", or the main window would ignore all input from now on.
    if (lifecycle.modal.isOpen(slot)) lifecycle.modal.slot[slot] = 0;
    return lifecycle.modal.slot[slot];
}

void showNotice(std::uint32_t templateId) { platform().dialogBox(templateId, lifecycle.mainWindow, dialogProcedure); }

}  // namespace vt
