// The settings store: the name=value lines of one per-user settings file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/SettingsText.h"
#include "framework/Classes.h"
#include "framework/SysUtils.h"

namespace px2d {

class EFOpenError : public Exception {
  using Exception::Exception;
};
// The settings file is larger than any settings file (MaxSettingsFileSize, as a save would write
// it): it is not read, and nothing is written over it.
class ESettingsTooLarge : public EFOpenError {
  using EFOpenError::EFOpenError;
};
class EFCreateError : public Exception {
  using Exception::Exception;
};
class EWriteError : public Exception {
  using Exception::Exception;
};

// How the store compares names: CompareStringA ignoring case under the user's locale, with the
// locale's sort key as the key that finds a name.
const TNameRule& StoreNameRule();

class TGenericSetup : public TObject {
 public:
  TGenericSetup() = default;
  ~TGenericSetup() override = default;

  // The lines, read and written by key through the locale's comparison of names.
  TSettingsLines Lines{StoreNameRule()};
  // What a zero byte in the file hides from reading: written back after the lines unchanged.
  std::string IgnoredTail;
  std::string AppName = "Unknown";

  // What a save compares with, to keep what another program wrote to the file meanwhile: the file's
  // bytes as this store last read or wrote them (none: there was no file), and the lines that a save
  // would have written right then. LoadSettings and SaveSettings set both; the owner may put in
  // BaseLines what it would write itself, so that what it only tidied while reading is no change.
  // A store that never loaded replaces the file whatever it holds.
  std::optional<std::string> FileText;
  TextLines BaseLines;

  // <roaming application data>\Brightfallow\<AppName>\<AppName>.conf; makes the folders on the way.
  // In ANSI text, for messages: the file functions take the path in UTF-16, as the folder may be
  // named with characters that the code page lacks. Raises when there is no roaming folder.
  std::string ConfigFileName() const;
  void LoadSettings();
  // Writes the lines (and IgnoredTail) in place of the file. When another program has changed the
  // file since it was loaded, the file's lines as they are now are written instead, with this
  // store's changes since BaseLines made over them (MergeLines); a file it deleted or emptied is
  // written anew with all of this store's lines. Lines and IgnoredTail become what was written;
  // true when that differs from what they were.
  bool SaveSettings();

  std::string ReadString(const std::string& Key, const std::string& Default) const;
  std::int32_t ReadInteger(const std::string& Key, std::int32_t Default) const;
  bool ReadBool(const std::string& Key, bool Default) const;
  void WriteString(const std::string& Key, const std::string& Value);
  void WriteInteger(const std::string& Key, std::int32_t Value);
  void WriteBool(const std::string& Key, bool Value);
  // Removes every line of the key, so that it reads as its default however many copies it had.
  void EraseKey(const std::string& Key);

 private:
  // The settings file's path, found once for the AppName it was found for: the roaming folder
  // does not move while the program runs, and a save that finds the folders gone makes them again.
  const std::wstring& Path() const;
  mutable std::wstring FPath;
  mutable std::string FPathAppName;
  bool FLoaded = false;
};

}  // namespace px2d
