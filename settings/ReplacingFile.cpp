#include "settings/ReplacingFile.h"

#include "platform/Platform.h"

namespace vt {
namespace {

// Copies the bytes of `from` to `out`. A file that does not exist yet has
// nothing to keep; one that exists but cannot be read must not be replaced.
bool copyBytes(const std::string& from, std::FILE* out) {
    std::FILE* in = std::fopen(from.c_str(), "rb");
    if (in == nullptr) return !platform().fileExists(from);
    char buffer[4096];
    bool copied = true;
    for (std::size_t read; copied && (read = std::fread(buffer, 1, sizeof buffer, in)) > 0;) {
        copied = std::fwrite(buffer, 1, read, out) == read;
    }
    copied = copied && std::ferror(in) == 0;
    std::fclose(in);
    return copied;
}

// Closes the new file and puts it in place; on any failure it is removed and
// the old file stays.
bool putInPlace(std::FILE* out, const std::string& beside, const std::string& path) {
    Platform& os = platform();
    bool written = std::ferror(out) == 0 && os.flushToDisk(out);
    written = std::fclose(out) == 0 && written;
    if (written && os.replaceFile(beside, path)) return true;
    std::remove(beside.c_str());
    return false;
}

bool writeText(std::FILE* out, const FileText& write, const std::string& beside, const std::string& path) {
    if (write) write(out);
    return putInPlace(out, beside, path);
}

}  // namespace

std::string besideName(const std::string& path) { return path + ".new"; }

bool writeReplacing(const std::string& path, const FileText& write) {
    const std::string beside = besideName(path);
    std::FILE* out = std::fopen(beside.c_str(), "w");
    if (out == nullptr) return false;
    return writeText(out, write, beside, path);
}

bool appendReplacing(const std::string& path, const FileText& write) {
    const std::string beside = besideName(path);
    std::FILE* out = std::fopen(beside.c_str(), "wb");
    if (out == nullptr) return false;
    // The kept bytes are copied untouched; the new text then goes through
    // text mode, as an append to the old file would have written it.
    bool copied = copyBytes(path, out);
    copied = std::fclose(out) == 0 && copied;
    if (copied) out = std::fopen(beside.c_str(), "a");
    if (!copied || out == nullptr) {
        std::remove(beside.c_str());
        return false;
    }
    return writeText(out, write, beside, path);
}

}  // namespace vt
