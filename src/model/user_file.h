// Files the user names (projects, register text files, firmware containers) are opened here and
// nowhere else. Opening never blocks: a named pipe, a device node or a folder given as a file is
// refused at once instead of freezing the window while it waits for a writer. The cause of a
// failure is kept so that each caller can word its own message.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace corvane {

enum class FileFailure : uint8_t {
  kNone,
  kNotFound,       // no such file
  kNotAccessible,  // there, but permissions or another program keep us out
  kBadPath,        // the path itself is unusable (a file as a folder, too long, a loop)
  kIoError,        // the medium failed
  kNotRegular,     // a folder, pipe, socket or device: never a file of ours
  kTooLarge,       // bigger than the caller will ever read
  kOther,
};

struct FileError {
  FileFailure failure = FileFailure::kNone;
  int cause = 0;  // the system's error number (EISDIR, EINVAL for other non-regular files)
  bool ok() const { return failure == FileFailure::kNone; }
};

// The system calls behind writing a file and putting it in place of another. The program always
// uses the system's own; a test installs its own (SetFileCalls) to play a medium that fails part
// way through a save: a short write, a full disk, a flush or a close that loses the data, a
// rename that is refused. Only the writing side goes through here; reading never does.
class FileCalls {
 public:
  virtual ~FileCalls() = default;
  // As write(2): the bytes taken (fewer than asked is a short write, 0 a full medium), or -1
  // with errno set.
  virtual int64_t Write(int handle, const void* bytes, uint64_t length);
  // Put what was written on the medium / release the handle; false with errno set. Close
  // releases the handle even when it fails.
  virtual bool Sync(int handle);
  virtual bool Close(int handle);
  // Puts `from` in place of `to` in one step; false with errno set.
  virtual bool Rename(const std::filesystem::path& from, const std::filesystem::path& to);
};

// The calls in use. SetFileCalls(nullptr) goes back to the system's; the caller keeps `calls`
// alive while installed.
FileCalls& CurrentFileCalls();
void SetFileCalls(FileCalls* calls);

// A regular file opened for reading, or created for writing. Move-only; closes itself.
class UserFile {
 public:
  UserFile() = default;
  ~UserFile();
  UserFile(UserFile&& other) noexcept;
  UserFile& operator=(UserFile&& other) noexcept;
  UserFile(const UserFile&) = delete;
  UserFile& operator=(const UserFile&) = delete;

  static UserFile Open(const std::filesystem::path& path, FileError& error);
  // Creates the file, or empties an existing regular one; anything else is refused untouched.
  static UserFile Create(const std::filesystem::path& path, FileError& error);
  // The same without emptying it: for logs that every run appends to.
  static UserFile OpenForAppend(const std::filesystem::path& path, FileError& error);

  bool is_open() const { return handle_ >= 0; }
  // Size when opened.
  uint64_t size() const { return size_; }
  // Reads up to `length` bytes, fewer only at the end of the file; -1 on a read error.
  int64_t Read(void* into, uint64_t length);
  // Writes all bytes; false (with errno set) when the medium refuses them.
  bool Write(const void* bytes, uint64_t length);
  // Moves the position to `offset` from the start, or to the end; false on failure.
  bool Seek(uint64_t offset);
  bool SeekEnd();
  // Puts what was written on the medium; false (with errno set) when it cannot.
  bool Sync();
  // Closes the file; false when the system reports that the written data were lost.
  bool Close();

 private:
  static UserFile Writable(const std::filesystem::path& path, FileError& error, bool empty);

  int handle_ = -1;
  uint64_t size_ = 0;
};

// Puts the file `from` in place of `to` in one step, so that `to` is at every moment either the
// old file or the new one, and tries to make the new name survive a power cut. 0 on success,
// otherwise the cause number; `from` is left where it was after a failure.
int ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to);

// The whole file, refused with kTooLarge when it holds more than `max_bytes`.
struct FileContents {
  FileError error;
  std::vector<uint8_t> bytes;
};
FileContents ReadUserFile(const std::filesystem::path& path, uint64_t max_bytes);

// Creates the folder below the current one where the tool puts the files it writes for people
// (reports, logs). True when it is there afterwards, a folder made by an earlier run included.
bool CreateOutputFolder(const std::filesystem::path& folder);

// The messages for a file the user chose that cannot be read: "File %s not found", "File %s
// ,\r\nbut file not accessible" and otherwise "File %s not possible to open". With
// `silent_bad_path`, a bad path or an I/O error gives an empty text (the firmware dialog's box).
std::string ChosenFileMessage(const FileError& error, const std::string& path,
                              bool silent_bad_path = false);

}  // namespace corvane
