#include "ports/ui/form.hpp"

#include <algorithm>

namespace kv::ui {

void Form::SetClientSize(int width, int height) {
    if (width < 0 || height < 0) throw Error(uierr::InvalidPropertyValue, name_, "Invalid property value (ClientSize)");
    clientWidth_ = width;
    clientHeight_ = height;
}

void Form::SetMousePointer(int pointer) {
    if (pointer == mousePointer_) return;
    mousePointer_ = pointer;
    if (view_) view_->ShowPointer(pointer);
}

void Form::Adopt(std::unique_ptr<Control> control) {
    const std::string& name = control->Name();
    if (name.empty()) throw Error(uierr::InvalidPropertyValue, name_, "Invalid property value (control name)");
    if (byName_.contains(name))
        throw Error(uierr::InvalidPropertyValue, name_, "A control named " + name + " exists already");
    byName_.emplace(name, control.get());
    order_.push_back(control.get());
    controls_.push_back(std::move(control));
}

Control* Form::Find(std::string_view name) const {
    const auto it = byName_.find(std::string(name));
    return it == byName_.end() ? nullptr : it->second;
}

Control& Form::Require(std::string_view name) const {
    Control* c = Find(name);
    if (c == nullptr) throw Error(uierr::ElementNotFound, name_, "Control not found: " + std::string(name));
    return *c;
}

std::vector<Control*> Form::TabOrder() const {
    std::vector<Control*> out;
    for (Control* c : order_) {
        if (c->TabIndex() >= 0) out.push_back(c);
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const Control* a, const Control* b) { return a->TabIndex() < b->TabIndex(); });
    return out;
}

void Form::RemoveAllControls() {
    active_ = nullptr;
    byName_.clear();
    order_.clear();
    controls_.clear();
}

void Form::ShowModal(View& view) {
    if (loaded_) throw Error(400, name_, "Form already displayed; can't show modally");
    RemoveAllControls();
    mousePointer_ = pointer::Default;
    Design();
    for (Control* c : TabOrder()) {
        if (c->AcceptsInput()) {
            active_ = c;
            break;
        }
    }
    loaded_ = true;
    try {
        Load.Raise();
    } catch (...) {
        loaded_ = false;
        throw;
    }
    view_ = &view;
    try {
        view.ShowModal(*this);
    } catch (...) {
        view_ = nullptr;
        if (loaded_) Unload();
        throw;
    }
    view_ = nullptr;
    if (loaded_) Unload();
}

void Form::Unload() {
    if (!loaded_) return;
    loaded_ = false;
    UnloadEvent.Raise();
}

void Form::DoEvents() {
    if (view_) view_->DoEvents();
}

}  // namespace kv::ui
