// The program as a file and as a process: which libraries it imports and loads, and the flags
// that randomise its addresses and keep its data from running as code.
#include <gtest/gtest.h>

#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>

#include "E2eSupport.h"

namespace px2d::e2e {
namespace {

// The headers, sections and imported library names of a PE32+ file, read from its bytes.
class TPortableExecutable {
 public:
  explicit TPortableExecutable(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    FBytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    IMAGE_DOS_HEADER dos{};
    if (!Read(0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE) return;
    if (!Read(static_cast<std::size_t>(dos.e_lfanew), FHeaders) || FHeaders.Signature != IMAGE_NT_SIGNATURE ||
        FHeaders.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC)
      return;
    const std::size_t sections = static_cast<std::size_t>(dos.e_lfanew) +
                                 offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                                 FHeaders.FileHeader.SizeOfOptionalHeader;
    for (WORD i = 0; i < FHeaders.FileHeader.NumberOfSections; ++i) {
      IMAGE_SECTION_HEADER section{};
      if (!Read(sections + i * sizeof section, section)) return;
      FSections.push_back(section);
    }
    FValid = true;
  }

  bool Valid() const { return FValid; }
  const IMAGE_NT_HEADERS64& Headers() const { return FHeaders; }
  const std::vector<IMAGE_SECTION_HEADER>& Sections() const { return FSections; }
  IMAGE_DATA_DIRECTORY Directory(int index) const {
    return index < static_cast<int>(FHeaders.OptionalHeader.NumberOfRvaAndSizes)
               ? FHeaders.OptionalHeader.DataDirectory[index]
               : IMAGE_DATA_DIRECTORY{};
  }

  // The names of the libraries in the import directory, in lower case; "?" for one that cannot be read.
  std::vector<std::string> ImportedLibraries() const {
    std::vector<std::string> names;
    const IMAGE_DATA_DIRECTORY directory = Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
    std::size_t at = Offset(directory.VirtualAddress);
    for (IMAGE_IMPORT_DESCRIPTOR entry{}; directory.Size && Read(at, entry) && entry.Name; at += sizeof entry)
      names.push_back(Text(entry.Name));
    return names;
  }

  // The address relative to the image of a symbol in the file's symbol table (GCC keeps one; MSVC
  // does not), if it is there.
  std::optional<DWORD> SymbolRva(const std::string& name) const {
    const std::size_t table = FHeaders.FileHeader.PointerToSymbolTable;
    const std::size_t count = FHeaders.FileHeader.NumberOfSymbols;
    const std::size_t strings = table + count * IMAGE_SIZEOF_SYMBOL;
    for (std::size_t i = 0; table && i < count; ++i) {
      IMAGE_SYMBOL symbol{};
      if (!Read(table + i * IMAGE_SIZEOF_SYMBOL, symbol)) return std::nullopt;
      std::string symbolName;
      if (symbol.N.Name.Short)
        symbolName.assign(reinterpret_cast<const char*>(symbol.N.ShortName),
                          strnlen(reinterpret_cast<const char*>(symbol.N.ShortName), 8));
      else
        for (std::size_t at = strings + symbol.N.Name.Long; at < FBytes.size() && FBytes[at]; ++at)
          symbolName += FBytes[at];
      const int section = symbol.SectionNumber;
      if (symbolName == name && section > 0 && static_cast<std::size_t>(section) <= FSections.size())
        return FSections[static_cast<std::size_t>(section) - 1].VirtualAddress + symbol.Value;
      i += symbol.NumberOfAuxSymbols;
    }
    return std::nullopt;
  }

 private:
  template <class T>
  bool Read(std::size_t at, T& value) const {
    if (at > FBytes.size() || FBytes.size() - at < sizeof(T)) return false;
    std::memcpy(&value, FBytes.data() + at, sizeof(T));
    return true;
  }
  // The file offset of an address relative to the image, or past the end when no section holds it.
  std::size_t Offset(DWORD rva) const {
    for (const auto& s : FSections)
      if (rva >= s.VirtualAddress && rva - s.VirtualAddress < s.SizeOfRawData)
        return s.PointerToRawData + (rva - s.VirtualAddress);
    return FBytes.size();
  }
  std::string Text(DWORD rva) const {
    std::string text;
    for (std::size_t at = Offset(rva); at < FBytes.size() && FBytes[at]; ++at)
      text += static_cast<char>(std::tolower(static_cast<unsigned char>(FBytes[at])));
    return text.empty() ? "?" : text;
  }

  std::vector<char> FBytes;
  IMAGE_NT_HEADERS64 FHeaders{};
  std::vector<IMAGE_SECTION_HEADER> FSections;
  bool FValid = false;
};

std::wstring Lower(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(towlower(c)); });
  return text;
}

// Libraries that Windows 7 to 11 list under KnownDLLs: the loader takes them from the system
// folder only, so they may be imported directly.
const std::set<std::string> kKnownDlls = {
    "advapi32.dll", "comdlg32.dll", "gdi32.dll",    "imagehlp.dll", "imm32.dll",   "kernel32.dll",
    "msctf.dll",    "msvcrt.dll",   "normaliz.dll", "nsi.dll",      "ole32.dll",   "oleaut32.dll",
    "psapi.dll",    "rpcrt4.dll",   "sechost.dll",  "setupapi.dll", "shell32.dll", "shlwapi.dll",
    "user32.dll",   "wldap32.dll",  "ws2_32.dll",
};

TEST(Hardening, ImportsOnlyLibrariesTheSystemLoadsFromItsOwnFolder) {
  const TPortableExecutable program(ProgramPath());
  ASSERT_TRUE(program.Valid());
  const auto imported = program.ImportedLibraries();
  EXPECT_FALSE(imported.empty());
  for (const auto& name : imported) EXPECT_TRUE(kKnownDlls.count(name)) << name << " is imported directly";
}

TEST(Hardening, AddressesAreRandomisedAndDataDoesNotRun) {
  const TPortableExecutable program(ProgramPath());
  ASSERT_TRUE(program.Valid());
  const WORD flags = program.Headers().OptionalHeader.DllCharacteristics;
  EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE);
  EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA);
  EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_NX_COMPAT);
  // Without its relocations the image could not move, whatever the flags say.
  EXPECT_FALSE(program.Headers().FileHeader.Characteristics & IMAGE_FILE_RELOCS_STRIPPED);
  EXPECT_GT(program.Directory(IMAGE_DIRECTORY_ENTRY_BASERELOC).Size, 0u);
  for (const auto& section : program.Sections()) {
    const std::string name(reinterpret_cast<const char*>(section.Name),
                           strnlen(reinterpret_cast<const char*>(section.Name), IMAGE_SIZEOF_SHORT_NAME));
    EXPECT_FALSE((section.Characteristics & IMAGE_SCN_MEM_WRITE) &&
                 (section.Characteristics & IMAGE_SCN_MEM_EXECUTE))
        << name << " is both writable and executable";
  }
}

// The stack checks' canary is seeded afresh at each start: never zero, never the same twice.
TEST(Hardening, StackCanaryIsFreshAtEachStart) {
  const TPortableExecutable file(ProgramPath());
  ASSERT_TRUE(file.Valid());
#ifdef _MSC_VER
  GTEST_SKIP() << "the canary of MSVC's stack checks (/GS) has no symbol to find it by";
#else
  // Every build keeps the symbol table (CMakeLists.txt strips only the debugging sections): without
  // it the canary cannot be found, and that is a fault of the build, not a reason to look away.
  const std::optional<DWORD> rva = file.SymbolRva("__stack_chk_guard");
  ASSERT_TRUE(rva) << "the program has no symbol table, or no __stack_chk_guard in it";
  std::set<unsigned long long> canaries;
  for (int start = 0; start < 2; ++start) {
    TProcess program(ProgramPath());
    HWND window = FindProcessWindow(program.Id(), "TForm1", "Panoplex 2D Options", 20000);
    ASSERT_TRUE(window);
    const TUniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, program.Id()));
    MODULEENTRY32W image{};
    image.dwSize = sizeof image;
    ASSERT_TRUE(Module32FirstW(snapshot.Get(), &image));  // the executable comes first
    const TUniqueHandle process(
        OpenProcess(PROCESS_VM_READ | PROCESS_QUERY_INFORMATION, FALSE, program.Id()));
    unsigned long long canary = 0;
    SIZE_T read = 0;
    ASSERT_TRUE(ReadProcessMemory(process.Get(), image.modBaseAddr + *rva, &canary, sizeof canary, &read));
    EXPECT_NE(canary, 0u);
    canaries.insert(canary);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitExit(10000), 0u);
  }
  EXPECT_EQ(canaries.size(), 2u) << "the same canary at two starts";
#endif
}

// Libraries of a system library's name left beside a copy of the program, which also starts in
// that folder: it draws its window with the system's own, and loads nothing from there.
TEST(Hardening, ProgramTakesNoLibraryFromItsOwnOrTheCurrentFolder) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"px2d planted";
  const std::wstring beside = ProgramPath().substr(0, ProgramPath().find_last_of(L'\\') + 1);
  const std::wstring copy = folder + L"\\" + PX2D_EXE_NAME;
  const wchar_t* planted[] = {L"gdiplus.dll", L"comctl32.dll", L"msimg32.dll"};
  CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_TRUE(CopyFileW(ProgramPath().c_str(), copy.c_str(), FALSE));
  for (const wchar_t* name : planted)
    ASSERT_TRUE(CopyFileW((beside + PX2D_PLANTED_DLL).c_str(), (folder + L"\\" + name).c_str(), FALSE));
  {
    TProcess program(copy, folder);
    HWND window = FindProcessWindow(program.Id(), "TForm1", "Panoplex 2D Options", 20000);
    ASSERT_TRUE(window);
    const auto modules = ProcessModules(program.Id());
    EXPECT_GT(modules.size(), 1u);
    bool versionSix = false;
    for (const auto& module : modules) {
      const std::wstring path = Lower(module);
      if (path.rfind(Lower(folder) + L"\\", 0) == 0) {
        EXPECT_EQ(path, Lower(copy)) << std::string(path.begin(), path.end()) << " is loaded";
      }
      // comctl32 loaded on first use still comes from the manifest's side-by-side assembly.
      if (path.find(L"\\winsxs\\") != std::wstring::npos &&
          path.find(L"\\comctl32.dll") != std::wstring::npos)
        versionSix = true;
    }
    EXPECT_TRUE(versionSix) << "comctl32 version 6 is not loaded";
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitExit(10000), 0u);
  }
  for (const wchar_t* name : planted) DeleteFileW((folder + L"\\" + name).c_str());
  DeleteFileW(copy.c_str());
  RemoveDirectoryW(folder.c_str());
}

}  // namespace
}  // namespace px2d::e2e
