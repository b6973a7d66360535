#pragma once

#include <exception>
#include <filesystem>
#include <functional>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "common/Failure.h"
#include "ui/Dialogs.h"

namespace tesselin {

// The prompt of the error box: "Error: <number>", CR LF, the description,
// CR LF, then the extra text.
std::string errorPrompt(const Failure& failure, std::string_view extraText);

// Shows a failure in a modal box titled "Error" with the critical icon and OK.
void ReportError(Dialogs& dialogs, const Failure& failure, std::string_view extraText);

// A message about wrong input: the exclamation icon and an OK button.
void showExclamation(Dialogs& dialogs, std::string_view text, std::string_view title);

// Asks for the file to save to: the save dialog, then, when a file of that
// name exists, "File already exists.  Overwrite existing file?" (Yes takes
// it, No shows the dialog again, Cancel ends). `complete` turns the chosen
// name into the path to write (adding an extension, say) before that check.
// Nothing when the user cancels.
std::optional<std::filesystem::path> askSavePath(
    Dialogs& dialogs, const FileRequest& request,
    const std::function<std::filesystem::path(const FileChoice&)>& complete =
        [](const FileChoice& choice) { return std::filesystem::path(choice.path); });

// Runs a command under its failure handler: any failure ends it with one
// error box. What the command did before the failure stays done. (A cancelled
// dialog is no failure: the command simply returns.)
template <typename Command>
void runUnderFailureHandler(Dialogs& dialogs, Command&& command) {
    try {
        command();
    } catch (const Failure& failure) {
        ReportError(dialogs, failure, {});
    } catch (const std::bad_alloc&) {
        ReportError(
            dialogs,
            Failure::outOfMemory("Out of memory: the data set is too large for this computer"), {});
    } catch (const std::exception& error) {
        ReportError(dialogs, Failure(FailureNumber::InvalidArgument, error.what()), {});
    }
}

}  // namespace tesselin
