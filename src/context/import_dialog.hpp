#pragma once
// What ShowImportDialog needs of the import dialog: show it modally.
namespace kv {

class ImportDialog {
public:
    virtual ~ImportDialog() = default;
    // Returns once the dialog has closed. A failure while it loads reaches
    // the caller and the dialog is not shown.
    virtual void ShowModal() = 0;
};

}  // namespace kv
