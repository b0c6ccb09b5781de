#include "model/user_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace corvane {
namespace {

#ifdef _WIN32
int OpenForReading(const std::filesystem::path& path) {
  return ::_wopen(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}
bool Stat(int fd, uint64_t& size, bool& regular) {
  struct _stat64 info {};
  if (::_fstat64(fd, &info) != 0) return false;
  regular = (info.st_mode & _S_IFMT) == _S_IFREG;
  size = static_cast<uint64_t>(info.st_size);
  return true;
}
int64_t ReadSome(int fd, void* into, uint64_t length) {
  const unsigned chunk = length > (1u << 30) ? (1u << 30) : static_cast<unsigned>(length);
  return ::_read(fd, into, chunk);
}
int64_t WriteSome(int fd, const void* bytes, uint64_t length) {
  const unsigned chunk = length > (1u << 30) ? (1u << 30) : static_cast<unsigned>(length);
  return ::_write(fd, bytes, chunk);
}
int CreateForWriting(const std::filesystem::path& path) {
  return ::_wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_BINARY | _O_NOINHERIT,
                  _S_IREAD | _S_IWRITE);
}
bool Truncate(int fd) { return ::_chsize_s(fd, 0) == 0; }
bool SyncHandle(int fd) { return ::_commit(fd) == 0; }
bool SeekHandle(int fd, uint64_t offset, bool end) {
  return ::_lseeki64(fd, end ? 0 : static_cast<int64_t>(offset), end ? SEEK_END : SEEK_SET) >= 0;
}
int CloseHandle(int fd) { return ::_close(fd); }
#else
int OpenForReading(const std::filesystem::path& path) {
  // Non-blocking: opening a FIFO for reading would otherwise wait for a writer forever.
  return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
}
bool Stat(int fd, uint64_t& size, bool& regular) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return false;
  regular = S_ISREG(info.st_mode);
  size = info.st_size > 0 ? static_cast<uint64_t>(info.st_size) : 0;
  return true;
}
int64_t ReadSome(int fd, void* into, uint64_t length) {
  return ::read(fd, into, static_cast<size_t>(length));
}
int64_t WriteSome(int fd, const void* bytes, uint64_t length) {
  return ::write(fd, bytes, static_cast<size_t>(length));
}
int CreateForWriting(const std::filesystem::path& path) {
  // Non-blocking and without O_TRUNC: a FIFO must neither hang us nor be touched.
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
}
bool Truncate(int fd) { return ::ftruncate(fd, 0) == 0; }
bool SyncHandle(int fd) { return ::fsync(fd) == 0; }
bool SeekHandle(int fd, uint64_t offset, bool end) {
  return ::lseek(fd, end ? 0 : static_cast<off_t>(offset), end ? SEEK_END : SEEK_SET) >= 0;
}
int CloseHandle(int fd) { return ::close(fd); }
#endif

FileError Classify(int cause) {
  switch (cause) {
    case ENOENT:
      return {FileFailure::kNotFound, cause};
    case EACCES:
    case EPERM:
    case EBUSY:
#ifdef ETXTBSY
    case ETXTBSY:
#endif
      return {FileFailure::kNotAccessible, cause};
    case ENOTDIR:
    case ENAMETOOLONG:
#ifdef ELOOP
    case ELOOP:
#endif
    case EINVAL:
      return {FileFailure::kBadPath, cause};
    case EIO:
      return {FileFailure::kIoError, cause};
    default:
      return {FileFailure::kOther, cause};
  }
}

#ifdef _WIN32
void SyncFolderOf(const std::filesystem::path&) {}
#else
// A rename lives in the folder: without this a power cut soon after a save can bring the old
// file back under the name.
void SyncFolderOf(const std::filesystem::path& path) {
  std::filesystem::path folder = path.parent_path();
  if (folder.empty()) folder = ".";
  const int fd = ::open(folder.c_str(), O_RDONLY | O_CLOEXEC | O_DIRECTORY);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}
#endif

std::atomic<FileCalls*> installed_calls{nullptr};

}  // namespace

int64_t FileCalls::Write(int handle, const void* bytes, uint64_t length) {
  return WriteSome(handle, bytes, length);
}

bool FileCalls::Sync(int handle) { return SyncHandle(handle); }

bool FileCalls::Close(int handle) { return CloseHandle(handle) == 0; }

bool FileCalls::Rename(const std::filesystem::path& from, const std::filesystem::path& to) {
  std::error_code ec;
  std::filesystem::rename(from, to, ec);
  if (!ec) return true;
  errno = ec.value();
  return false;
}

FileCalls& CurrentFileCalls() {
  static FileCalls system;
  FileCalls* calls = installed_calls.load();
  return calls != nullptr ? *calls : system;
}

void SetFileCalls(FileCalls* calls) { installed_calls.store(calls); }

UserFile::~UserFile() {
  if (handle_ >= 0) CloseHandle(handle_);
}

UserFile::UserFile(UserFile&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), size_(other.size_) {}

UserFile& UserFile::operator=(UserFile&& other) noexcept {
  if (this != &other) {
    if (handle_ >= 0) CloseHandle(handle_);
    handle_ = std::exchange(other.handle_, -1);
    size_ = other.size_;
  }
  return *this;
}

namespace {

// Keeps `fd` when it is a regular file (its size in `size`), otherwise closes it and says why.
bool KeepRegular(int fd, const std::filesystem::path& path, uint64_t& size, FileError& error) {
  bool regular = false;
  if (!Stat(fd, size, regular)) {
    error = Classify(errno);
    CloseHandle(fd);
    return false;
  }
  if (!regular) {
    std::error_code ec;
    const bool folder = std::filesystem::is_directory(path, ec);
    error = {FileFailure::kNotRegular, folder ? EISDIR : EINVAL};
    CloseHandle(fd);
    return false;
  }
#ifndef _WIN32
  // Reads and writes of a regular file never block; the flag only mattered for the open.
  if (const int flags = ::fcntl(fd, F_GETFL); flags >= 0) {
    ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  }
#endif
  return true;
}

}  // namespace

UserFile UserFile::Open(const std::filesystem::path& path, FileError& error) {
  error = {};
  UserFile file;
  const int fd = OpenForReading(path);
  if (fd < 0) {
    error = Classify(errno);
    return file;
  }
  uint64_t size = 0;
  if (!KeepRegular(fd, path, size, error)) return file;
  file.handle_ = fd;
  file.size_ = size;
  return file;
}

UserFile UserFile::Create(const std::filesystem::path& path, FileError& error) {
  return Writable(path, error, true);
}

UserFile UserFile::OpenForAppend(const std::filesystem::path& path, FileError& error) {
  return Writable(path, error, false);
}

UserFile UserFile::Writable(const std::filesystem::path& path, FileError& error, bool empty) {
  error = {};
  UserFile file;
  const int fd = CreateForWriting(path);
  if (fd < 0) {
    // A FIFO nobody reads answers ENXIO to a non-blocking open for writing.
    error = errno == ENXIO ? FileError{FileFailure::kNotRegular, ENXIO} : Classify(errno);
    return file;
  }
  uint64_t size = 0;
  if (!KeepRegular(fd, path, size, error)) return file;
  if (empty && !Truncate(fd)) {
    error = Classify(errno);
    CloseHandle(fd);
    return file;
  }
  file.handle_ = fd;
  file.size_ = empty ? 0 : size;
  return file;
}

bool UserFile::Seek(uint64_t offset) { return handle_ >= 0 && SeekHandle(handle_, offset, false); }

bool UserFile::SeekEnd() { return handle_ >= 0 && SeekHandle(handle_, 0, true); }

bool UserFile::Write(const void* bytes, uint64_t length) {
  if (handle_ < 0) {
    errno = EBADF;
    return false;
  }
  const auto* p = static_cast<const uint8_t*>(bytes);
  uint64_t done = 0;
  while (done < length) {
    const int64_t n = CurrentFileCalls().Write(handle_, p + done, length - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = ENOSPC;
      return false;
    }
    done += static_cast<uint64_t>(n);
  }
  return true;
}

bool UserFile::Sync() {
  if (handle_ < 0) {
    errno = EBADF;
    return false;
  }
  return CurrentFileCalls().Sync(handle_);
}

bool UserFile::Close() {
  if (handle_ < 0) return true;
  const int fd = std::exchange(handle_, -1);
  return CurrentFileCalls().Close(fd);
}

int ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  errno = 0;
  if (!CurrentFileCalls().Rename(from, to)) return errno != 0 ? errno : EIO;
  SyncFolderOf(to);
  return 0;
}

int64_t UserFile::Read(void* into, uint64_t length) {
  if (handle_ < 0) return -1;
  uint64_t done = 0;
  auto* bytes = static_cast<uint8_t*>(into);
  while (done < length) {
    const int64_t n = ReadSome(handle_, bytes + done, length - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<uint64_t>(n);
  }
  return static_cast<int64_t>(done);
}

bool CreateOutputFolder(const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::create_directory(folder, ec);
  return !ec || ec == std::errc::file_exists;
}

FileContents ReadUserFile(const std::filesystem::path& path, uint64_t max_bytes) {
  FileContents contents;
  UserFile file = UserFile::Open(path, contents.error);
  if (!file.is_open()) return contents;
  if (file.size() > max_bytes) {
    contents.error = {FileFailure::kTooLarge, EFBIG};
    return contents;
  }
  // The size is only a hint: a file that grows meanwhile is read up to the limit and refused
  // beyond it, one that shrinks ends where it ends.
  contents.bytes.reserve(static_cast<size_t>(file.size()));
  uint8_t chunk[65536];
  for (;;) {
    const int64_t n = file.Read(chunk, sizeof chunk);
    if (n < 0 ||
        contents.bytes.size() + static_cast<uint64_t>(std::max<int64_t>(n, 0)) > max_bytes) {
      contents.error = n < 0 ? FileError{FileFailure::kIoError, errno != 0 ? errno : EIO}
                             : FileError{FileFailure::kTooLarge, EFBIG};
      contents.bytes.clear();
      return contents;
    }
    contents.bytes.insert(contents.bytes.end(), chunk, chunk + n);
    if (n < static_cast<int64_t>(sizeof chunk)) return contents;
  }
}

std::string ChosenFileMessage(const FileError& error, const std::string& path,
                              bool silent_bad_path) {
  const char* format = "File %s not possible to open";
  switch (error.failure) {
    case FileFailure::kNotFound:
      format = "File %s not found";
      break;
    case FileFailure::kNotAccessible:
      format = "File %s ,\r\nbut file not accessible";
      break;
    case FileFailure::kBadPath:
    case FileFailure::kIoError:
      if (silent_bad_path) return {};
      break;
    default:
      break;
  }
  const int n = std::snprintf(nullptr, 0, format, path.c_str());
  std::string text(static_cast<size_t>(n > 0 ? n : 0), '\0');
  std::snprintf(text.data(), text.size() + 1, format, path.c_str());
  return text;
}

}  // namespace corvane
