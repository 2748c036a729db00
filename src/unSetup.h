// The settings store: the name=value lines of one per-user settings file.
#pragma once

#include <cstdint>
#include <string>

#include "core/SettingsText.h"
#include "framework/Classes.h"
#include "framework/SysUtils.h"

namespace px2d {

class EFOpenError : public Exception {
  using Exception::Exception;
};
// The settings file is larger than any settings file (MaxSettingsFileSize): it is not read, and
// nothing is written over it.
class ESettingsTooLarge : public EFOpenError {
  using EFOpenError::EFOpenError;
};
class EFCreateError : public Exception {
  using Exception::Exception;
};
class EWriteError : public Exception {
  using Exception::Exception;
};

class TGenericSetup : public TObject {
 public:
  TGenericSetup() = default;
  ~TGenericSetup() override = default;

  TextLines Lines;
  // What a zero byte in the file hides from reading: written back after the lines unchanged.
  std::string IgnoredTail;
  std::string AppName = "Unknown";

  // <roaming application data>\Brightfallow\<AppName>\<AppName>.conf; makes the folders on the way.
  // In ANSI text, for messages: the file functions take the path in UTF-16, as the folder may be
  // named with characters that the code page lacks. Raises when there is no roaming folder.
  std::string ConfigFileName() const;
  void LoadSettings();
  void SaveSettings();

  std::string ReadString(const std::string& Key, const std::string& Default) const;
  std::int32_t ReadInteger(const std::string& Key, std::int32_t Default) const;
  bool ReadBool(const std::string& Key, bool Default) const;
  void WriteString(const std::string& Key, const std::string& Value);
  void WriteInteger(const std::string& Key, std::int32_t Value);
  void WriteBool(const std::string& Key, bool Value);
};

}  // namespace px2d
