#include "ui/modUtils.h"

namespace tesselin {

std::string errorPrompt(const Failure& failure, std::string_view extraText) {
    std::string prompt = "Error: " + std::to_string(failure.number()) + "\r\n";
    prompt += failure.description();
    prompt += "\r\n";
    prompt += extraText;
    return prompt;
}

void ReportError(Dialogs& dialogs, const Failure& failure, std::string_view extraText) {
    dialogs.messageBox({.text = errorPrompt(failure, extraText),
                        .title = "Error",
                        .icon = MessageIcon::Critical,
                        .buttons = MessageButtons::Ok});
}

void showExclamation(Dialogs& dialogs, std::string_view text, std::string_view title) {
    dialogs.messageBox({.text = std::string(text),
                        .title = std::string(title),
                        .icon = MessageIcon::Exclamation,
                        .buttons = MessageButtons::Ok});
}

std::optional<std::filesystem::path> askSavePath(
    Dialogs& dialogs, const FileRequest& request,
    const std::function<std::filesystem::path(const FileChoice&)>& complete) {
    for (;;) {
        const std::optional<FileChoice> choice = dialogs.saveFile(request);
        if (!choice) {
            return std::nullopt;
        }
        std::filesystem::path path = complete(*choice);
        std::error_code ec;
        if (!std::filesystem::exists(path, ec) || std::filesystem::is_directory(path, ec)) {
            return path;  // nothing to replace (a folder is refused when writing)
        }
        const MessageAnswer answer =
            dialogs.messageBox({.text = "File already exists.  Overwrite existing file?",
                                .title = "File exists",
                                .icon = MessageIcon::None,
                                .buttons = MessageButtons::YesNoCancel,
                                .defaultButton = 1});
        if (answer == MessageAnswer::Yes) {
            return path;
        }
        if (answer == MessageAnswer::Cancel) {
            return std::nullopt;
        }
    }
}

}  // namespace tesselin
