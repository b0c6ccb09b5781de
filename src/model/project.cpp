#include "model/project.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "model/le.h"
#include "model/radio_settings.h"
#include "model/type_table.h"
#include "model/user_file.h"

namespace corvane {

// ---------------------------------------------------------------------------------------------
// Project record

Project::Project() { Reset(); }

void Project::Reset() {
  raw_.fill(0);
  for (auto& record : records_) std::vector<uint16_t>().swap(record);
  SetName(u"New Project");
  SetPassword(kDefaultNetworkPassword);
}

namespace {

std::u16string ReadUtf16(const uint8_t* p, int max_chars) {
  std::u16string out;
  for (int i = 0; i < max_chars; ++i) {
    const char16_t c = GetU16(p + 2 * i);
    if (c == 0) break;
    out.push_back(c);
  }
  return out;
}

void WriteUtf16(uint8_t* p, int field_chars, std::u16string_view text) {
  // One character is kept for the terminator.
  std::memset(p, 0, static_cast<size_t>(field_chars) * 2);
  const size_t n = std::min(text.size(), static_cast<size_t>(field_chars - 1));
  for (size_t i = 0; i < n; ++i) PutU16(p + 2 * i, text[i]);
}

}  // namespace

std::u16string Project::Name() const { return ReadUtf16(raw_.data() + kNameOffset, 32); }
void Project::SetName(std::u16string_view name) {
  WriteUtf16(raw_.data() + kNameOffset, kNameChars + 1, name);
}

std::u16string Project::Notes() const { return ReadUtf16(raw_.data() + kNotesOffset, 256); }
void Project::SetNotes(std::u16string_view notes) {
  WriteUtf16(raw_.data() + kNotesOffset, kNotesChars + 1, notes);
}

std::array<uint8_t, Project::kPasswordBytes> Project::PasswordBytes() const {
  std::array<uint8_t, kPasswordBytes> out;
  std::memcpy(out.data(), raw_.data() + kPasswordOffset, kPasswordBytes);
  return out;
}

std::u16string Project::Password() const {
  std::u16string out;
  for (uint8_t b : PasswordBytes()) {
    if (b == 0) break;
    out.push_back(b);
  }
  return out;
}

void Project::SetPassword(std::u16string_view password) {
  uint8_t* p = raw_.data() + kPasswordOffset;
  std::memset(p, 0, kPasswordBytes);
  const size_t n = std::min(password.size(), static_cast<size_t>(kPasswordBytes));
  for (size_t i = 0; i < n; ++i) p[i] = static_cast<uint8_t>(password[i]);
}

uint32_t Project::FrequencyIndex() const { return GetU32(raw_.data() + kFrequencyOffset); }
void Project::SetFrequencyIndex(uint32_t index) { PutU32(raw_.data() + kFrequencyOffset, index); }

RfAddress Project::Address(int entry) const { return GetU32(EntryBytes(entry)); }
uint32_t Project::Length(int entry) const { return GetU32(EntryBytes(entry) + 4); }
void Project::SetLength(int entry, uint32_t words) { PutU32(EntryBytes(entry) + 4, words); }

void Project::SetEntry(int entry, RfAddress address, std::vector<uint16_t> record) {
  std::memset(EntryBytes(entry), 0, kEntryBytes);
  PutU32(EntryBytes(entry), address);
  SetRecord(entry, std::move(record));
}

void Project::SetRecord(int entry, std::vector<uint16_t> record) {
  SetLength(entry, static_cast<uint32_t>(record.size()));
  records_[entry] = std::move(record);
}

void Project::ClearEntry(int entry) {
  std::memset(EntryBytes(entry), 0, kEntryBytes);
  std::vector<uint16_t>().swap(records_[entry]);
}

int Project::Find(RfAddress address) const {
  if (address == 0) return -1;
  for (int i = 0; i < kMaxDevices; ++i) {
    if (Address(i) == address) return i;
  }
  return -1;
}

int Project::FirstFree() const {
  for (int i = 0; i < kMaxDevices; ++i) {
    if (Address(i) == 0) return i;
  }
  return -1;
}

int Project::DeviceCount() const {
  int count = 0;
  for (int i = 0; i < kMaxDevices; ++i) count += Address(i) != 0;
  return count;
}

std::vector<uint16_t> DefaultRecordTemplate() {
  std::vector<uint16_t> words(50, 0);
  words[3] = 0x1100;
  const char name[] = "default";
  for (size_t i = 0; i + 1 < sizeof name; ++i) {
    words[8 + i / 2] |= static_cast<uint16_t>(static_cast<uint8_t>(name[i]) << (8 * (i % 2)));
  }
  for (size_t i = 0; i < kDefaultNetworkPassword.size(); ++i) {
    words[18 + i / 2] |= static_cast<uint16_t>(kDefaultNetworkPassword[i] << (8 * (i % 2)));
  }
  words[26] = 0x0200;
  return words;
}

// ---------------------------------------------------------------------------------------------
// Reading

namespace {

// Records are held as words; the file holds them little-endian.
void FromLittleEndian(std::vector<uint16_t>& words) {
  if constexpr (std::endian::native != std::endian::little) {
    for (auto& w : words) w = static_cast<uint16_t>((w >> 8) | (w << 8));
  }
}

class SpanSource {
 public:
  explicit SpanSource(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  uint64_t Remaining() const { return bytes_.size() - position_; }
  void Read(void* destination, size_t n) {
    std::memcpy(destination, bytes_.data() + position_, n);
    position_ += n;
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t position_ = 0;
};

class FileSource {
 public:
  explicit FileSource(UserFile& file) : file_(file), remaining_(file.size()) {}
  uint64_t Remaining() const { return remaining_; }
  void Read(void* destination, size_t n) {
    // A file that shrinks while being read leaves zeros, never garbage.
    const int64_t got = std::max<int64_t>(file_.Read(destination, n), 0);
    if (static_cast<size_t>(got) < n) {
      std::memset(static_cast<uint8_t*>(destination) + got, 0, n - static_cast<size_t>(got));
    }
    remaining_ -= n;
  }

 private:
  UserFile& file_;
  uint64_t remaining_;
};

}  // namespace

// Walks the device table after the record has been taken over. Every allocation is either
// backed by bytes that are really in the file, or one type-table record size.
class ProjectReader {
 public:
  template <typename Source>
  static ProjectLoadResult Read(Source& source, Project& project) {
    using Status = ProjectLoadResult::Status;
    if (source.Remaining() < static_cast<uint64_t>(Project::kRecordBytes)) {
      return {Status::kTooShort, 0};
    }
    source.Read(project.raw_.data(), Project::kRecordBytes);
    for (auto& record : project.records_) std::vector<uint16_t>().swap(record);

    bool damaged = false;
    for (int i = 0; i < Project::kMaxDevices; ++i) {
      const RfAddress address = project.Address(i);
      const uint64_t length = project.Length(i);
      if (address == 0 || length == 0) continue;
      const uint64_t type_bytes = static_cast<uint64_t>(RecordSize(address));
      const uint64_t file_bytes = 2 * length;
      auto& record = project.records_[i];
      if (!damaged && file_bytes <= source.Remaining()) {
        record.assign(std::max(type_bytes, file_bytes) / 2, 0);
        source.Read(record.data(), file_bytes);
        FromLittleEndian(record);
        // A record stored shorter than its type is held whole from now on, and its length says
        // so: the windows fill the whole record, and a save writes as many words as the length
        // gives, so a length left as the file had it would cut their edits off.
        project.SetLength(i, static_cast<uint32_t>(record.size()));
        continue;
      }
      // Damaged from here on: a zeroed record of the type's size, holding what the file still
      // had of the first damaged record. The length follows, so a save writes what is held.
      const uint64_t partial = damaged ? 0 : std::min(source.Remaining(), type_bytes);
      damaged = true;
      record.assign(type_bytes / 2, 0);
      if (partial > 0) {
        source.Read(record.data(), partial);
        FromLittleEndian(record);
      }
      project.SetLength(i, static_cast<uint32_t>(type_bytes / 2));
    }
    return {damaged ? Status::kInvalidFile : Status::kOk, 0};
  }
};

ProjectLoadResult ParseProject(std::span<const uint8_t> bytes, Project& project) {
  SpanSource source(bytes);
  return ProjectReader::Read(source, project);
}

ProjectLoadResult LoadProjectFile(const std::filesystem::path& path, Project& project) {
  FileError error;
  UserFile file = UserFile::Open(path, error);
  if (!file.is_open()) return {ProjectLoadResult::Status::kCannotOpen, error.cause};
  FileSource source(file);
  return ProjectReader::Read(source, project);
}

// ---------------------------------------------------------------------------------------------
// Writing

namespace {

// Calls sink(bytes, n) for the record and then every cached record, as the file holds them.
template <typename Sink>
bool WriteProject(const Project& project, Sink&& sink) {
  if (!sink(project.raw().data(), project.raw().size())) return false;
  uint8_t chunk[4096];
  for (int i = 0; i < Project::kMaxDevices; ++i) {
    if (project.Address(i) == 0 || project.Length(i) == 0) continue;
    const auto record = project.Record(i);
    const uint64_t words = project.Length(i);
    for (uint64_t w = 0; w < words;) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(words - w, sizeof chunk / 2));
      for (size_t k = 0; k < n; ++k) {
        // A record shorter than its length (never made by this program) is padded with zeros.
        PutU16(chunk + 2 * k, w + k < record.size() ? record[w + k] : 0);
      }
      if (!sink(chunk, 2 * n)) return false;
      w += n;
    }
  }
  return true;
}

}  // namespace

std::vector<uint8_t> SerializeProject(const Project& project) {
  std::vector<uint8_t> out;
  WriteProject(project, [&](const uint8_t* p, size_t n) {
    out.insert(out.end(), p, p + n);
    return true;
  });
  return out;
}

ProjectSaveResult SaveProjectFile(const std::filesystem::path& path, const Project& project) {
  std::filesystem::path temporary = path;
  temporary += ".saving";
  FileError open_error;
  UserFile file = UserFile::Create(temporary, open_error);
  if (!file.is_open()) return {false, open_error.cause};
  int error = 0;
  // A failure always carries a cause, even from a layer that left errno clear: a save that
  // failed with cause 0 would go on to the rename.
  const auto cause = [] { return errno != 0 ? errno : EIO; };
  const bool written = WriteProject(project, [&](const uint8_t* p, size_t n) {
    errno = 0;
    if (file.Write(p, n)) return true;
    error = cause();
    return false;
  });
  // On the medium before the rename, or a power cut could leave an empty file under the name.
  errno = 0;
  if (written && error == 0 && !file.Sync()) error = cause();
  errno = 0;
  if (!file.Close() && error == 0) error = cause();
  if (!written && error == 0) error = EIO;
  if (error == 0) {
    error = ReplaceFile(temporary, path);
    if (error == 0) return {true, 0};
  }
  std::error_code ignored;
  if (std::filesystem::is_regular_file(temporary, ignored))
    std::filesystem::remove(temporary, ignored);
  return {false, error};
}

}  // namespace corvane
