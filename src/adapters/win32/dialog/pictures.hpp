#pragma once
// The add-in's small pictures (job, closed and open folder, search), drawn
// with GDI so the DLL carries no bitmap resources of its own.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace kv::win32::dialog {

// A 16 x 16 picture for key ("job", "folc", "folo", "search"; anything else
// gets a plain document). The caller deletes the bitmap.
HBITMAP DrawPicture(const std::string& key);

// An image list holding the pictures of keys in that order (index = position).
HIMAGELIST MakeImageList(const std::vector<std::string>& keys);

}  // namespace kv::win32::dialog
