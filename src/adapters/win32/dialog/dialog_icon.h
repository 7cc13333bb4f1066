#pragma once
// The resource id of the dialog's icon (dialog_icon.rc, made by
// scripts/icon/make_icon.py), shared by the resource script and the view.
#define KV_DIALOG_ICON 101
