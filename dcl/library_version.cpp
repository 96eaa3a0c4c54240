#include "dcl/library_version.h"

#include <new>
#include <vector>

#include "dcl/own_module.h"
#include "platform/kernel.h"

namespace trv::dcl {

namespace {

std::vector<BYTE> g_block;

std::vector<BYTE> ReadVersionBlock(HMODULE module) {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(module, path, sizeof path);
  if (length == 0 || length >= sizeof path) return {};
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(path, &handle);
  if (size == 0) return {};
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfoA(path, handle, size, block.data())) return {};
  return block;
}

}  // namespace

bool LoadLibraryVersionBlock() {
  FreeLibraryVersionBlock();
  HMODULE module = OwnModule();
  if (module == nullptr) return false;
  try {
    g_block = ReadVersionBlock(module);
  } catch (const std::bad_alloc&) {
    // Without memory for it the block is simply absent, as for a module without one.
    g_block.clear();
  }
  return !g_block.empty();
}

void FreeLibraryVersionBlock() { std::vector<BYTE>().swap(g_block); }

LPCVOID LibraryVersionBlock() { return g_block.empty() ? nullptr : g_block.data(); }

}  // namespace trv::dcl
