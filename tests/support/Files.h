// Files and folders of the tests: the user's roaming application-data folder, and removing a tree.
#pragma once

#include <windows.h>

#include <shlobj.h>

#include <string>

namespace px2d::test {

inline std::string AppDataFolder() {
  char buffer[MAX_PATH + 1] = {};
  SHGetSpecialFolderPathA(nullptr, buffer, CSIDL_APPDATA, FALSE);
  return buffer;
}

// Removes a folder with everything in it, whatever their attributes; or a file of that name.
inline void RemoveTree(const std::string& path) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      const std::string child = path + "\\" + name;
      SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(child);
      else
        DeleteFileA(child.c_str());
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryA(path.c_str());
  DeleteFileA(path.c_str());
}

}  // namespace px2d::test
