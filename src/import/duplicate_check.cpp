#include "import/duplicate_check.hpp"

#include "support/clean_file_name.hpp"

namespace kv {

bool IsMailImported(db::Connection& connection, const std::string& subject, const std::string& sender,
                    const DateTime& received, std::int32_t id, bool isJob) {
    // Sender, subject and time are bound, so an apostrophe in a name is just
    // a character and nothing a mail carries can change the statement. The
    // time is bound with whole seconds, as the stored value has.
    std::string sql = isJob ? " SELECT JobDoc.DocId FROM JobDoc Inner Join DocMail on JobDoc.Docid=DocMail.DocID "
                            : " SELECT ResDoc.RDocId FROM ResDoc Inner Join DocMail on ResDoc.RDocId=DocMail.DocID ";
    sql += " WHERE Sender=? ";
    // The subject as the import row keeps it: "" for a mail without one.
    // Such a mail may also be held as "Ingen", the cleaned text this check
    // looked for before, so both count.
    db::Params parameters{Value(sender), Value(StoredSubject(subject))};
    if (subject.empty()) {
        sql += " AND (Subject=? OR Subject=?) ";
        parameters.emplace_back(CleanFileName(subject));
    } else {
        sql += " AND Subject=? ";
    }
    sql += " AND Recieved=?";
    parameters.emplace_back(received);
    sql += isJob ? " AND JobDoc.jobID=" : " AND ResDoc.ResId=";
    sql += std::to_string(id);

    auto rs = connection.Execute(sql, parameters);
    bool found = !rs->EndOfFile();
    rs->Close();
    return found;
}

}  // namespace kv
