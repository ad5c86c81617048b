#pragma once
// A file that is written whole or not at all: the bytes go to an unnamed temporary file in
// the target's folder (O_TMPFILE; where the file system cannot, a short hidden name),
// which replaces the target only once every byte is on disk. A reader of the target never
// sees a half-written file, a failed or killed write leaves the old one in place, and the
// temporary files an earlier killed write left are removed.
// A symlink is followed and its target replaced; a path that is not a regular file is
// refused; a replaced file keeps its mode.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace dorvath {

class AtomicFile {
  public:
    explicit AtomicFile(std::filesystem::path target);
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    // Removes the temporary file unless commit() succeeded.
    ~AtomicFile();

    // Creates the temporary file. False (see error()) when it cannot be created.
    bool open();
    // Buffered; a failure is kept and reported by commit().
    void write(const void* data, size_t size);
    void write(std::string_view bytes) { write(bytes.data(), bytes.size()); }
    // Flushes, syncs and renames over the target. False when any step failed.
    bool commit();

    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }
    const std::filesystem::path& target() const { return target_; }

  private:
    bool resolveTarget();
    bool flush();
    bool writeAll(const char* p, size_t size);
    void fail(const char* what, int err);
    void discard();

    std::filesystem::path target_;
    std::filesystem::path temp_;  // empty while the temporary file has no name
    int fd_ = -1;
    std::string buffer_;
    std::string error_;
    bool committed_ = false;
    bool keepMode_ = false;
    unsigned mode_ = 0;
};

// Writes bytes to path through an AtomicFile. Returns "" on success, else why not.
[[nodiscard]] std::string WriteFileAtomically(const std::filesystem::path& path,
                                              std::string_view bytes);

}  // namespace dorvath
