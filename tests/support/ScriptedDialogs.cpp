#include "ScriptedDialogs.h"

namespace tesselin::testing {

std::vector<MessageRequest> ScriptedDialogs::messages() const {
    std::vector<MessageRequest> result;
    for (const Shown& s : m_shown) {
        if (s.kind == Kind::Message) {
            result.push_back(s.message);
        }
    }
    return result;
}

std::vector<std::string> ScriptedDialogs::transcript() const {
    std::vector<std::string> lines;
    for (const Shown& s : m_shown) {
        switch (s.kind) {
            case Kind::Message:
                lines.push_back((s.message.icon == MessageIcon::Exclamation ? "![" : "[") +
                                s.message.title + "] " + s.message.text);
                break;
            case Kind::Input:
                lines.push_back("? " + s.input.prompt + " [" + s.input.defaultText + "]");
                break;
            case Kind::Open:
                lines.emplace_back("open");
                break;
            case Kind::Save:
                lines.emplace_back("save");
                break;
        }
    }
    return lines;
}

MessageAnswer ScriptedDialogs::messageBox(const MessageRequest& request) {
    m_shown.push_back({Kind::Message, request, {}, {}});
    if (m_messageAnswers.empty()) {
        switch (request.buttons) {
            case MessageButtons::Ok:
            case MessageButtons::OkCancel:
                return MessageAnswer::Ok;
            case MessageButtons::YesNo:
            case MessageButtons::YesNoCancel:
                return MessageAnswer::Yes;
        }
    }
    const MessageAnswer answer = m_messageAnswers.front();
    m_messageAnswers.pop_front();
    return answer;
}

std::string ScriptedDialogs::inputBox(const InputRequest& request) {
    m_shown.push_back({Kind::Input, {}, request, {}});
    if (m_inputAnswers.empty()) {
        return {};
    }
    std::optional<std::string> answer = std::move(m_inputAnswers.front());
    m_inputAnswers.pop_front();
    return answer ? *answer : request.defaultText;
}

std::optional<FileChoice> ScriptedDialogs::nextFile() {
    if (m_fileAnswers.empty()) {
        return std::nullopt;
    }
    std::optional<FileChoice> answer = std::move(m_fileAnswers.front());
    m_fileAnswers.pop_front();
    return answer;
}

std::optional<FileChoice> ScriptedDialogs::openFile(const FileRequest& request) {
    m_shown.push_back({Kind::Open, {}, {}, request});
    return nextFile();
}

std::optional<FileChoice> ScriptedDialogs::saveFile(const FileRequest& request) {
    m_shown.push_back({Kind::Save, {}, {}, request});
    return nextFile();
}

}  // namespace tesselin::testing
