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

}  // namespace tesselin
