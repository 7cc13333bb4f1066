#pragma once
// Ribbon markup read back by an XML parser that is not ours: MSXML, as
// Windows and Wine ship it, reached late-bound. Elements are looked up in
// the 2009/07 customUI namespace only, so markup in another namespace (or
// none) shows no tabs, groups or buttons.
#include <windows.h>
#include <objbase.h>

#include <string>
#include <vector>

#include "adapters/win32/outlook/late_bound.hpp"

namespace kv::win32::test {

inline constexpr const char* kCustomUiNamespace = "http://schemas.microsoft.com/office/2009/07/customui";

struct RibbonButton {
    std::string id, label, screentip, onAction, tab, group;
};

struct RibbonMarkup {
    bool parsed = false;
    std::string parseError;
    std::string rootName, rootNamespace;
    std::vector<std::string> groups;  // "tab idMso/group label"
    std::vector<RibbonButton> buttons;
};

namespace ribbon_markup_detail {

using outlook::Dispatch;
using outlook::Var;

// An attribute's text; empty when the element has none (MSXML answers Null).
inline std::string Attribute(const Dispatch& element, const char* name) {
    Var value = element.Call(L"getAttribute", {Var(name)});
    return value.Get().vt == VT_BSTR ? value.Text() : std::string();
}

inline std::vector<Dispatch> Select(const Dispatch& from, const char* xpath) {
    Dispatch list = from.Object(L"selectNodes", {Var(xpath)});
    std::vector<Dispatch> nodes;
    const std::int32_t n = list.Int(L"length");
    for (std::int32_t i = 0; i < n; ++i) nodes.push_back(list.Object(L"item", {Var(i)}));
    return nodes;
}

}  // namespace ribbon_markup_detail

inline RibbonMarkup ReadRibbonMarkup(const std::string& xml) {
    using namespace ribbon_markup_detail;
    RibbonMarkup markup;
    CLSID clsid{};
    if (FAILED(::CLSIDFromProgID(L"Msxml2.DOMDocument.3.0", &clsid))) {
        markup.parseError = "MSXML is not registered";
        return markup;
    }
    ComPtr<IDispatch> object;
    if (FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                  reinterpret_cast<void**>(object.Put())))) {
        markup.parseError = "MSXML cannot be created";
        return markup;
    }
    const Dispatch doc(object);
    doc.Put(L"async", Var(false));
    doc.Put(L"validateOnParse", Var(false));
    markup.parsed = doc.Call(L"loadXML", {Var(xml)}).Bool();
    if (!markup.parsed) {
        markup.parseError = doc.Object(L"parseError").Text(L"reason");
        return markup;
    }
    doc.Call(L"setProperty", {Var("SelectionLanguage"), Var("XPath")});
    doc.Call(L"setProperty", {Var("SelectionNamespaces"), Var(std::string("xmlns:c='") + kCustomUiNamespace + "'")});
    const Dispatch root = doc.Object(L"documentElement");
    markup.rootName = root.Text(L"baseName");
    markup.rootNamespace = root.Text(L"namespaceURI");
    for (const Dispatch& tab : Select(doc, "/c:customUI/c:ribbon/c:tabs/c:tab")) {
        for (const Dispatch& group : Select(tab, "c:group")) {
            markup.groups.push_back(Attribute(tab, "idMso") + "/" + Attribute(group, "label"));
            for (const Dispatch& button : Select(group, "c:button"))
                markup.buttons.push_back({Attribute(button, "id"), Attribute(button, "label"),
                                          Attribute(button, "screentip"), Attribute(button, "onAction"),
                                          Attribute(tab, "idMso"), Attribute(group, "label")});
        }
    }
    return markup;
}

}  // namespace kv::win32::test
