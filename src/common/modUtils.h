#pragma once

#include <exception>
#include <new>
#include <string>
#include <string_view>

#include "Dialogs.h"
#include "Failure.h"

namespace tesselin {

// The prompt of the error box: "Error: <number>", CR LF, the description,
// CR LF, then the extra text.
std::string errorPrompt(const Failure& failure, std::string_view extraText);

// Shows a failure in a modal box titled "Error" with the critical icon and OK.
void ReportError(Dialogs& dialogs, const Failure& failure, std::string_view extraText);

// Runs a command under its failure handler: a cancelled file dialog ends it
// silently, any other failure ends it with one error box. What the command did
// before the failure stays done.
template <typename Command>
void runUnderFailureHandler(Dialogs& dialogs, Command&& command) {
    try {
        command();
    } catch (const Failure& failure) {
        if (failure.number() != FailureNumber::DialogCancelled) {
            ReportError(dialogs, failure, {});
        }
    } catch (const std::bad_alloc&) {
        ReportError(dialogs,
                    Failure(FailureNumber::OutOfMemory,
                            "Out of memory: the data set is too large for this computer"),
                    {});
    } catch (const std::exception& error) {
        ReportError(dialogs, Failure(FailureNumber::InvalidArgument, error.what()), {});
    }
}

}  // namespace tesselin
