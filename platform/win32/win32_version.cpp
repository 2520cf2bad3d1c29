// Version resources of files (version.dll).
#include "platform/win32/win32_internal.h"

static_assert(sizeof(mm::VS_FIXEDFILEINFO) == sizeof(::VS_FIXEDFILEINFO), "VS_FIXEDFILEINFO");
MM_SAME_OFFSET(VS_FIXEDFILEINFO, VS_FIXEDFILEINFO, dwFileVersionMS);
MM_SAME_OFFSET(VS_FIXEDFILEINFO, VS_FIXEDFILEINFO, dwProductVersionMS);
MM_SAME_OFFSET(VS_FIXEDFILEINFO, VS_FIXEDFILEINFO, dwProductVersionLS);
MM_SAME_OFFSET(VS_FIXEDFILEINFO, VS_FIXEDFILEINFO, dwFileDateLS);

namespace mm {

DWORD Win32Platform::GetFileVersionInfoSizeA(const char* fileName, DWORD* handle) {
  ::DWORD ignored = 0;
  const ::DWORD size = ::GetFileVersionInfoSizeA(fileName, &ignored);
  if (handle != nullptr) *handle = 0;
  return size;
}

BOOL Win32Platform::GetFileVersionInfoA(const char* fileName, DWORD handle, DWORD size,
                                        void* data) {
  return ::GetFileVersionInfoA(fileName, handle, size, data);
}

BOOL Win32Platform::VerQueryValueA(const void* block, const char* subBlock, void** buffer,
                                   UINT* length) {
  ::UINT n = 0;
  const ::BOOL found = ::VerQueryValueA(block, subBlock, buffer, &n);
  if (length != nullptr) *length = n;
  return found;
}

}  // namespace mm
