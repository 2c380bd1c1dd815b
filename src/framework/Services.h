#pragma once
// The modal services every window goes through: message boxes, file dialogs and modal runs of
// dialogs. main owns one of each and hands them down; tests hand down the recording versions
// (tests/support/TestServices.h) so that nothing ever waits for a person.
//
//     services.messages.Show(this, "Beginner!");             // OK only, caption "ORQ 2.0"
//     if (!services.messages.Ask(this, "Write ...?")) return;  // Yes or No, same caption
//
//     orq::FileDialogRequest r;
//     r.mode = orq::FileDialogMode::Open;
//     r.title = "Select Config File";
//     r.filter = "conif file (*.ini)|*.ini||";               // the system's filter syntax
//     r.options = orq::kPathMustExist | orq::kFileMustExist | orq::kHideReadOnly;
//     const orq::FileDialogResult f = services.files.Run(this, r);
//     if (f.outcome == orq::FileDialogOutcome::Cancel) return;
//
//     CAdvanceDlg dlg(...);
//     services.modal.RunModal(dlg);                          // returns QDialog::Accepted/Rejected

#include <QDialog>
#include <QString>
#include <QStringList>

namespace orq {

// The caption of every message box (the main window's own title is "ORQ 2.1").
inline constexpr const char* kMessageBoxCaption = "ORQ 2.0";

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    // Shows `text` with an OK button and returns once it is closed.
    virtual void Show(QWidget* parent, const QString& text) = 0;
    // Asks `text` with Yes and No; true for Yes. No is the default: a question before a write
    // to the unit is answered by a decision, not by Enter.
    virtual bool Ask(QWidget* parent, const QString& text) = 0;
};

enum class FileDialogMode { Open, Save };

enum FileDialogOption : unsigned {
    kPathMustExist = 1u << 0,
    kFileMustExist = 1u << 1,
    kHideReadOnly = 1u << 2,
    kOverwritePrompt = 1u << 3,
};

struct FileDialogRequest {
    FileDialogMode mode = FileDialogMode::Open;
    QString title;
    QString filter;         // "description|pattern|description|pattern||"
    QString defaultSuffix;  // without the dot; empty = none
    QString initialName;    // empty = none
    unsigned options = 0;
};

enum class FileDialogOutcome { Ok, Cancel, Failed };

struct FileDialogResult {
    FileDialogOutcome outcome = FileDialogOutcome::Cancel;
    QString path;  // the full path on Ok; normally empty otherwise
};

class FileDialogService {
public:
    virtual ~FileDialogService() = default;
    virtual FileDialogResult Run(QWidget* parent, const FileDialogRequest& request) = 0;
};

class ModalRunner {
public:
    virtual ~ModalRunner() = default;
    // Runs `dialog` modally; returns its result code (QDialog::Accepted or Rejected).
    virtual int RunModal(QDialog& dialog) = 0;
};

// "conif file (*.ini)|*.ini||" → "conif file (*.ini)"; "Hex File|*.hex|" → "Hex File (*.hex)".
QStringList QtFiltersFromSystemFilter(const QString& filter);

// The real ones.
class QtMessageBox : public MessageBoxService {
public:
    void Show(QWidget* parent, const QString& text) override;
    bool Ask(QWidget* parent, const QString& text) override;
};

class QtFileDialog : public FileDialogService {
public:
    FileDialogResult Run(QWidget* parent, const FileDialogRequest& request) override;
};

class QtModalRunner : public ModalRunner {
public:
    int RunModal(QDialog& dialog) override;
};

}  // namespace orq
