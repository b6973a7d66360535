#pragma once

#include "ui/Dialogs.h"

namespace tesselin {

// The program's boxes and file dialogs, shown with Qt's own dialogs over the
// active window.
class QtDialogs final : public Dialogs {
public:
    MessageAnswer messageBox(const MessageRequest& request) override;
    std::string inputBox(const InputRequest& request) override;
    std::optional<FileChoice> openFile(const FileRequest& request) override;
    std::optional<FileChoice> saveFile(const FileRequest& request) override;
};

}  // namespace tesselin
