#pragma once
// The host failing one call: Outlook refuses calls now and then (the item
// was moved or deleted meanwhile, the store is offline, a server times out),
// and each such refusal reaches the add-in as a kv::Error from that call.
// FaultyMailWrappers passes every call through to the real mail wrappers,
// items, explorers and their selection and session, and fails the one method named in the plan from its n-th call on (a
// refusal rarely comes alone: the same call tried again fails again).
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ports/outlook.hpp"
#include "support/error.hpp"

namespace kv::fakes {

// Which calls fail: the method's name ("Item.Subject", "MailWrapper.SaveAs",
// ...) and from the how-many-th call of it on, counted over all objects.
struct FaultPlan {
    FaultPlan() = default;
    FaultPlan(std::string failing, int nth) : method(std::move(failing)), onCall(nth) {}

    std::string method;
    int onCall = 1;

    // Throws the host's refusal when this call is one of the planned ones.
    void Check(const char* name) {
        if (method.empty() || method != name) return;
        if (++calls_ >= onCall) throw Error(outlook::hosterr::Failed, name, "The host refused " + method);
    }

private:
    int calls_ = 0;
};

class FaultyItem : public outlook::Item {
public:
    FaultyItem(std::shared_ptr<outlook::Item> inner, FaultPlan& plan) : inner_(std::move(inner)), plan_(plan) {}

    // The host's own item behind a wrapped one, as the host's calls expect it.
    static std::shared_ptr<outlook::Item> Unwrapped(const std::shared_ptr<outlook::Item>& item) {
        const auto faulty = std::dynamic_pointer_cast<FaultyItem>(item);
        return faulty ? faulty->inner_ : item;
    }

    std::int32_t Class() const override { return plan_.Check("Item.Class"), inner_->Class(); }
    std::string EntryID() const override { return plan_.Check("Item.EntryID"), inner_->EntryID(); }
    std::string Subject() const override { return plan_.Check("Item.Subject"), inner_->Subject(); }
    bool Sent() const override { return plan_.Check("Item.Sent"), inner_->Sent(); }
    DateTime ReceivedTime() const override { return plan_.Check("Item.ReceivedTime"), inner_->ReceivedTime(); }
    std::int32_t Importance() const override { return plan_.Check("Item.Importance"), inner_->Importance(); }
    void Move(outlook::Folder& destination) override {
        plan_.Check("Item.Move");
        inner_->Move(destination);
    }
    void Close(std::int32_t mode) override {
        plan_.Check("Item.Close");
        inner_->Close(mode);
    }
    std::shared_ptr<outlook::Application> GetApplication() const override;

private:
    std::shared_ptr<outlook::Item> inner_;
    FaultPlan& plan_;
};

// The host's session: its Deleted Items folder and items found by id.
class FaultyNameSpace : public outlook::NameSpace {
public:
    FaultyNameSpace(std::shared_ptr<outlook::NameSpace> inner, FaultPlan& plan)
        : inner_(std::move(inner)), plan_(plan) {}
    std::shared_ptr<outlook::Folder> GetDefaultFolder(std::int32_t folderType) override {
        return plan_.Check("NameSpace.GetDefaultFolder"), inner_->GetDefaultFolder(folderType);
    }
    std::shared_ptr<outlook::Item> GetItemFromID(const std::string& entryId) override {
        plan_.Check("NameSpace.GetItemFromID");
        return std::make_shared<FaultyItem>(inner_->GetItemFromID(entryId), plan_);
    }

private:
    std::shared_ptr<outlook::NameSpace> inner_;
    FaultPlan& plan_;
};

class FaultyApplication : public outlook::Application {
public:
    FaultyApplication(std::shared_ptr<outlook::Application> inner, FaultPlan& plan)
        : inner_(std::move(inner)), plan_(plan) {}
    std::shared_ptr<outlook::NameSpace> GetNamespace(const std::string& type) override {
        plan_.Check("Application.GetNamespace");
        return std::make_shared<FaultyNameSpace>(inner_->GetNamespace(type), plan_);
    }
    std::shared_ptr<outlook::Explorer> ActiveExplorer() override { return inner_->ActiveExplorer(); }
    std::shared_ptr<outlook::Explorers> GetExplorers() override { return inner_->GetExplorers(); }
    std::shared_ptr<outlook::Inspectors> GetInspectors() override { return inner_->GetInspectors(); }

private:
    std::shared_ptr<outlook::Application> inner_;
    FaultPlan& plan_;
};

inline std::shared_ptr<outlook::Application> FaultyItem::GetApplication() const {
    plan_.Check("Item.GetApplication");
    return std::make_shared<FaultyApplication>(inner_->GetApplication(), plan_);
}

// The mails selected in an explorer, each failing as planned.
class FaultySelection : public outlook::Selection {
public:
    FaultySelection(std::shared_ptr<outlook::Selection> inner, FaultPlan& plan)
        : inner_(std::move(inner)), plan_(plan) {}
    std::int32_t Count() const override { return plan_.Check("Selection.Count"), inner_->Count(); }
    std::shared_ptr<outlook::Item> Item(std::int32_t index) const override {
        plan_.Check("Selection.Item");
        return std::make_shared<FaultyItem>(inner_->Item(index), plan_);
    }

private:
    std::shared_ptr<outlook::Selection> inner_;
    FaultPlan& plan_;
};

class FaultyExplorer : public outlook::Explorer {
public:
    FaultyExplorer(std::shared_ptr<outlook::Explorer> inner, FaultPlan& plan) : inner_(std::move(inner)), plan_(plan) {}
    std::shared_ptr<outlook::CommandBars> GetCommandBars() override { return inner_->GetCommandBars(); }
    std::shared_ptr<outlook::Application> GetApplication() const override {
        plan_.Check("Explorer.GetApplication");
        return std::make_shared<FaultyApplication>(inner_->GetApplication(), plan_);
    }
    NativeWindow Handle() const override { return inner_->Handle(); }
    std::shared_ptr<outlook::Folder> GetCurrentFolder() const override { return inner_->GetCurrentFolder(); }
    std::shared_ptr<outlook::Selection> GetSelection() const override {
        plan_.Check("Explorer.GetSelection");
        return std::make_shared<FaultySelection>(inner_->GetSelection(), plan_);
    }
    outlook::Subscription OnBeforeFolderSwitch(
        std::function<void(std::shared_ptr<outlook::Folder>, bool&)> handler) override {
        return inner_->OnBeforeFolderSwitch(std::move(handler));
    }
    outlook::Subscription OnClose(std::function<void()> handler) override {
        return inner_->OnClose(std::move(handler));
    }

private:
    std::shared_ptr<outlook::Explorer> inner_;
    FaultPlan& plan_;
};

class FaultyMailWrapper : public outlook::MailWrapper {
public:
    FaultyMailWrapper(std::unique_ptr<outlook::MailWrapper> inner, FaultPlan& plan)
        : inner_(std::move(inner)), plan_(plan) {}

    void SetItem(std::shared_ptr<outlook::Item> item) override {
        plan_.Check("MailWrapper.SetItem");
        inner_->SetItem(FaultyItem::Unwrapped(item));
    }
    std::shared_ptr<outlook::Item> GetItem() const override {
        plan_.Check("MailWrapper.GetItem");
        return std::make_shared<FaultyItem>(inner_->GetItem(), plan_);
    }
    void Save() override {
        plan_.Check("MailWrapper.Save");
        inner_->Save();
    }
    void SaveAs(const std::string& path, std::int32_t format) override {
        plan_.Check("MailWrapper.SaveAs");
        inner_->SaveAs(path, format);
    }
    bool ResolveAll() override { return plan_.Check("MailWrapper.ResolveAll"), inner_->ResolveAll(); }
    void Send() override {
        plan_.Check("MailWrapper.Send");
        inner_->Send();
    }
    std::unique_ptr<outlook::AddressEntry> Sender() override {
        return plan_.Check("MailWrapper.Sender"), inner_->Sender();
    }
    std::string SenderName() const override { return plan_.Check("MailWrapper.SenderName"), inner_->SenderName(); }
    std::string To() const override { return plan_.Check("MailWrapper.To"), inner_->To(); }
    std::string Cc() const override { return plan_.Check("MailWrapper.Cc"), inner_->Cc(); }
    std::string Bcc() const override { return plan_.Check("MailWrapper.Bcc"), inner_->Bcc(); }
    std::vector<outlook::Recipient> Recipients() const override {
        return plan_.Check("MailWrapper.Recipients"), inner_->Recipients();
    }
    std::string Body() const override { return plan_.Check("MailWrapper.Body"), inner_->Body(); }
    std::int32_t AttachmentCount() const override {
        return plan_.Check("MailWrapper.AttachmentCount"), inner_->AttachmentCount();
    }
    std::string Subject() const override { return plan_.Check("MailWrapper.Subject"), inner_->Subject(); }
    DateTime ReceivedTime() const override { return plan_.Check("MailWrapper.ReceivedTime"), inner_->ReceivedTime(); }
    DateTime SentOn() const override { return plan_.Check("MailWrapper.SentOn"), inner_->SentOn(); }

private:
    std::unique_ptr<outlook::MailWrapper> inner_;
    FaultPlan& plan_;
};

class FaultyMailWrappers : public outlook::MailWrapperFactory {
public:
    explicit FaultyMailWrappers(outlook::MailWrapperFactory& inner) : inner_(inner) {}

    std::unique_ptr<outlook::MailWrapper> CreateMailWrapper() override {
        plan.Check("MailWrappers.CreateMailWrapper");
        return std::make_unique<FaultyMailWrapper>(inner_.CreateMailWrapper(), plan);
    }
    // An item the add-in is handed directly (the open mail), failing as planned.
    std::shared_ptr<outlook::Item> Wrap(std::shared_ptr<outlook::Item> item) {
        return std::make_shared<FaultyItem>(std::move(item), plan);
    }
    // An explorer the add-in imports from: its selection, its items and
    // the session they are moved through fail as planned.
    std::shared_ptr<outlook::Explorer> Wrap(std::shared_ptr<outlook::Explorer> explorer) {
        return std::make_shared<FaultyExplorer>(std::move(explorer), plan);
    }

    FaultPlan plan;

private:
    outlook::MailWrapperFactory& inner_;
};

}  // namespace kv::fakes
