#pragma once
// The add-in's small pictures (job, closed and open folder, search), drawn
// with GDI so the DLL carries no bitmap resources of its own.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "adapters/win32/dialog/gdi_owners.hpp"

namespace kv::win32::dialog {

// A 16 x 16 picture for key ("job", "folc", "folo", "search"; anything else
// gets a plain document).
UniqueBitmap DrawPicture(const std::string& key);

// An image list holding the pictures of keys in that order (index = position).
UniqueImageList MakeImageList(const std::vector<std::string>& keys);
// The position of key in keys (its picture in such a list), or -1.
int ImageIndex(const std::vector<std::string>& keys, const std::string& key);

}  // namespace kv::win32::dialog
