// Command bars of the stand-in host. Bars that are not temporary are written
// to the manifest whenever they or their buttons change, as the host keeps
// them between runs.
#include <algorithm>

#include "adapters/mailstore/store_internal.hpp"

namespace kv::mailstore {

class StoreBar;

class StoreButton : public outlook::CommandBarButton, public std::enable_shared_from_this<StoreButton> {
public:
    StoreButton(std::weak_ptr<StoreBar> bar, KeptButton data) : bar_(std::move(bar)), data_(std::move(data)) {}

    std::string Caption() const override { return Get().caption; }
    void SetCaption(const std::string& v) override {
        Set([&](KeptButton& b) { b.caption = v; });
    }
    std::string Tag() const override { return Get().tag; }
    void SetTag(const std::string& v) override {
        Set([&](KeptButton& b) { b.tag = v; });
    }
    std::string TooltipText() const override { return Get().tooltip; }
    void SetTooltipText(const std::string& v) override {
        Set([&](KeptButton& b) { b.tooltip = v; });
    }
    bool BeginGroup() const override { return Get().beginGroup; }
    void SetBeginGroup(bool v) override {
        Set([&](KeptButton& b) { b.beginGroup = v; });
    }
    std::string OnAction() const override { return Get().onAction; }
    void SetOnAction(const std::string& v) override {
        Set([&](KeptButton& b) { b.onAction = v; });
    }
    std::int32_t FaceId() const override { return Get().faceId; }
    void SetFaceId(std::int32_t v) override {
        Set([&](KeptButton& b) { b.faceId = v; });
    }
    std::int32_t Style() const override { return Get().style; }
    void SetStyle(std::int32_t v) override {
        if (v < outlook::buttonstyle::Icon - 1 || v > outlook::buttonstyle::IconAndCaption)
            throw Error(errnum::InvalidArgument, "CommandBarButton", "Invalid button style " + std::to_string(v));
        Set([&](KeptButton& b) { b.style = v; });
    }
    bool Visible() const override { return Get().visible; }
    void SetVisible(bool v) override {
        Set([&](KeptButton& b) { b.visible = v; });
    }
    std::string Parameter() const override { return Get().parameter; }
    std::shared_ptr<outlook::CommandBar> GetParent() const override;
    void Delete() override;
    outlook::Subscription OnClick(
        std::function<void(std::shared_ptr<outlook::CommandBarButton>, bool&)> handler) override {
        Get();
        return click_.Subscribe(std::move(handler));
    }

    bool Alive() const { return !deleted_; }
    void MarkDeleted() { deleted_ = true; }
    const KeptButton& Data() const { return data_; }
    void Raise(const std::shared_ptr<outlook::CommandBarButton>& ctrl, bool& cancel) { click_.Raise(ctrl, cancel); }

private:
    const KeptButton& Get() const;
    template <class F>
    void Set(F&& change);

    std::weak_ptr<StoreBar> bar_;
    KeptButton data_;
    bool deleted_ = false;
    outlook::Event<std::shared_ptr<outlook::CommandBarButton>, bool&> click_;
};

class StoreBar : public outlook::CommandBar, public std::enable_shared_from_this<StoreBar> {
public:
    StoreBar(std::weak_ptr<StoreState> state, std::weak_ptr<StoreCommandBars> owner, std::string windowKind,
             std::weak_ptr<outlook::Window> window, std::string name, std::int32_t position, bool temporary)
        : state_(std::move(state)),
          owner_(std::move(owner)),
          windowKind_(std::move(windowKind)),
          window_(std::move(window)),
          name_(std::move(name)),
          position_(position),
          temporary_(temporary) {}

    std::string Name() const override { return CheckAlive(), name_; }
    bool Visible() const override { return CheckAlive(), visible_; }
    void SetVisible(bool value) override {
        CheckAlive();
        visible_ = value;
        Changed();
    }
    std::int32_t Position() const override { return CheckAlive(), position_; }
    bool Temporary() const override { return CheckAlive(), temporary_; }
    std::shared_ptr<outlook::CommandBarControls> GetControls() override;
    std::shared_ptr<outlook::CommandBarControl> FindControl(const std::string& tag) override {
        CheckAlive();
        for (const auto& button : buttons_)
            if (button->Data().tag == tag) return button;
        return nullptr;
    }
    void Delete() override;
    std::shared_ptr<outlook::Window> GetParent() const override {
        CheckAlive();
        auto window = window_.lock();
        if (!window) Gone("The window of this command bar is closed");
        return window;
    }

    void CheckAlive() const {
        if (deleted_) Gone("The command bar \"" + name_ + "\" was deleted");
        Lock(state_);
    }
    bool Alive() const { return !deleted_; }
    void SetVisibleQuietly(bool value) { visible_ = value; }
    void MarkDeleted() {
        deleted_ = true;
        for (auto& b : buttons_) b->MarkDeleted();
    }
    // Records the bar in the manifest when it is kept between runs.
    void Changed() {
        if (temporary_ || deleted_) return;
        KeptBar kept{windowKind_, name_, visible_, position_, {}};
        for (const auto& b : buttons_) kept.buttons.push_back(b->Data());
        Lock(state_)->KeepBar(kept);
    }
    std::shared_ptr<StoreButton> AddButton(KeptButton data) {
        auto button = std::make_shared<StoreButton>(weak_from_this(), std::move(data));
        buttons_.push_back(button);
        return button;
    }
    void RemoveButton(const StoreButton* button) {
        std::erase_if(buttons_, [button](const auto& b) { return b.get() == button; });
        Changed();
    }
    const std::vector<std::shared_ptr<StoreButton>>& Buttons() const { return buttons_; }

private:
    std::weak_ptr<StoreState> state_;
    std::weak_ptr<StoreCommandBars> owner_;
    std::string windowKind_;
    std::weak_ptr<outlook::Window> window_;
    std::string name_;
    std::int32_t position_;
    bool temporary_;
    bool visible_ = false;  // the host adds a command bar hidden
    bool deleted_ = false;
    std::vector<std::shared_ptr<StoreButton>> buttons_;
};

class StoreControls : public outlook::CommandBarControls {
public:
    explicit StoreControls(std::shared_ptr<StoreBar> bar) : bar_(std::move(bar)) {}
    std::int32_t Count() const override {
        bar_->CheckAlive();
        return static_cast<std::int32_t>(bar_->Buttons().size());
    }
    std::shared_ptr<outlook::CommandBarControl> Item(std::int32_t index) const override {
        bar_->CheckAlive();
        const auto& buttons = bar_->Buttons();
        if (index < 1 || index > static_cast<std::int32_t>(buttons.size()))
            throw Error(outlook::hosterr::InvalidIndex, "CommandBarControls",
                        "No control at position " + std::to_string(index));
        return buttons[static_cast<std::size_t>(index - 1)];
    }
    std::shared_ptr<outlook::CommandBarButton> Add(std::int32_t type, const std::string& parameter) override {
        bar_->CheckAlive();
        if (type != outlook::ControlButton)
            throw Error(errnum::InvalidArgument, "CommandBarControls",
                        "Only buttons can be added (type " + std::to_string(type) + ")");
        KeptButton data;
        data.parameter = parameter;
        auto button = bar_->AddButton(std::move(data));
        bar_->Changed();
        return button;
    }

private:
    std::shared_ptr<StoreBar> bar_;
};

class StoreCommandBars : public outlook::CommandBars, public std::enable_shared_from_this<StoreCommandBars> {
public:
    StoreCommandBars(std::weak_ptr<StoreState> state, std::string windowKind, std::weak_ptr<outlook::Window> window)
        : state_(std::move(state)), windowKind_(std::move(windowKind)), window_(std::move(window)) {}

    void LoadKept() {
        for (const auto& kept : Lock(state_)->manifest.bars) {
            if (kept.windowKind != windowKind_) continue;
            auto bar = NewBar(kept.name, kept.position, false);
            bar->SetVisibleQuietly(kept.visible);
            for (const auto& b : kept.buttons) bar->AddButton(b);
        }
    }
    std::int32_t Count() const override {
        Lock(state_);
        return static_cast<std::int32_t>(bars_.size());
    }
    std::shared_ptr<outlook::CommandBar> Item(const std::string& name) const override {
        if (closed_) Gone("The window is closed");
        Lock(state_);
        for (const auto& bar : bars_)
            if (bar->Name() == name) return bar;
        throw Error(outlook::hosterr::InvalidIndex, "CommandBars", "No command bar named \"" + name + "\"");
    }
    std::shared_ptr<outlook::CommandBar> Add(const std::string& name, std::int32_t position, bool temporary) override {
        if (closed_) Gone("The window is closed");
        Lock(state_);
        if (name.empty()) throw Error(errnum::InvalidArgument, "CommandBars", "A command bar needs a name");
        for (const auto& bar : bars_)
            if (bar->Name() == name)
                throw Error(outlook::hosterr::Failed, "CommandBars", "A command bar named \"" + name + "\" exists");
        auto bar = NewBar(name, position, temporary);
        bar->Changed();
        return bar;
    }

    void Remove(const StoreBar* bar, const std::string& name, bool temporary) {
        std::erase_if(bars_, [bar](const auto& b) { return b.get() == bar; });
        if (!temporary) Lock(state_)->ForgetBar(windowKind_, name);
    }
    void Close() {
        closed_ = true;
        for (auto& bar : bars_) bar->MarkDeleted();
        bars_.clear();
    }
    const std::vector<std::shared_ptr<StoreBar>>& Bars() const { return bars_; }

private:
    std::shared_ptr<StoreBar> NewBar(const std::string& name, std::int32_t position, bool temporary);

    std::weak_ptr<StoreState> state_;
    std::string windowKind_;
    std::weak_ptr<outlook::Window> window_;
    std::vector<std::shared_ptr<StoreBar>> bars_;
    bool closed_ = false;
};

std::shared_ptr<StoreBar> StoreCommandBars::NewBar(const std::string& name, std::int32_t position, bool temporary) {
    auto bar = std::make_shared<StoreBar>(state_, weak_from_this(), windowKind_, window_, name, position, temporary);
    bars_.push_back(bar);
    return bar;
}

const KeptButton& StoreButton::Get() const {
    auto bar = bar_.lock();
    if (deleted_ || !bar || !bar->Alive()) Gone("The button was deleted");
    bar->CheckAlive();
    return data_;
}

template <class F>
void StoreButton::Set(F&& change) {
    Get();
    change(data_);
    if (auto bar = bar_.lock()) bar->Changed();
}

std::shared_ptr<outlook::CommandBar> StoreButton::GetParent() const {
    Get();
    return bar_.lock();
}

void StoreButton::Delete() {
    Get();
    auto bar = bar_.lock();
    deleted_ = true;
    bar->RemoveButton(this);
}

std::shared_ptr<outlook::CommandBarControls> StoreBar::GetControls() {
    CheckAlive();
    return std::make_shared<StoreControls>(shared_from_this());
}

void StoreBar::Delete() {
    CheckAlive();
    auto self = shared_from_this();
    MarkDeleted();
    if (auto owner = owner_.lock()) owner->Remove(this, name_, temporary_);
}

std::shared_ptr<StoreCommandBars> MakeCommandBars(std::weak_ptr<StoreState> state, std::string windowKind,
                                                  std::weak_ptr<outlook::Window> window) {
    auto bars = std::make_shared<StoreCommandBars>(std::move(state), std::move(windowKind), std::move(window));
    bars->LoadKept();
    return bars;
}

std::shared_ptr<outlook::CommandBars> AsPort(const std::shared_ptr<StoreCommandBars>& bars) { return bars; }

void CollectButtons(const StoreCommandBars& bars, std::vector<std::shared_ptr<outlook::CommandBarButton>>& out) {
    for (const auto& bar : bars.Bars())
        for (const auto& button : bar->Buttons())
            if (button->Alive()) out.push_back(button);
}

void CloseBars(StoreCommandBars& bars) { bars.Close(); }

void RaiseClick(outlook::CommandBarButton& target, const std::shared_ptr<outlook::CommandBarButton>& ctrl,
                bool& cancelDefault) {
    static_cast<StoreButton&>(target).Raise(ctrl, cancelDefault);
}

bool IsStoreButton(const outlook::CommandBarButton& button) {
    return dynamic_cast<const StoreButton*>(&button) != nullptr;
}

}  // namespace kv::mailstore
