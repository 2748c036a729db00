// The file calls of the settings store. Each goes through this table, which holds the system's own
// functions: a test may wrap one to see the order of the calls, or to act between two of them.
#pragma once

#include <windows.h>

namespace px2d {

struct TStoreFileCalls {
  decltype(&::GetFileAttributesW) GetFileAttributes = ::GetFileAttributesW;
  decltype(&::CreateFileW) CreateFile = ::CreateFileW;
  decltype(&::GetFileSizeEx) GetFileSize = ::GetFileSizeEx;
  decltype(&::ReadFile) ReadFile = ::ReadFile;
  decltype(&::WriteFile) WriteFile = ::WriteFile;
  decltype(&::SetFilePointerEx) SetFilePointer = ::SetFilePointerEx;
  decltype(&::SetEndOfFile) SetEndOfFile = ::SetEndOfFile;
  decltype(&::FlushFileBuffers) FlushFileBuffers = ::FlushFileBuffers;
  decltype(&::SetFileInformationByHandle) SetFileInformationByHandle = ::SetFileInformationByHandle;
  decltype(&::MoveFileExW) MoveFileEx = ::MoveFileExW;
  decltype(&::CreateHardLinkW) CreateHardLink = ::CreateHardLinkW;
  decltype(&::DeleteFileW) DeleteFile = ::DeleteFileW;
  // Whether the system replaces a file that this program holds open (a rename by handle with POSIX
  // semantics); until a try says the system does not know such a rename, it is taken to.
  bool ReplacesHeldFiles = true;
};

extern TStoreFileCalls StoreFileCalls;

}  // namespace px2d
