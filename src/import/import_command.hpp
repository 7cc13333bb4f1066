#pragma once
// The import: each mail checked for an earlier import (the user is asked
// through the prompts when one is found), saved as a .msg file under a free
// name in the chosen folder and recorded in the database; the filed mails
// then moved to Deleted Items when asked. It knows no dialog: the import
// dialog gathers the choice from its controls, and a front end without one
// (a service filing an uploaded mail) fills it from its request.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "context/addin_context.hpp"
#include "ports/outlook.hpp"

namespace kv {

// Where the mails go, and what becomes of them afterwards.
struct ImportChoice {
    // The resource chosen; none fails the run where the number is first needed.
    std::optional<std::int32_t> ressId;
    std::int32_t jobId = 0;  // 0: filed among the resource's documents
    std::string folderPath;  // the folder the files go to, ending in a separator
    std::string subFolder;   // that folder below the document folder, as recorded
    bool deleteAfter = false;
};

// The mails: one mail (a mail window's, an uploaded one), or an explorer's
// selection as it stands when the run reaches it. The run holds both to its
// end, whatever its starter lets go of meanwhile.
struct ImportSource {
    bool oneMail = false;
    std::shared_ptr<outlook::Item> mail;          // oneMail: this mail
    std::shared_ptr<outlook::Explorer> explorer;  // otherwise: its selection
};

// How far a run came, kept up as it goes: a failure's step names where it
// happened, and the mails filed before it are counted.
struct ImportProgress {
    int step = 7;
    int filed = 0;
};

// True when every mail went through (filed, declined as filed before, or
// not a mail) and, when asked, the filed ones were moved. False when a mail
// could not be recorded: the run stopped there, the record writer has told
// the user why, and the caller tells that the import failed. Any other
// failure passes on, with progress.step naming where.
bool RunImport(AddinContext& ctx, const ImportChoice& choice, const ImportSource& source, ImportProgress& progress);

}  // namespace kv
