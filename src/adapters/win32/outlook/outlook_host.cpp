#include "adapters/win32/outlook/outlook_host.hpp"

#include <oleidl.h>

#include <utility>

#include "adapters/win32/outlook/late_bound.hpp"
#include "support/error.hpp"

namespace kv::win32::outlook {
namespace ol = kv::outlook;

namespace {

// Event interfaces and DISPIDs of the host's object model.
constexpr IID kExplorersEvents = {0x00063078, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kInspectorsEvents = {0x00063079, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kExplorerEvents10 = {0x0006300F, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kInspectorEvents10 = {0x0006302A, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kCommandBarButtonEvents = {0x000C0351, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr DISPID kNewInspector = 0xF001;
constexpr DISPID kNewExplorer = 0xF001;
constexpr DISPID kBeforeFolderSwitch = 0xF003;
constexpr DISPID kClose = 0xF008;
constexpr DISPID kClick = 1;

// The frame window behind an explorer or inspector, as Outlook's windows
// tell it through IOleWindow; 0 when the object has none.
NativeWindow FrameWindow(const Dispatch& window) noexcept {
    ComPtr<IOleWindow> ole;
    HWND hwnd = nullptr;
    if (!window.Get() || FAILED(window.Get()->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(ole.Put()))) ||
        FAILED(ole->GetWindow(&hwnd)))
        return 0;
    return reinterpret_cast<NativeWindow>(hwnd);
}

// An event argument passed by reference as VARIANT_BOOL (Cancel,
// CancelDefault): read it, let the handler change it, write it back.
class ByRefBool {
public:
    explicit ByRefBool(VARIANT* v) : v_(v) {
        if (v_ && v_->vt == (VT_BOOL | VT_BYREF) && v_->pboolVal) value_ = *v_->pboolVal != VARIANT_FALSE;
    }
    bool& Value() { return value_; }
    void WriteBack() {
        if (v_ && v_->vt == (VT_BOOL | VT_BYREF) && v_->pboolVal) *v_->pboolVal = value_ ? VARIANT_TRUE : VARIANT_FALSE;
    }

private:
    VARIANT* v_;
    bool value_ = false;
};

ComPtr<IDispatch> ObjectArg(const std::vector<VARIANT*>& args, std::size_t index) {
    if (index >= args.size()) return {};
    return Var(*args[index]).Object();
}

ol::Subscription Subscribe(const Dispatch& source, REFIID iid, DISPID wanted,
                           std::function<void(std::vector<VARIANT*>&)> handler) {
    auto cancel = Advise(source, iid, [wanted, handler = std::move(handler)](DISPID id, std::vector<VARIANT*>& args) {
        if (id == wanted) handler(args);
    });
    return ol::Subscription(std::move(cancel));
}

class Folder final : public ol::Folder {
public:
    explicit Folder(Dispatch d) : d_(std::move(d)) {}
    std::string Name() const override { return d_.Text(L"Name"); }
    std::string DefaultMessageClass() const override { return d_.Text(L"DefaultMessageClass"); }
    const Dispatch& Object() const { return d_; }

private:
    Dispatch d_;
};

std::shared_ptr<ol::Application> ApplicationOf(const Dispatch& d) {
    return WrapApplication(d.Object(L"Application").Ptr());
}

class Item final : public ol::Item {
public:
    explicit Item(Dispatch d) : d_(std::move(d)) {}
    std::int32_t Class() const override { return d_.Int(L"Class"); }
    std::string EntryID() const override { return d_.Text(L"EntryID"); }
    std::string Subject() const override { return d_.Text(L"Subject"); }
    bool Sent() const override { return d_.Bool(L"Sent"); }
    DateTime ReceivedTime() const override { return d_.Date(L"ReceivedTime"); }
    std::int32_t Importance() const override { return d_.Int(L"Importance"); }
    void Move(ol::Folder& destination) override {
        auto* folder = dynamic_cast<Folder*>(&destination);
        if (!folder) throw Error(errnum::TypeMismatch, "Outlook", "Type mismatch: the folder is not an Outlook folder");
        // Move answers the moved item; this object keeps standing for it.
        Var moved = d_.Call(L"Move", {Var(folder->Object().Get())});
        if (ComPtr<IDispatch> object = moved.Object()) d_ = Dispatch(std::move(object));
    }
    void Close(std::int32_t mode) override { d_.Call(L"Close", {Var(mode)}); }
    std::shared_ptr<ol::Application> GetApplication() const override { return ApplicationOf(d_); }
    const Dispatch& Object() const { return d_; }

private:
    Dispatch d_;
};

std::shared_ptr<ol::Item> WrapItem(Dispatch d) { return std::make_shared<Item>(std::move(d)); }

class NameSpace final : public ol::NameSpace {
public:
    explicit NameSpace(Dispatch d) : d_(std::move(d)) {}
    std::shared_ptr<ol::Folder> GetDefaultFolder(std::int32_t folderType) override {
        return std::make_shared<Folder>(d_.Object(L"GetDefaultFolder", {Var(folderType)}));
    }
    std::shared_ptr<ol::Item> GetItemFromID(const std::string& entryId) override {
        return WrapItem(d_.Object(L"GetItemFromID", {Var(entryId)}));
    }

private:
    Dispatch d_;
};

class Selection final : public ol::Selection {
public:
    explicit Selection(Dispatch d) : d_(std::move(d)) {}
    std::int32_t Count() const override { return d_.Int(L"Count"); }
    std::shared_ptr<ol::Item> Item(std::int32_t index) const override {
        return WrapItem(d_.Object(L"Item", {Var(index)}));
    }

private:
    Dispatch d_;
};

std::shared_ptr<ol::CommandBars> WrapCommandBars(Dispatch d);

class Explorer final : public ol::Explorer {
public:
    explicit Explorer(Dispatch d) : d_(std::move(d)) {}
    std::shared_ptr<ol::CommandBars> GetCommandBars() override { return WrapCommandBars(d_.Object(L"CommandBars")); }
    std::shared_ptr<ol::Application> GetApplication() const override { return ApplicationOf(d_); }
    NativeWindow Handle() const override { return FrameWindow(d_); }
    std::shared_ptr<ol::Folder> GetCurrentFolder() const override {
        return std::make_shared<Folder>(d_.Object(L"CurrentFolder"));
    }
    std::shared_ptr<ol::Selection> GetSelection() const override {
        return std::make_shared<Selection>(d_.Object(L"Selection"));
    }
    ol::Subscription OnBeforeFolderSwitch(
        std::function<void(std::shared_ptr<ol::Folder> newFolder, bool& cancel)> handler) override {
        return Subscribe(d_, kExplorerEvents10, kBeforeFolderSwitch, [handler](std::vector<VARIANT*>& args) {
            ComPtr<IDispatch> folder = ObjectArg(args, 0);
            ByRefBool cancel(args.size() > 1 ? args[1] : nullptr);
            handler(folder ? std::make_shared<Folder>(Dispatch(folder)) : nullptr, cancel.Value());
            cancel.WriteBack();
        });
    }
    ol::Subscription OnClose(std::function<void()> handler) override {
        return Subscribe(d_, kExplorerEvents10, kClose, [handler](std::vector<VARIANT*>&) { handler(); });
    }

private:
    Dispatch d_;
};

class Inspector final : public ol::Inspector {
public:
    explicit Inspector(Dispatch d) : d_(std::move(d)) {}
    std::shared_ptr<ol::CommandBars> GetCommandBars() override { return WrapCommandBars(d_.Object(L"CommandBars")); }
    std::shared_ptr<ol::Application> GetApplication() const override { return ApplicationOf(d_); }
    NativeWindow Handle() const override { return FrameWindow(d_); }
    std::shared_ptr<ol::Item> GetCurrentItem() const override { return WrapItem(d_.Object(L"CurrentItem")); }
    ol::Subscription OnClose(std::function<void()> handler) override {
        return Subscribe(d_, kInspectorEvents10, kClose, [handler](std::vector<VARIANT*>&) { handler(); });
    }

private:
    Dispatch d_;
};

// A bar's parent is an explorer or an inspector; only an inspector shows an item.
std::shared_ptr<ol::Window> WrapWindow(Dispatch d) {
    if (d.Has(L"CurrentItem")) return std::make_shared<Inspector>(std::move(d));
    return std::make_shared<Explorer>(std::move(d));
}

class Explorers final : public ol::Explorers {
public:
    explicit Explorers(Dispatch d) : d_(std::move(d)) {}
    std::int32_t Count() const override { return d_.Int(L"Count"); }
    std::shared_ptr<ol::Explorer> Item(std::int32_t index) override {
        return std::make_shared<Explorer>(d_.Object(L"Item", {Var(index)}));
    }
    ol::Subscription OnNewExplorer(std::function<void(std::shared_ptr<ol::Explorer>)> handler) override {
        return Subscribe(d_, kExplorersEvents, kNewExplorer, [handler](std::vector<VARIANT*>& args) {
            if (ComPtr<IDispatch> explorer = ObjectArg(args, 0))
                handler(std::make_shared<Explorer>(Dispatch(std::move(explorer))));
        });
    }

private:
    Dispatch d_;
};

class Inspectors final : public ol::Inspectors {
public:
    explicit Inspectors(Dispatch d) : d_(std::move(d)) {}
    std::int32_t Count() const override { return d_.Int(L"Count"); }
    ol::Subscription OnNewInspector(std::function<void(std::shared_ptr<ol::Inspector>)> handler) override {
        return Subscribe(d_, kInspectorsEvents, kNewInspector, [handler](std::vector<VARIANT*>& args) {
            if (ComPtr<IDispatch> inspector = ObjectArg(args, 0))
                handler(std::make_shared<Inspector>(Dispatch(std::move(inspector))));
        });
    }

private:
    Dispatch d_;
};

class Application final : public ol::Application {
public:
    explicit Application(Dispatch d) : d_(std::move(d)) {}
    std::shared_ptr<ol::NameSpace> GetNamespace(const std::string& type) override {
        return std::make_shared<NameSpace>(d_.Object(L"GetNamespace", {Var(type)}));
    }
    std::shared_ptr<ol::Explorer> ActiveExplorer() override {
        ComPtr<IDispatch> explorer = d_.Call(L"ActiveExplorer").Object();
        if (!explorer) return nullptr;
        return std::make_shared<Explorer>(Dispatch(std::move(explorer)));
    }
    std::shared_ptr<ol::Explorers> GetExplorers() override {
        return std::make_shared<Explorers>(d_.Object(L"Explorers"));
    }
    std::shared_ptr<ol::Inspectors> GetInspectors() override {
        return std::make_shared<Inspectors>(d_.Object(L"Inspectors"));
    }

private:
    Dispatch d_;
};

// ---- command bars -------------------------------------------------------

std::shared_ptr<ol::CommandBar> WrapCommandBar(Dispatch d);

class Button final : public ol::CommandBarButton, public std::enable_shared_from_this<Button> {
public:
    explicit Button(Dispatch d) : d_(std::move(d)) {}
    std::string Caption() const override { return d_.Text(L"Caption"); }
    void SetCaption(const std::string& value) override { d_.Put(L"Caption", Var(value)); }
    std::string Tag() const override { return d_.Text(L"Tag"); }
    void SetTag(const std::string& value) override { d_.Put(L"Tag", Var(value)); }
    std::string TooltipText() const override { return d_.Text(L"TooltipText"); }
    void SetTooltipText(const std::string& value) override { d_.Put(L"TooltipText", Var(value)); }
    bool BeginGroup() const override { return d_.Bool(L"BeginGroup"); }
    void SetBeginGroup(bool value) override { d_.Put(L"BeginGroup", Var(value)); }
    std::string OnAction() const override { return d_.Text(L"OnAction"); }
    void SetOnAction(const std::string& value) override { d_.Put(L"OnAction", Var(value)); }
    std::int32_t FaceId() const override { return d_.Int(L"FaceId"); }
    void SetFaceId(std::int32_t value) override { d_.Put(L"FaceId", Var(value)); }
    std::int32_t Style() const override { return d_.Int(L"Style"); }
    void SetStyle(std::int32_t value) override { d_.Put(L"Style", Var(value)); }
    bool Visible() const override { return d_.Bool(L"Visible"); }
    void SetVisible(bool value) override { d_.Put(L"Visible", Var(value)); }
    std::string Parameter() const override { return d_.Text(L"Parameter"); }
    std::shared_ptr<ol::CommandBar> GetParent() const override { return WrapCommandBar(d_.Object(L"Parent")); }
    void Delete() override { d_.Call(L"Delete"); }
    ol::Subscription OnClick(
        std::function<void(std::shared_ptr<ol::CommandBarButton> ctrl, bool& cancelDefault)> handler) override {
        return Subscribe(d_, kCommandBarButtonEvents, kClick, [handler](std::vector<VARIANT*>& args) {
            ComPtr<IDispatch> ctrl = ObjectArg(args, 0);
            ByRefBool cancel(args.size() > 1 ? args[1] : nullptr);
            handler(ctrl ? std::make_shared<Button>(Dispatch(std::move(ctrl))) : nullptr, cancel.Value());
            cancel.WriteBack();
        });
    }

private:
    Dispatch d_;
};

class Controls final : public ol::CommandBarControls {
public:
    explicit Controls(Dispatch d) : d_(std::move(d)) {}
    std::int32_t Count() const override { return d_.Int(L"Count"); }
    std::shared_ptr<ol::CommandBarControl> Item(std::int32_t index) const override {
        return std::make_shared<Button>(d_.Object(L"Item", {Var(index)}));
    }
    std::shared_ptr<ol::CommandBarButton> Add(std::int32_t type, const std::string& parameter) override {
        if (type != ol::ControlButton)
            throw Error(errnum::InvalidArgument, "Outlook", "Only buttons are added to a command bar");
        // Add(Type, Id, Parameter, Before, Temporary)
        return std::make_shared<Button>(d_.Object(L"Add", {Var(type), Var::Missing(), Var(parameter)}));
    }

private:
    Dispatch d_;
};

class CommandBar final : public ol::CommandBar {
public:
    explicit CommandBar(Dispatch d) : d_(std::move(d)) {}
    std::string Name() const override { return d_.Text(L"Name"); }
    bool Visible() const override { return d_.Bool(L"Visible"); }
    void SetVisible(bool value) override { d_.Put(L"Visible", Var(value)); }
    std::int32_t Position() const override { return d_.Int(L"Position"); }
    bool Temporary() const override { return d_.Bool(L"Temporary"); }
    std::shared_ptr<ol::CommandBarControls> GetControls() override {
        return std::make_shared<Controls>(d_.Object(L"Controls"));
    }
    std::shared_ptr<ol::CommandBarControl> FindControl(const std::string& tag) override {
        // FindControl(Type, Id, Tag, Visible, Recursive): by tag only.
        ComPtr<IDispatch> found = d_.Call(L"FindControl", {Var::Missing(), Var::Missing(), Var(tag)}).Object();
        if (!found) return nullptr;
        return std::make_shared<Button>(Dispatch(std::move(found)));
    }
    void Delete() override { d_.Call(L"Delete"); }
    std::shared_ptr<ol::Window> GetParent() const override { return WrapWindow(d_.Object(L"Parent")); }

private:
    Dispatch d_;
};

std::shared_ptr<ol::CommandBar> WrapCommandBar(Dispatch d) { return std::make_shared<CommandBar>(std::move(d)); }

class CommandBars final : public ol::CommandBars {
public:
    explicit CommandBars(Dispatch d) : d_(std::move(d)) {}
    std::int32_t Count() const override { return d_.Int(L"Count"); }
    std::shared_ptr<ol::CommandBar> Item(const std::string& name) const override {
        return WrapCommandBar(d_.Object(L"Item", {Var(name)}));
    }
    std::shared_ptr<ol::CommandBar> Add(const std::string& name, std::int32_t position, bool temporary) override {
        // Add(Name, Position, MenuBar, Temporary)
        return WrapCommandBar(d_.Object(L"Add", {Var(name), Var(position), Var::Missing(), Var(temporary)}));
    }

private:
    Dispatch d_;
};

std::shared_ptr<ol::CommandBars> WrapCommandBars(Dispatch d) { return std::make_shared<CommandBars>(std::move(d)); }

// ---- mail wrapper -------------------------------------------------------

class AddressEntry final : public ol::AddressEntry {
public:
    explicit AddressEntry(Dispatch d) : d_(std::move(d)) {}
    std::string Name() const override { return Live().Text(L"Name"); }
    std::string Address() const override { return Live().Text(L"Address"); }
    void Close() override { d_ = Dispatch(); }

private:
    const Dispatch& Live() const {
        if (!d_) throw Error(91, "Outlook", "Object variable not set: the sender entry was closed");
        return d_;
    }
    Dispatch d_;
};

// The sender as the mail's own fields give it.
class FieldsAddressEntry final : public ol::AddressEntry {
public:
    FieldsAddressEntry(std::string name, std::string address) : name_(std::move(name)), address_(std::move(address)) {}
    std::string Name() const override { return Live(name_); }
    std::string Address() const override { return Live(address_); }
    void Close() override { closed_ = true; }

private:
    const std::string& Live(const std::string& field) const {
        if (closed_) throw Error(91, "Outlook", "Object variable not set: the sender entry was closed");
        return field;
    }
    std::string name_, address_;
    bool closed_ = false;
};

class MailWrapper final : public ol::MailWrapper {
public:
    void SetItem(std::shared_ptr<ol::Item> item) override {
        auto* own = dynamic_cast<Item*>(item.get());
        if (!own) throw Error(errnum::TypeMismatch, "MailWrapper", "Type mismatch: not an Outlook item");
        ol::AsMailItem(item);
        item_ = std::move(item);
        mail_ = own->Object();
    }
    std::shared_ptr<ol::Item> GetItem() const override {
        Mail();
        return item_;
    }
    void Save() override { Mail().Call(L"Save"); }
    void SaveAs(const std::string& path, std::int32_t format) override {
        Mail().Call(L"SaveAs", {Var(path), Var(format)});
    }
    bool ResolveAll() override { return Mail().Object(L"Recipients").Call(L"ResolveAll").Bool(); }
    void Send() override { Mail().Call(L"Send"); }
    std::unique_ptr<ol::AddressEntry> Sender() override {
        // Unsent mails have no sender (Nothing). A host without the Sender
        // property still names the sender of a sent mail in two fields.
        if (!Mail().Has(L"Sender")) {
            if (!Mail().Bool(L"Sent")) return nullptr;
            return std::make_unique<FieldsAddressEntry>(Mail().Text(L"SenderName"), Mail().Text(L"SenderEmailAddress"));
        }
        ComPtr<IDispatch> sender = Mail().Get(L"Sender").Object();
        if (!sender) return nullptr;
        return std::make_unique<AddressEntry>(Dispatch(std::move(sender)));
    }
    std::string SenderName() const override { return Mail().Text(L"SenderName"); }
    std::string To() const override { return Mail().Text(L"To"); }
    std::string Cc() const override { return Mail().Text(L"CC"); }
    std::string Bcc() const override { return Mail().Text(L"BCC"); }
    std::vector<ol::Recipient> Recipients() const override {
        const Dispatch recipients = Mail().Object(L"Recipients");
        std::vector<ol::Recipient> result;
        const std::int32_t count = recipients.Int(L"Count");
        for (std::int32_t i = 1; i <= count; ++i) {
            const Dispatch r = recipients.Object(L"Item", {Var(i)});
            ol::Recipient recipient;
            const std::int32_t type = r.Int(L"Type");
            recipient.type = type == ol::Recipient::Cc    ? ol::Recipient::Cc
                             : type == ol::Recipient::Bcc ? ol::Recipient::Bcc
                                                          : ol::Recipient::To;
            recipient.address = r.Text(L"Address");
            recipient.name = r.Text(L"Name");
            if (recipient.name.empty()) recipient.name = recipient.address;
            result.push_back(std::move(recipient));
        }
        return result;
    }
    std::string Body() const override { return Mail().Text(L"Body"); }
    std::int32_t AttachmentCount() const override { return Mail().Object(L"Attachments").Int(L"Count"); }
    std::string Subject() const override { return Mail().Text(L"Subject"); }
    DateTime ReceivedTime() const override { return Mail().Date(L"ReceivedTime"); }
    DateTime SentOn() const override { return Mail().Date(L"SentOn"); }

private:
    const Dispatch& Mail() const {
        if (!mail_) throw Error(91, "MailWrapper", "Object variable not set: no mail item is attached");
        return mail_;
    }
    std::shared_ptr<ol::Item> item_;
    Dispatch mail_;
};

class MailWrapperFactory final : public ol::MailWrapperFactory {
public:
    std::unique_ptr<ol::MailWrapper> CreateMailWrapper() override { return std::make_unique<MailWrapper>(); }
};

}  // namespace

std::shared_ptr<ol::Application> WrapApplication(ComPtr<IDispatch> application) {
    if (!application) throw Error(91, "Outlook", "Object variable not set: no application");
    return std::make_shared<Application>(Dispatch(std::move(application)));
}

std::shared_ptr<ol::Window> WrapWindowObject(ComPtr<IDispatch> window) {
    if (!window) throw Error(91, "Outlook", "Object variable not set: no window");
    return WrapWindow(Dispatch(std::move(window)));
}

std::unique_ptr<ol::MailWrapperFactory> MakeMailWrapperFactory() { return std::make_unique<MailWrapperFactory>(); }

}  // namespace kv::win32::outlook
