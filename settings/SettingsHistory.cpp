#include "settings/SettingsHistory.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/Platform.h"
#include "settings/Profile.h"
#include "settings/ReplacingFile.h"
#include "settings/TimeStamp.h"
#include "state/Lifecycle.h"

namespace vt {
namespace {

constexpr auto WriterDelay = std::chrono::milliseconds(1500);

// The one writer thread that may be waiting to complete the newest record.
struct PendingWriter {
    std::mutex lock;
    std::condition_variable wake;
    bool writeNow = false;
    std::thread thread;

    // A record still waiting at exit is written, not lost.
    ~PendingWriter() {
        {
            std::lock_guard guard(lock);
            writeNow = true;
        }
        wake.notify_all();
        if (thread.joinable()) thread.join();
    }
} pending;

// Everything after the oldest record: past its first marker, its "Ver" line
// and the empty line that closes it.
std::string recordsAfterOldest(const std::string& path) {
    std::string rest;
    std::FILE* in = std::fopen(path.c_str(), "r");
    if (in == nullptr) return rest;
    if (skipPastWord(in, "Create") && skipPastWord(in, "Ver")) {
        int c = std::fgetc(in);
        while (c != '\n' && c != EOF) c = std::fgetc(in);
        std::fgetc(in);
        for (c = std::fgetc(in); c != EOF; c = std::fgetc(in)) {
            if (c == '\0') break;  // the kept text is a C string
            rest += static_cast<char>(c);
        }
    }
    std::fclose(in);
    return rest;
}

void writeText(std::FILE* out, const std::string& text) { std::fwrite(text.data(), 1, text.size(), out); }

// The whole record in one replacing write: its Create line, dated at the
// apply, the profile lines and the empty line. With six records the oldest
// goes in the same write.
void writeRecord(const std::string& path, const std::string& createLine, const ProfileLinesWriter& write) {
    auto record = [&](std::FILE* out) {
        writeText(out, createLine);
        if (write) write(out);
        std::fputc('\n', out);
    };
    if (countRecords(path) < HistoryCapacity) {
        appendReplacing(path, record);
        return;
    }
    const std::string kept = recordsAfterOldest(path);
    writeReplacing(path, [&](std::FILE* out) {
        writeText(out, kept);
        record(out);
    });
}

void startWriter(std::string createLine, ProfileLinesWriter writeProfileLines) {
    std::lock_guard guard(pending.lock);
    pending.writeNow = false;
    pending.thread = std::thread(
        [path = historyPath(), createLine = std::move(createLine), write = std::move(writeProfileLines)] {
            {
                std::unique_lock wait(pending.lock);
                pending.wake.wait_for(wait, WriterDelay, [] { return pending.writeNow; });
            }
            writeRecord(path, createLine, write);
        });
}

}  // namespace

std::string historyFolder() { return lifecycle.programFolder + "/history"; }

std::string historyPath() { return historyFolder() + "/historycfg"; }

void recordApply(ProfileLinesWriter writeProfileLines) {
    finishHistoryWriter();
    Platform& os = platform();
    if (!os.isDirectory(historyFolder())) os.createDirectory(historyFolder());
    startWriter("Create = " + localTimeStamp() + "\n", std::move(writeProfileLines));
}

void clearHistory() {
    const std::string path = historyPath();
    if (!platform().fileExists(path)) return;
    if (std::FILE* out = std::fopen(path.c_str(), "w")) std::fclose(out);
}

void resetHistory() {
    Platform& os = platform();
    if (!os.isDirectory(historyFolder())) os.createDirectory(historyFolder());
    if (std::FILE* out = std::fopen(historyPath().c_str(), "w")) std::fclose(out);
}

void writeHistoryRecord(const std::string& createLine, const ProfileLinesWriter& writeProfileLines) {
    writeRecord(historyPath(), createLine, writeProfileLines);
}

void finishHistoryWriter() {
    std::thread writer;
    {
        std::lock_guard guard(pending.lock);
        pending.writeNow = true;
        writer = std::move(pending.thread);
    }
    pending.wake.notify_all();
    if (writer.joinable()) writer.join();
}

}  // namespace vt
