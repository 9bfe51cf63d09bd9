// Resources linked into modules, and BMP decoding for LoadBitmapW.
#include <dlfcn.h>
#include <link.h>

#include <cstring>
#include <mutex>
#include <vector>

#include "gdiobj.h"
#include "lxresource.h"
#include "../kernel/lxkernel.h"

namespace lx {

HBITMAP AddBitmapSurface(std::shared_ptr<Surface> s, int bitsPerPixel);

namespace {

struct ResourceTable {
  const void* module;  // link map of the module holding the table: what dlopen returns for it
  const LXRESOURCE* entries;
  int count;
};

std::mutex& ResLock() {
  static std::mutex m;
  return m;
}

std::vector<ResourceTable>& Tables() {
  static std::vector<ResourceTable> t;
  return t;
}

bool SameType(LPCWSTR a, LPCWSTR b) {
  if (IS_INTRESOURCE(a) || IS_INTRESOURCE(b)) return a == b;
  return LxStrCmpiW(a, b) == 0;
}

// "#123" names a numeric resource, as on the device.
bool IdOf(LPCWSTR name, WORD* id) {
  if (IS_INTRESOURCE(name)) {
    *id = (WORD)(uintptr_t)name;
    return true;
  }
  if (name && name[0] == u'#') {
    long v = 0;
    for (const WCHAR* p = name + 1; *p; ++p) {
      if (*p < u'0' || *p > u'9') return false;
      v = v * 10 + (*p - u'0');
      if (v > 0xFFFF) return false;
    }
    *id = (WORD)v;
    return true;
  }
  return false;
}

uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | ((uint32_t)p[3] << 24); }
uint16_t Le16(const uint8_t* p) { return (uint16_t)(p[0] | (p[1] << 8)); }

}  // namespace

// A BMP file of 1, 4, 8, 24 or 32 bits, uncompressed (32 bits also with bit
// fields), rows bottom-up or top-down. Anything else, or a truncated file,
// gives null.
std::shared_ptr<Surface> DecodeBmp(const uint8_t* data, size_t size, int* bitsPerPixel) {
  if (!data || size < 14 + 40 || data[0] != 'B' || data[1] != 'M') return nullptr;
  uint32_t offBits = Le32(data + 10);
  const uint8_t* ih = data + 14;
  uint32_t hsize = Le32(ih);
  if (hsize < 40 || 14 + (size_t)hsize > size) return nullptr;
  int32_t width = (int32_t)Le32(ih + 4), height = (int32_t)Le32(ih + 8);
  int bpp = Le16(ih + 14);
  uint32_t compression = Le32(ih + 16), clrUsed = Le32(ih + 32);
  bool topDown = height < 0;
  if (topDown) height = -height;
  if (width <= 0 || height <= 0 || width > 8192 || height > 8192) return nullptr;
  if (!(bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24 || bpp == 32)) return nullptr;
  if (compression != BI_RGB && !(compression == BI_BITFIELDS && bpp == 32)) return nullptr;
  uint32_t colours = 0;
  if (bpp <= 8) {
    colours = clrUsed ? clrUsed : (1u << bpp);
    if (colours > (1u << bpp)) return nullptr;
  }
  size_t palOff = 14 + hsize + (compression == BI_BITFIELDS && hsize == 40 ? 12 : 0);
  if (palOff + (size_t)colours * 4 > size) return nullptr;
  uint32_t palette[256] = {};
  for (uint32_t i = 0; i < colours; ++i) {
    const uint8_t* q = data + palOff + i * 4;
    palette[i] = (q[2] << 16) | (q[1] << 8) | q[0];
  }
  size_t stride = (((size_t)width * bpp + 31) / 32) * 4;
  if (offBits > size || (size - offBits) / stride < (size_t)height) return nullptr;
  auto s = MakeSurface(width, height, 0);
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = data + offBits + (size_t)(topDown ? y : height - 1 - y) * stride;
    uint32_t* out = &s->px[(size_t)y * width];
    for (int x = 0; x < width; ++x) {
      switch (bpp) {
        case 1: out[x] = palette[(row[x / 8] >> (7 - x % 8)) & 1]; break;
        case 4: out[x] = palette[(row[x / 2] >> (x % 2 ? 0 : 4)) & 15]; break;
        case 8: out[x] = palette[row[x]]; break;
        case 24: out[x] = (row[x * 3 + 2] << 16) | (row[x * 3 + 1] << 8) | row[x * 3]; break;
        case 32: out[x] = Le32(row + x * 4) & 0xFFFFFF; break;
      }
    }
  }
  if (bitsPerPixel) *bitsPerPixel = bpp;
  return s;
}

}  // namespace lx

using namespace lx;

void LxRegisterResources(const LXRESOURCE* table, int count) {
  if (!table || count <= 0) return;
  Dl_info info{};
  struct link_map* map = nullptr;
  const void* module = dladdr1(table, &info, (void**)&map, RTLD_DL_LINKMAP) ? map : nullptr;
  std::lock_guard lock(ResLock());
  Tables().push_back(ResourceTable{module, table, count});
}

void LxForgetResources(const void* module) {
  if (!module) return;
  std::lock_guard lock(ResLock());
  auto& t = Tables();
  std::erase_if(t, [&](const ResourceTable& r) { return r.module == module; });
}

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
  WORD id;
  if (!IdOf(name, &id) || !type) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::lock_guard lock(ResLock());
  // A module with tables of its own is searched alone; a handle no table
  // knows (or none) falls back to every table, the program's before its
  // libraries'.
  bool own = false;
  for (auto& t : Tables()) own = own || (module && t.module == (const void*)module);
  for (auto& t : Tables()) {
    if (own && t.module != (const void*)module) continue;
    for (int i = 0; i < t.count; ++i)
      if (t.entries[i].id == id && SameType(t.entries[i].type, type)) return (HRSRC)&t.entries[i];
  }
  SetLastError(ERROR_FILE_NOT_FOUND);
  return nullptr;
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
  return resource ? (HGLOBAL)((const LXRESOURCE*)resource)->data : nullptr;
}

LPVOID LockResource(HGLOBAL data) { return data; }

DWORD SizeofResource(HMODULE, HRSRC resource) { return resource ? ((const LXRESOURCE*)resource)->size : 0; }

BOOL FreeResource(HGLOBAL) { return TRUE; }

int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int size) {
  HRSRC r = FindResourceW(instance, MAKEINTRESOURCEW(id), RT_STRING);
  if (!r || !buffer || size <= 0) return 0;
  lstrcpynW(buffer, (LPCWSTR)LockResource(LoadResource(instance, r)), size);
  return lstrlenW(buffer);
}

HBITMAP LoadBitmapW(HINSTANCE instance, LPCWSTR name) {
  HRSRC r = FindResourceW(instance, name, RT_BITMAP);
  if (!r) return nullptr;
  int bpp = 0;
  auto s = DecodeBmp((const uint8_t*)LockResource(LoadResource(instance, r)), SizeofResource(instance, r), &bpp);
  if (!s) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return AddBitmapSurface(s, bpp);
}
