#pragma once
// What the user does in the import dialog, built from command-line options:
// the clicks and keys a person would make on its controls, run by the
// headless view while the dialog is shown.
#include <optional>
#include <ostream>
#include <string>

#include "ports/ui/headless.hpp"

namespace kv::app {

struct DialogChoices {
    std::optional<int> type;               // cboRessType position
    std::optional<int> resource;           // RessID, clicked as "R<id>"
    std::optional<int> job;                // JobID typed into txtJobId
    std::optional<int> jobItem;            // JobID, clicked as "J<id>"
    std::optional<int> status;             // cboActive: 1 active, 2 closed, 3 all
    std::optional<std::string> folder;     // relative to "Dokumenter", '/' or '\' separated
    std::optional<std::string> newFolder;  // made under the chosen folder
    bool deleteAfter = false;
};

struct ScriptOutcome {
    std::optional<std::string> failure;  // one line naming what is wrong and the option to fix
    bool importPressed = false;
    bool closedByImport = false;  // the dialog closed itself after Import
};

// Makes the choices and presses Import. prompts answers the new-folder box.
ui::HeadlessView::UserScript ImportScript(DialogChoices choices, ui::HeadlessPrompts& prompts, ScriptOutcome& outcome);

// Makes the choices, writes what the dialog shows to out, expanding the
// folder tree depth levels below the chosen folder, and closes the dialog.
ui::HeadlessView::UserScript BrowseScript(DialogChoices choices, int depth, std::ostream& out, ScriptOutcome& outcome);

}  // namespace kv::app
