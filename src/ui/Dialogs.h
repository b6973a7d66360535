#pragma once

#include <optional>
#include <string>

namespace tesselin {

enum class MessageIcon { None, Critical, Question, Exclamation, Information };
enum class MessageButtons { Ok, OkCancel, YesNoCancel, YesNo };
enum class MessageAnswer { Ok, Cancel, Yes, No };

struct MessageRequest {
    std::string text;  // as built by the caller; lines may end in CR LF
    std::string title;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    int defaultButton = 1;  // counted from 1, in the order the buttons are listed
};

struct InputRequest {
    std::string prompt;
    std::string title;
    std::string defaultText;
};

struct FileRequest {
    // Pairs of description and pattern, separated by '|':
    // "Excel (*.xls)|*.xls|Text (*.txt)|*.txt".
    std::string filter;
    int filterIndex = 1;  // the filter selected when the dialog opens, from 1
    std::string fileName;
    bool fileMustExist = false;
    // The folder the dialog starts in; empty: the working folder.
    std::string directory;
};

struct FileChoice {
    std::string path;     // in the file system's own encoding
    int filterIndex = 1;  // the filter selected when the user confirmed, from 1
};

// Every modal box and file dialog of the program. The desktop build shows Qt's
// dialogs; tests answer from a script and record what was asked.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    virtual MessageAnswer messageBox(const MessageRequest& request) = 0;
    // The typed text, or the empty text when the user cancels.
    virtual std::string inputBox(const InputRequest& request) = 0;
    // No value when the user cancels.
    virtual std::optional<FileChoice> openFile(const FileRequest& request) = 0;
    virtual std::optional<FileChoice> saveFile(const FileRequest& request) = 0;

protected:
    Dialogs() = default;
    Dialogs(const Dialogs&) = default;
    Dialogs& operator=(const Dialogs&) = default;
};

}  // namespace tesselin
