#pragma once
// Binders of the controls with little state: labels, buttons, check boxes,
// pictures, combo boxes and lines.
#include <string>
#include <vector>

#include "adapters/win32/dialog/control_binder.hpp"
#include "adapters/win32/dialog/gdi_owners.hpp"

namespace kv::win32::dialog {

class LabelBinder final : public ControlBinder {
public:
    using ControlBinder::ControlBinder;

private:
    void SyncState() override;
};

class ButtonBinder final : public ControlBinder {
public:
    using ControlBinder::ControlBinder;
    void Command(int code) override;

private:
    void Init(HWND dialog) override;
    void SyncState() override;
    UniqueBitmap picture_;  // the window shows it, and does not free it
};

class CheckBoxBinder final : public ControlBinder {
public:
    using ControlBinder::ControlBinder;
    void Command(int code) override;

private:
    void SyncState() override;
    int check_ = -1;
};

class PictureBinder final : public ControlBinder {
public:
    using ControlBinder::ControlBinder;

private:
    void Init(HWND dialog) override;
    UniqueBitmap picture_;
};

class ComboBoxBinder final : public ControlBinder {
public:
    using ControlBinder::ControlBinder;
    void Command(int code) override;

private:
    void SyncState() override;
    RECT Bounds() const override;
    std::vector<std::string> items_;
};

// A separator line: an etched frame two pixels high.
class LineBinder final : public ControlBinder {
public:
    using ControlBinder::ControlBinder;

private:
    RECT Bounds() const override;
};

}  // namespace kv::win32::dialog
