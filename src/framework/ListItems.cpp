#include "ListItems.h"

#include <vector>

#include "SysUtils.h"

namespace px2d {

void TComboBoxStrings::Clear() { SendMessageA(FHandle, CB_RESETCONTENT, 0, 0); }

int TComboBoxStrings::Add(const std::string& S) {
  const LRESULT index = SendMessageA(FHandle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(S.c_str()));
  if (index == CB_ERR || index == CB_ERRSPACE) throw Exception("Out of system resources");
  return static_cast<int>(index);
}

int TComboBoxStrings::Count() const { return static_cast<int>(SendMessageA(FHandle, CB_GETCOUNT, 0, 0)); }

std::string TComboBoxStrings::Get(int Index) const {
  const LRESULT length = SendMessageA(FHandle, CB_GETLBTEXTLEN, static_cast<WPARAM>(Index), 0);
  if (length == CB_ERR) throw Exception(Format("List index out of bounds (%d)", Index));
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
  SendMessageA(FHandle, CB_GETLBTEXT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(buffer.data()));
  return std::string(buffer.data());
}

int TComboBoxStrings::FindExact(const std::string& S) const {
  // -1 searches the whole list from its first item.
  const LRESULT index =
      SendMessageA(FHandle, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(S.c_str()));
  return index == CB_ERR ? -1 : static_cast<int>(index);
}

}  // namespace px2d
