#include "context/addin_context.hpp"

namespace kv {

ImportDialog& AddinContext::Dialog() {
    if (!dialog_) {
        if (!makeImportDialog) throw Error(errnum::Unexpected, "KVOutlookAddin", "No import dialog is wired");
        dialog_ = makeImportDialog(*this);
    }
    return *dialog_;
}

}  // namespace kv
