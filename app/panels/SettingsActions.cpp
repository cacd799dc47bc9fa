#include "app/panels/SettingsActions.h"

#include <string>

#include "app/panels/ProfileLoads.h"
#include "gpu/Collector.h"
#include "gpu/CurrentProfile.h"
#include "platform/Platform.h"
#include "settings/CollectorProgress.h"
#include "settings/DialogProcedure.h"
#include "state/Lifecycle.h"

namespace vt {
namespace {

constexpr std::uint32_t FileMustExist = 0x1000;

struct FileKind {
    FileDialogKind kind;
    const char* description;
    const char* pattern;
    const char* title;
    const char* extension;
};

constexpr FileKind SaveProfileFile{FileDialogKind::Save, "Config File(*.cfg)", "*.cfg", "ファイルを保存", "cfg"};
constexpr FileKind OpenProfileFile{FileDialogKind::Open, "Config File(*.cfg)", "*.cfg", "ファイルを開く", "cfg"};
constexpr FileKind SaveReportFile{FileDialogKind::Save, "SystemLog File(*.txt)", "*.txt", "ファイルを保存", "txt"};

// One record for the three dialogs: the name chosen last stays in it.
FileDialogRequest chooser;

// The chosen path, or false when the user cancelled or the dialog failed.
bool chooseFile(const FileKind& file, std::string& path) {
    chooser.kind = file.kind;
    chooser.owner = lifecycle.mainWindow;
    chooser.filterDescription = file.description;
    chooser.filterPattern = file.pattern;
    chooser.title = file.title;
    chooser.defaultExtension = file.extension;
    chooser.flags = FileMustExist;
    if (!platform().fileDialog(chooser)) return false;
    path = chooser.fileName;
    return true;
}

}  // namespace

void saveProfileToChosenFile() {
    std::string path;
    // A file that cannot be written is reported like a cancel, so that
    // nobody believes a profile was saved that was not.
    if (!chooseFile(SaveProfileFile, path) || !writeCurrentProfileFile(path)) showNotice(IDD_SAVE_ERROR);
}

void loadProfileFromChosenFile() {
    std::string path;
    if (!chooseFile(OpenProfileFile, path)) {
        showNotice(IDD_OPEN_ERROR);
        followStoredPreset();
        return;
    }
    loadProfileFile(path);
}

void saveSystemReport() {
    std::string path;
    if (!chooseFile(SaveReportFile, path)) {
        showNotice(IDD_SYSINFO_ERROR);
        return;
    }
    beginCollectorProgress();
    startCollector(path, collectorStartOutcome);
    dialogs.collectorRunning = 1;
    showNotice(IDD_PROGRESS);
    dialogs.collectorRunning = 0;
    // Without a collector the dialog closed by itself; no report was written.
    if (endCollectorProgress()) showNotice(IDD_SYSINFO_ERROR);
}

void loadHistoryAge(int age) {
    if (!loadHistoryRecord(age)) showNotice(IDD_HISTORY_ERROR);
}

void forgetChosenFileName() { chooser = FileDialogRequest{}; }

}  // namespace vt
