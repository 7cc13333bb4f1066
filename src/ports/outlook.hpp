#pragma once
// The host port: the host's object model (application, namespace, folders,
// items, windows, events), its command bars and the mail-item wrapper.
// The core reaches the host only through these interfaces; failures are
// kv::Error, texts UTF-8, times kv::DateTime in local time.
//
//   auto explorer = app->ActiveExplorer();
//   auto bars = explorer->GetCommandBars();
//   std::shared_ptr<outlook::CommandBar> bar;
//   try { bar = bars->Item("Korvane"); } catch (const Error&) {}     // throws when missing
//   if (!bar) bar = bars->Add("Korvane", outlook::BarTop, false);
//   auto button = bar->GetControls()->Add(outlook::ControlButton, "CBButton");
//   button->SetTag("CBButton");
//   clickToken = button->OnClick([](auto ctrl, bool&) {             // ends with the token
//       auto inspector = outlook::AsInspector(ctrl->GetParent()->GetParent());
//   });
//   auto wrapper = wrappers.CreateMailWrapper();
//   wrapper->SetItem(explorer->GetSelection()->Item(1));            // counted from 1
//   wrapper->SaveAs(path, outlook::SaveAsMsg);
#include "ports/outlook/command_bars.hpp"
#include "ports/outlook/constants.hpp"
#include "ports/outlook/host.hpp"
#include "ports/outlook/mail_wrapper.hpp"
#include "ports/outlook/ribbon_control.hpp"
#include "ports/outlook/subscription.hpp"
