#pragma once
// What kvimport sees pass through the adapters it hands the add-in: why the
// database would not open, why a save failed, and which .msg files were
// saved. The add-in's boxes keep their texts; kvimport tells these on lines
// of their own, so the user learns the cause and how far an import came.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ports/database.hpp"
#include "ports/file_system.hpp"
#include "ports/outlook/mail_wrapper.hpp"

namespace kv::app {

class ImportWitness {
public:
    ImportWitness(db::DatabaseConnector& database, FileSystem& files, outlook::MailWrapperFactory& mails);
    ~ImportWitness();

    // The adapters to hand the add-in in place of the ones given.
    db::DatabaseConnector& Database();
    FileSystem& Files();
    outlook::MailWrapperFactory& MailWrappers();

    // The description of the last failure to open the database.
    const std::optional<std::string>& DatabaseFailure() const { return databaseFailure_; }
    // The description of the last failure of a save or of a file step.
    const std::optional<std::string>& SaveFailure() const { return saveFailure_; }
    // How many .msg files were saved under their final names, and the last
    // of them ("" before the first); not every name, which a run over
    // thousands of mails would have to hold.
    std::size_t SavedCount() const { return savedCount_; }
    const std::string& LastSaved() const { return lastSaved_; }

private:
    class Connector;
    class Files_;
    class Wrappers;
    std::optional<std::string> databaseFailure_, saveFailure_;
    std::size_t savedCount_ = 0;
    std::string lastSaved_;
    std::unique_ptr<Connector> connector_;
    std::unique_ptr<Files_> files_;
    std::unique_ptr<Wrappers> wrappers_;
};

// Why the folder holding path cannot take a file, when its file system says
// so (mounted read-only, no room left); "" when it tells of nothing wrong.
std::string DiskTrouble(const std::string& path);

}  // namespace kv::app
