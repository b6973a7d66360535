#include "ScriptedDialogs.h"

namespace tesselin::testing {

MessageAnswer ScriptedDialogs::messageBox(const MessageRequest& request) {
    m_messages.push_back(request);
    m_transcript.push_back((request.icon == MessageIcon::Exclamation ? "![" : "[") + request.title +
                           "] " + request.text);
    if (m_messageAnswers.empty()) {
        const bool yesFirst = request.buttons == MessageButtons::YesNo ||
                              request.buttons == MessageButtons::YesNoCancel;
        return yesFirst ? MessageAnswer::Yes : MessageAnswer::Ok;
    }
    const MessageAnswer answer = m_messageAnswers.front();
    m_messageAnswers.pop_front();
    return answer;
}

std::string ScriptedDialogs::inputBox(const InputRequest& request) {
    m_transcript.push_back("? " + request.prompt + " [" + request.defaultText + "]");
    if (m_inputAnswers.empty()) {
        return {};
    }
    const std::optional<std::string> answer = std::move(m_inputAnswers.front());
    m_inputAnswers.pop_front();
    return answer ? *answer : request.defaultText;
}

std::optional<FileChoice> ScriptedDialogs::nextFile(const FileRequest& request, const char* kind) {
    m_files.push_back(request);
    m_transcript.emplace_back(kind);
    if (m_fileAnswers.empty()) {
        return std::nullopt;
    }
    std::optional<FileChoice> answer = std::move(m_fileAnswers.front());
    m_fileAnswers.pop_front();
    return answer;
}

std::optional<FileChoice> ScriptedDialogs::openFile(const FileRequest& request) {
    return nextFile(request, "open");
}

std::optional<FileChoice> ScriptedDialogs::saveFile(const FileRequest& request) {
    return nextFile(request, "save");
}

}  // namespace tesselin::testing
