#include "list_view.h"

#include <commctrl.h>

#include <algorithm>

namespace driver {

namespace {

// Memory in the target process: list-view messages carry pointers that the
// system does not marshal, so the structures and buffers must live there.
class RemoteMemory {
 public:
  RemoteMemory(HANDLE process, size_t size)
      : process_(process),
        address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;
  ~RemoteMemory() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  explicit operator bool() const { return address_ != nullptr; }
  char* At(size_t offset) const { return static_cast<char*>(address_) + offset; }
  bool Write(size_t offset, const void* data, size_t size) const {
    return WriteProcessMemory(process_, At(offset), data, size, nullptr);
  }
  bool Read(size_t offset, void* data, size_t size) const {
    return ReadProcessMemory(process_, At(offset), data, size, nullptr);
  }

 private:
  HANDLE process_;
  void* address_;
};

struct ProcessHandle {
  HANDLE value;
  explicit ProcessHandle(DWORD pid)
      : value(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
                          FALSE, pid)) {}
  ProcessHandle(const ProcessHandle&) = delete;
  ProcessHandle& operator=(const ProcessHandle&) = delete;
  ~ProcessHandle() {
    if (value) CloseHandle(value);
  }
};

constexpr size_t kTextChars = 1024;
constexpr size_t kTextOffset = 256;  // the structure goes first, the text buffer after it

std::optional<LRESULT> Send(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, DWORD timeoutMs) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(hwnd, message, wparam, lparam, SMTO_ABORTIFHUNG, timeoutMs, &result)) return std::nullopt;
  return LRESULT(result);
}

std::optional<std::wstring> ReadBuffer(const RemoteMemory& memory) {
  std::wstring text(kTextChars, L'\0');
  if (!memory.Read(kTextOffset, text.data(), kTextChars * sizeof(wchar_t))) return std::nullopt;
  text.resize(text.find(L'\0') == std::wstring::npos ? kTextChars : text.find(L'\0'));
  return text;
}

}  // namespace

std::optional<ListViewContents> ReadListView(HWND listView, DWORD timeoutMs) {
  DWORD pid = 0;
  GetWindowThreadProcessId(listView, &pid);
  ProcessHandle process(pid);
  if (!process.value) return std::nullopt;
  RemoteMemory memory(process.value, kTextOffset + kTextChars * sizeof(wchar_t));
  if (!memory) return std::nullopt;
  LPARAM remoteStruct = reinterpret_cast<LPARAM>(memory.At(0));
  auto* remoteText = reinterpret_cast<wchar_t*>(memory.At(kTextOffset));
  static_assert(sizeof(LVCOLUMNW) <= kTextOffset && sizeof(LVITEMW) <= kTextOffset);

  ListViewContents contents;
  auto header = Send(listView, LVM_GETHEADER, 0, 0, timeoutMs);
  auto columnCount = header && *header ? Send(HWND(*header), HDM_GETITEMCOUNT, 0, 0, timeoutMs) : std::nullopt;
  for (int column = 0; column < (columnCount ? int(*columnCount) : 0); ++column) {
    LVCOLUMNW request{};
    request.mask = LVCF_TEXT | LVCF_WIDTH;
    request.pszText = remoteText;
    request.cchTextMax = int(kTextChars);
    wchar_t empty = 0;
    if (!memory.Write(0, &request, sizeof request) || !memory.Write(kTextOffset, &empty, sizeof empty)) {
      return std::nullopt;
    }
    if (!Send(listView, LVM_GETCOLUMNW, column, remoteStruct, timeoutMs)) return std::nullopt;
    LVCOLUMNW answer{};
    memory.Read(0, &answer, sizeof answer);
    auto caption = ReadBuffer(memory);
    if (!caption) return std::nullopt;
    contents.columns.push_back({*caption, answer.cx});
  }

  auto rowCount = Send(listView, LVM_GETITEMCOUNT, 0, 0, timeoutMs);
  if (!rowCount) return std::nullopt;
  size_t cells = std::max<size_t>(contents.columns.size(), 1);
  for (int row = 0; row < int(*rowCount); ++row) {
    std::vector<std::wstring> texts;
    for (size_t column = 0; column < cells; ++column) {
      LVITEMW request{};
      request.iSubItem = int(column);
      request.pszText = remoteText;
      request.cchTextMax = int(kTextChars);
      wchar_t empty = 0;
      if (!memory.Write(0, &request, sizeof request) || !memory.Write(kTextOffset, &empty, sizeof empty)) {
        return std::nullopt;
      }
      if (!Send(listView, LVM_GETITEMTEXTW, row, remoteStruct, timeoutMs)) return std::nullopt;
      auto text = ReadBuffer(memory);
      if (!text) return std::nullopt;
      texts.push_back(*text);
    }
    contents.rows.push_back(std::move(texts));
  }
  return contents;
}

}  // namespace driver
