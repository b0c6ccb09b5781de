// The project: the installer's list of devices with their shared network settings and the last
// known configuration record of each device, and its *.cvp file.
//
// File layout: the 7252-byte project record, then the cached record of every device entry with a
// non-zero address and length, in table order. Little-endian, no magic, no version, no checksum.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "model/rf_address.h"

namespace corvane {

class Project {
 public:
  static constexpr int kRecordBytes = 7252;
  static constexpr int kMaxDevices = 512;
  static constexpr int kNameChars = 31;
  static constexpr int kNotesChars = 255;
  static constexpr int kPasswordBytes = 16;
  // Offsets inside the project record.
  static constexpr int kNameOffset = 0;
  static constexpr int kNotesOffset = 64;
  static constexpr int kPasswordOffset = 576;
  static constexpr int kFrequencyOffset = 592;
  static constexpr int kDeviceTableOffset = 1108;
  static constexpr int kEntryBytes = 12;

  // A new project: name "New Project", no notes, the default password, frequency 0, no devices.
  Project();
  void Reset();

  std::u16string Name() const;
  void SetName(std::u16string_view name);  // cut to 31 characters
  std::u16string Notes() const;
  void SetNotes(std::u16string_view notes);  // cut to 255 characters

  // The 16 password bytes and their text up to the first NUL.
  std::array<uint8_t, kPasswordBytes> PasswordBytes() const;
  std::u16string Password() const;
  void SetPassword(std::u16string_view password);  // low bytes, at most 16, NUL-padded

  uint32_t FrequencyIndex() const;
  void SetFrequencyIndex(uint32_t index);

  RfAddress Address(int entry) const;
  // Length of the cached record in words as the table holds it.
  uint32_t Length(int entry) const;
  // The cached record; empty when the entry has none.
  std::span<uint16_t> Record(int entry) { return records_[entry]; }
  std::span<const uint16_t> Record(int entry) const { return records_[entry]; }
  bool HasRecord(int entry) const { return !records_[entry].empty(); }

  // Puts a device into an entry with its record; the length becomes the record's word count.
  void SetEntry(int entry, RfAddress address, std::vector<uint16_t> record);
  void ClearEntry(int entry);
  // Replaces the record of an occupied entry (a dialog saving its register image).
  void SetRecord(int entry, std::vector<uint16_t> record);

  // Index of the entry holding the address, or -1; address 0 is never found.
  int Find(RfAddress address) const;
  // Index of the first free entry, or -1.
  int FirstFree() const;
  int DeviceCount() const;

  const std::array<uint8_t, kRecordBytes>& raw() const { return raw_; }

 private:
  friend class ProjectReader;
  uint8_t* EntryBytes(int entry) { return raw_.data() + kDeviceTableOffset + kEntryBytes * entry; }
  const uint8_t* EntryBytes(int entry) const {
    return raw_.data() + kDeviceTableOffset + kEntryBytes * entry;
  }
  void SetLength(int entry, uint32_t words);

  // Held byte for byte as the file holds it, so what was loaded is saved unchanged.
  std::array<uint8_t, kRecordBytes> raw_{};
  std::array<std::vector<uint16_t>, kMaxDevices> records_;
};

// The 100-byte (50-word) record every new device starts with: word 3 = 0x1100, name "default",
// the default network password and word 26 = 0x0200.
std::vector<uint16_t> DefaultRecordTemplate();

struct ProjectLoadResult {
  enum class Status {
    kOk,
    kCannotOpen,   // error = the cause number; the project is unchanged
    kTooShort,     // fewer than 7252 bytes; the project is unchanged
    kInvalidFile,  // a cached record runs past the end of the file
  };
  Status status = Status::kOk;
  int error = 0;
};

// Reads a project. Never allocates more than the file's own size plus one type-table record size
// per damaged entry. After kInvalidFile the entries from the damaged one on keep their addresses
// and hold a zeroed record of their type's size (with whatever bytes of the damaged record the
// file still had), so saving writes a consistent file and a dialog never gets a missing record.
ProjectLoadResult LoadProjectFile(const std::filesystem::path& path, Project& project);
ProjectLoadResult ParseProject(std::span<const uint8_t> bytes, Project& project);

struct ProjectSaveResult {
  bool ok = true;
  int error = 0;  // the cause number when not ok
};

// Writes the project through a temporary file in the same folder that is flushed and renamed
// over the old file, so a failed or interrupted save never destroys the previous project.
ProjectSaveResult SaveProjectFile(const std::filesystem::path& path, const Project& project);

// The file's bytes, as SaveProjectFile writes them.
std::vector<uint8_t> SerializeProject(const Project& project);

}  // namespace corvane
