#pragma once
// The controls that only show something or only report a click: label,
// button, picture, line, and the image list the list and tree views draw
// their pictures from.
#include <string>
#include <vector>

#include "ports/ui/control.hpp"
#include "ports/ui/event.hpp"

namespace kv::ui {

class Label : public Control {
public:
    explicit Label(std::string name) : Control(ControlKind::Label, std::move(name)) {}
    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption) { caption_ = std::move(caption); }

private:
    std::string caption_;
};

class Button : public Control {
public:
    explicit Button(std::string name) : Control(ControlKind::Button, std::move(name)) {}
    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption) { caption_ = std::move(caption); }
    // Key of the picture a picture-only button shows ("" for none).
    const std::string& Picture() const { return picture_; }
    void SetPicture(std::string key) { picture_ = std::move(key); }

    Event<> Click;

    // The user pressed the button: raises Click when the button takes input,
    // and answers whether it did.
    bool UserClick();

private:
    std::string caption_;
    std::string picture_;
};

class Picture : public Control {
public:
    explicit Picture(std::string name) : Control(ControlKind::Picture, std::move(name)) {}
    const std::string& Image() const { return image_; }
    void SetImage(std::string key) { image_ = std::move(key); }

private:
    std::string image_;
};

// A straight line; Left/Top is its start, Width/Height its extent.
class Line : public Control {
public:
    explicit Line(std::string name) : Control(ControlKind::Line, std::move(name)) {}
    int X2() const { return Left() + Width(); }
    int Y2() const { return Top() + Height(); }
};

// Pictures by key; the core knows only the keys, a view supplies the pixels.
class ImageList : public Control {
public:
    explicit ImageList(std::string name) : Control(ControlKind::ImageList, std::move(name)) { SetVisible(false); }
    int ImageWidth() const { return imageWidth_; }
    int ImageHeight() const { return imageHeight_; }
    void SetImageSize(int width, int height);

    // Adds a picture; an empty or repeated key fails with an Error.
    void Add(const std::string& key);
    bool Contains(const std::string& key) const;
    const std::vector<std::string>& Keys() const { return keys_; }
    int Count() const { return static_cast<int>(keys_.size()); }

private:
    int imageWidth_ = 16, imageHeight_ = 16;
    std::vector<std::string> keys_;
};

// Fails with ElementNotFound unless key is "" or a picture of images (when
// images is null any key is taken: the control has no image list yet).
void CheckImageKey(const ImageList* images, const std::string& key, const Control& owner);

}  // namespace kv::ui
