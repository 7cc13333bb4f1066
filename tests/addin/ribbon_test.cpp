// The ribbon: its markup (read back by libxml2) and its callbacks, each
// running its toolbar button's action on the window it was pressed in; and
// the toolbars turned off by the settings.
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <set>

#include "addin/ribbon.hpp"
#include "addin_fixture.hpp"

namespace kv::addintest {
namespace {

constexpr const char* kNamespace = "http://schemas.microsoft.com/office/2009/07/customui";

struct Button {
    std::string tab, group, id, label, screentip, onAction;
};

struct Markup {
    bool parsed = false;
    std::string root, rootNamespace;
    std::vector<Button> buttons;
};

std::string Attr(xmlNode* node, const char* name) {
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    std::string text = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return text;
}

// Elements of the customUI namespace named name, under parent.
std::vector<xmlNode*> Children(xmlNode* parent, const char* name) {
    std::vector<xmlNode*> found;
    for (xmlNode* n = parent ? parent->children : nullptr; n; n = n->next)
        if (n->type == XML_ELEMENT_NODE && n->ns &&
            std::string(reinterpret_cast<const char*>(n->ns->href)) == kNamespace &&
            std::string(reinterpret_cast<const char*>(n->name)) == name)
            found.push_back(n);
    return found;
}

Markup Read(const std::string& xml) {
    Markup markup;
    xmlDoc* doc = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "customUI.xml", nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc) return markup;
    markup.parsed = true;
    xmlNode* root = xmlDocGetRootElement(doc);
    markup.root = reinterpret_cast<const char*>(root->name);
    markup.rootNamespace = root->ns ? reinterpret_cast<const char*>(root->ns->href) : "";
    for (xmlNode* ribbon : Children(root, "ribbon"))
        for (xmlNode* tabs : Children(ribbon, "tabs"))
            for (xmlNode* tab : Children(tabs, "tab"))
                for (xmlNode* group : Children(tab, "group"))
                    for (xmlNode* button : Children(group, "button"))
                        markup.buttons.push_back({Attr(tab, "idMso"), Attr(group, "label"), Attr(button, "id"),
                                                  Attr(button, "label"), Attr(button, "screentip"),
                                                  Attr(button, "onAction")});
    xmlFreeDoc(doc);
    return markup;
}

struct RibbonTest : AddinTest {
    // The callback position the host resolves the button's onAction name to.
    std::size_t CallbackOf(const std::string& ribbonId) {
        const Markup markup = Read(connect->GetCustomUI(ribbonId));
        EXPECT_EQ(markup.buttons.size(), 1u) << ribbonId;
        const auto names = connect->RibbonCallbacks();
        for (std::size_t i = 0; i < names.size(); ++i)
            if (!markup.buttons.empty() && names[i] == markup.buttons[0].onAction) return i;
        ADD_FAILURE() << "no callback for " << ribbonId;
        return names.size();
    }
    void Press(const std::string& ribbonId, std::shared_ptr<outlook::Window> window) {
        connect->OnRibbonCallback(CallbackOf(ribbonId), outlook::RibbonControl{"KorvaneButton", "", std::move(window)});
    }
};

TEST_F(RibbonTest, EachMailRibbonGetsTheKorvaneGroupWithItsToolbarButton) {
    Start();
    // The ribbon ids as Outlook names them.
    struct Case {
        const char* ribbonId;
        const char* tab;
        const char* label;
        const char* screentip;
        const char* id;  // a button a user put on the Quick Access Toolbar is kept by its id
    } cases[] = {
        {"Microsoft.Outlook.Explorer", "TabMail", "Korvane", "Korvane Import", "KorvaneImportSelection"},
        {"Microsoft.Outlook.Mail.Read", "TabReadMessage", "Korvane", "Korvane Import", "KorvaneImportMail"},
        {"Microsoft.Outlook.Mail.Compose", "TabNewMailMessage", "Send", "Korvane Import og send",
         "KorvaneImportAndSend"},
    };
    const std::vector<std::string> callbacks = connect->RibbonCallbacks();
    std::set<std::string> used;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ribbonId);
        const std::string xml = connect->GetCustomUI(c.ribbonId);
        const Markup markup = Read(xml);
        ASSERT_TRUE(markup.parsed) << xml;
        EXPECT_EQ(markup.root, "customUI");
        EXPECT_EQ(markup.rootNamespace, kNamespace);
        ASSERT_EQ(markup.buttons.size(), 1u) << xml;
        const Button& b = markup.buttons[0];
        EXPECT_EQ(b.tab, c.tab);
        EXPECT_EQ(b.group, "Korvane");
        EXPECT_EQ(b.label, c.label);
        EXPECT_EQ(b.screentip, c.screentip);
        EXPECT_EQ(b.id, c.id);
        EXPECT_NE(std::find(callbacks.begin(), callbacks.end(), b.onAction), callbacks.end()) << b.onAction;
        used.insert(b.onAction);
    }
    EXPECT_EQ(used.size(), 3u);
    EXPECT_EQ(callbacks.size(), 3u) << "every callback is used by a button";
    for (const char* other :
         {"Microsoft.Outlook.Contact", "Microsoft.Outlook.Explorer ", "microsoft.outlook.explorer", ""})
        EXPECT_EQ(connect->GetCustomUI(other), "") << other;
}

TEST(RibbonCallbacks, EachPositionStandsForItsActionAndNoneBeyond) {
    const ribbon::Action expected[] = {ribbon::Action::ImportSelection, ribbon::Action::ImportMail,
                                       ribbon::Action::ImportAndSend};
    ASSERT_EQ(std::size(ribbon::kCallbacks), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) EXPECT_EQ(ribbon::ActionAt(i), expected[i]) << i;
    for (std::size_t beyond : {std::size(expected), std::size(expected) + 1, static_cast<std::size_t>(-1)})
        EXPECT_FALSE(ribbon::ActionAt(beyond)) << beyond;
}

TEST_F(RibbonTest, APressWithoutItsWindowFailsAsTheToolbarButtonsDo) {
    Start();
    h.ctx->gLog.LogLevel(2);
    auto mails = h.store->Items("Inbox");
    auto inspector = h.store->OpenInspector(mails.at(0));
    h.store->Select(*explorer, mails);
    // The explorer's button shows the failure; the mail windows' drop it.
    Press(std::string(ribbon::kExplorerRibbon), nullptr);
    Press(std::string(ribbon::kExplorerRibbon), inspector);
    Press(std::string(ribbon::kReadMailRibbon), explorer);
    Press(std::string(ribbon::kComposeMailRibbon), nullptr);
    EXPECT_EQ(record.shown, 0);
    EXPECT_EQ(h.MessageTexts(), (std::vector<std::string>{"Object variable not set: Context",
                                                          "Type mismatch: the window is not an explorer"}));
    EXPECT_NE(Log().find("Ribbon ImportMail: Type mismatch: the window is not an inspector"), std::string::npos)
        << Log();
    EXPECT_NE(Log().find("Ribbon ImportAndSend: Object variable not set: Context"), std::string::npos) << Log();
    // A callback the add-in does not have, or one after disconnection, does nothing.
    connect->OnRibbonCallback(connect->RibbonCallbacks().size(), outlook::RibbonControl{"x", "", explorer});
    connect->OnDisconnection(1);
    connect->OnRibbonCallback(0, outlook::RibbonControl{"x", "", explorer});
    EXPECT_EQ(record.shown, 0);
    EXPECT_EQ(h.prompts.Messages().size(), 2u);
}

TEST_F(RibbonTest, ToolbarsZeroBuildsNoToolbarRemovesAKeptOneAndTheRibbonStillImports) {
    // An earlier run left the explorer toolbar (kept by the host).
    Start();
    connect->OnDisconnection(0);
    ASSERT_TRUE(Bar(*explorer, "Korvane"));
    h.store->CloseExplorer(*explorer);

    h.WriteSetting("Toolbars", "0");
    auto store = mailstore::MailStore::Open(h.store->Root());
    explorer = store->OpenExplorer("Inbox");
    ASSERT_TRUE(Bar(*explorer, "Korvane"));
    connect = std::make_unique<Connect>(*h.ctx, store->GetApplication());
    connect->OnConnection(kProgId);
    EXPECT_FALSE(AddIn().ToolbarsWanted());
    EXPECT_FALSE(Bar(*explorer, "Korvane")) << "the kept toolbar goes";
    EXPECT_FALSE(AddIn().objExplBar);
    EXPECT_FALSE(AddIn().objCBButton);
    auto mails = store->Items("Inbox");
    auto inspector = store->OpenInspector(mails.at(0));
    EXPECT_FALSE(Bar(*inspector, "KorvaneNMail"));
    auto draft = store->OpenInspector(store->AddItemFile("Drafts", TestData("draft_ok.eml")));
    EXPECT_FALSE(Bar(*draft, "KorvaneSMail"));
    EXPECT_TRUE(store->SwitchFolder(*explorer, "Calendar"));
    EXPECT_FALSE(Bar(*explorer, "Korvane"));

    store->SwitchFolder(*explorer, "Inbox");
    store->Select(*explorer, {mails.at(1)});
    Press(std::string(ribbon::kExplorerRibbon), explorer);
    ASSERT_EQ(record.shown, 1);
    EXPECT_EQ(record.explorer, explorer);
    Press(std::string(ribbon::kReadMailRibbon), inspector);
    ASSERT_EQ(record.shown, 2);
    EXPECT_EQ(record.mail, mails.at(0));

    // The windows are still followed: the last one closing lets go of the host.
    store->CloseInspector(*inspector);
    store->CloseInspector(*draft);
    store->CloseExplorer(*explorer);
    EXPECT_FALSE(h.ctx->gOutlookApp);
}

TEST_F(RibbonTest, AnyOtherToolbarsValueKeepsTheToolbars) {
    for (const char* value : {"1", "", " 0", "nej", "00"}) {
        SCOPED_TRACE(value);
        h.WriteSetting("Toolbars", value);
        Start();
        EXPECT_TRUE(AddIn().ToolbarsWanted());
        EXPECT_TRUE(Bar(*explorer, "Korvane"));
        EXPECT_TRUE(AddIn().objCBButton);
        connect->OnDisconnection(1);
        h.store->CloseExplorer(*explorer);
    }
    // Stored as a number, 0 turns them off too.
    settings::WriteNumber(h.registry, "Toolbars", 0);
    Start();
    EXPECT_FALSE(AddIn().ToolbarsWanted());
    EXPECT_FALSE(Bar(*explorer, "Korvane"));
}

}  // namespace
}  // namespace kv::addintest
